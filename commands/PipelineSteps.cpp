// The steps of a PROJ pipeline as PROJ writes them.
#include "PipelineSteps.h"

#include <charconv>

namespace {

/// True when @p b undoes @p a: two axis swaps, the two unit conversions, or
/// one operation and its inverse (the same projection out and in again).
bool Cancels(const Step &a, const Step &b) {
    return (a.kind == Step::AXIS_SWAP && b.kind == Step::AXIS_SWAP) ||
           (a.kind == Step::TO_RADIANS && b.kind == Step::TO_DEGREES) ||
           (a.kind == Step::TO_DEGREES && b.kind == Step::TO_RADIANS) ||
           (a.kind == Step::OTHER && b.kind == Step::OTHER &&
            a.inverse != b.inverse && a.text == b.text);
}

} // namespace

std::string ProjNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

Step AxisSwapStep() {
    return {Step::AXIS_SWAP, false, "proj=axisswap +order=2,1"};
}

std::vector<Step> StepsOf(const std::string &pipeline) {
    std::vector<std::string> texts;
    const std::string marker = " +step ";
    if (pipeline.rfind("+proj=pipeline", 0) == 0) {
        std::size_t at = pipeline.find(marker);
        while (at != std::string::npos) {
            const std::size_t next = pipeline.find(marker, at + 1);
            texts.push_back(pipeline.substr(
                at + marker.size(),
                next == std::string::npos ? std::string::npos
                                          : next - at - marker.size()));
            at = next;
        }
    } else if (pipeline != "+proj=noop") {
        texts.push_back(pipeline);
    }
    std::vector<Step> steps;
    for (std::string text : texts) {
        Step step;
        if (text.rfind("+inv ", 0) == 0) {
            step.inverse = true;
            text.erase(0, 5);
        } else if (const std::size_t inv = text.find(" +inv");
                   inv != std::string::npos &&
                   inv + 5 == text.size()) {
            step.inverse = true;
            text.erase(inv);
        }
        if (!text.empty() && text[0] == '+')
            text.erase(0, 1);
        step.text = text;
        if (text == "proj=axisswap +order=2,1")
            step.kind = Step::AXIS_SWAP;
        else if (text == "proj=unitconvert +xy_in=deg +xy_out=rad")
            step.kind = step.inverse ? Step::TO_DEGREES : Step::TO_RADIANS;
        else if (text == "proj=unitconvert +xy_in=rad +xy_out=deg")
            step.kind = step.inverse ? Step::TO_RADIANS : Step::TO_DEGREES;
        if (step.kind != Step::OTHER) {
            step.inverse = false;
            step.text = step.kind == Step::TO_RADIANS
                            ? "proj=unitconvert +xy_in=deg +xy_out=rad"
                        : step.kind == Step::TO_DEGREES
                            ? "proj=unitconvert +xy_in=rad +xy_out=deg"
                            : step.text;
        }
        steps.push_back(step);
    }
    return steps;
}

std::string PipelineText(const std::vector<Step> &steps) {
    // Steps that undo each other where they meet go, as PROJ drops them.
    std::vector<Step> kept;
    for (const Step &step : steps) {
        if (!kept.empty() && Cancels(kept.back(), step))
            kept.pop_back();
        else
            kept.push_back(step);
    }
    if (kept.empty())
        return "+proj=noop";
    std::string text = "+proj=pipeline";
    for (const Step &step : kept)
        text += std::string(" +step ") + (step.inverse ? "+inv +" : "+") +
                step.text;
    return text;
}
