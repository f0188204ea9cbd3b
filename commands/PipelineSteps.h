// Internal to the commands unit: the steps of a PROJ pipeline as PROJ
// writes them, shared by the register's conversions and the converter's
// chain.
#pragma once

#include "Register.h"

#include <string>
#include <vector>

/// One step of a pipeline. Unit and axis steps are tagged so that a step and
/// its inverse meeting in the middle can cancel, as PROJ cancels them.
struct Step {
    enum Kind { AXIS_SWAP, TO_RADIANS, TO_DEGREES, OTHER } kind = OTHER;
    bool inverse = false;
    std::string text; ///< without "+step" and "+inv"
};

/// A number as PROJ writes it, like "%.15g" in the "C" locale: 15 significant
/// digits, no trailing zeros, a point as decimal separator whatever the
/// locale.
std::string ProjNumber(double value);

/// "proj=axisswap +order=2,1"
Step AxisSwapStep();

/// The projection of a projected register system ("proj=utm +zone=52
/// +ellps=WGS84", "proj=tmerc ...").
std::string ProjectionText(const ReferenceSystem &system);

/// The step of @p t, forward or (@p inverse) backward, as PROJ writes it:
/// a geocentric translation backward with its signs changed, the others
/// with "+inv".
Step TransformationStep(const Transformation &t, bool inverse);

/// "proj=cart +ellps=..." on @p datum's ellipsoid: geographic radians to
/// ECEF, or (@p inverse) back.
Step CartStep(const Datum &datum, bool inverse);

/**
 * A datum change in ECEF with the height kept aside, as PROJ writes it:
 * "push +v_3", into ECEF on @p from, @p fromLeg forward, @p toLeg backward
 * (each left out when null or a null transformation), out of ECEF on @p to,
 * "pop +v_3".
 */
void DatumChangeSteps(const Datum &from, const Transformation *fromLeg,
                      const Transformation *toLeg, const Datum &to,
                      std::vector<Step> &steps);

/// "+proj=pipeline +step ..." of @p steps, where steps that undo each other
/// where they meet are left out as PROJ leaves them out; "+proj=noop" when
/// none is left.
std::string PipelineText(const std::vector<Step> &steps);
