// The steps of a PROJ pipeline, written by PROJ.
#include "PipelineSteps.h"

#include "Proj.h"
#include "ProjLibrary.h"

#include <charconv>

std::string ProjNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

Step AxisSwapStep() { return {false, "proj=axisswap +order=2,1", false}; }

Step PartOf(const std::string &operation) { return {false, operation, true}; }

std::string PipelineText(const std::vector<Step> &steps) {
    // The steps as they come, each inverse one marked; PROJ's formatter
    // cancels what undoes itself and writes the rest its way.
    std::string raw = "+proj=pipeline";
    const std::string head = "+proj=pipeline";
    for (const Step &step : steps) {
        if (!step.part) {
            raw += std::string(" +step ") + (step.inverse ? "+inv +" : "+") +
                   step.text;
        } else if (step.text.rfind(head, 0) == 0) {
            raw += step.text.substr(head.size()); // its own " +step ..."
        } else if (step.text != "+proj=noop") {
            raw += " +step " + step.text;
        }
    }
    if (raw == head)
        return "+proj=noop";
    ProjContext &context = ThreadProjContext();
    const ProjApi &api = Proj();
    context.TakeErrors();
    PJ *pipeline = api.proj_create(context.Get(), raw.c_str());
    const char *text =
        pipeline ? api.proj_as_proj_string(context.Get(), pipeline, PJ_PROJ_5,
                                           nullptr)
                 : nullptr;
    std::string out = text ? text : "";
    api.proj_destroy(pipeline);
    if (out.empty())
        throw ProjError("PROJ cannot write the pipeline " + raw + ": " +
                        context.TakeErrors());
    return out;
}
