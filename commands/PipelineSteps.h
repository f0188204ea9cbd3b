// Internal to the commands unit: the steps of the chain's PROJ pipeline,
// for the chain's --proj text. PROJ's own formatter writes the text: it
// leaves out steps that undo each other where they meet and writes each
// step as PROJ writes its own pipelines.
#pragma once

#include <string>
#include <vector>

/// One step of a pipeline, or a part made of PROJ's own steps.
struct Step {
    bool inverse = false;
    /// "proj=tmerc +lat_0=38 ...", without "+step" and "+inv"; for a part,
    /// PROJ's text of an operation ("+proj=pipeline +step ...", or one
    /// operation).
    std::string text;
    bool part = false;
};

/// A number as PROJ writes it, like "%.15g" in the "C" locale: 15 significant
/// digits, no trailing zeros, a point as decimal separator whatever the
/// locale.
std::string ProjNumber(double value);

/// "proj=axisswap +order=2,1"
Step AxisSwapStep();

/// PROJ's text of an operation as a part of a pipeline.
Step PartOf(const std::string &operation);

/// The steps as one pipeline, as PROJ's formatter writes it
/// ("+proj=pipeline +step ...", one operation alone, or "+proj=noop").
/// @throws ProjError when PROJ cannot read the steps.
std::string PipelineText(const std::vector<Step> &steps);
