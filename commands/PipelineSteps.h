// Internal to the commands unit: the steps of a PROJ pipeline as PROJ
// writes them, for the chain's --proj text.
#pragma once

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

/// The steps of a pipeline as PROJ writes one ("+proj=pipeline +step ...",
/// or a single operation), tagged as above.
std::vector<Step> StepsOf(const std::string &pipeline);

/// "+proj=pipeline +step ..." of @p steps, where steps that undo each other
/// where they meet are left out as PROJ leaves them out; "+proj=noop" when
/// none is left.
std::string PipelineText(const std::vector<Step> &steps);
