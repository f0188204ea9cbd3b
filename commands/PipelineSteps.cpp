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

Step CartStep(const Datum &datum, bool inverse) {
    return {Step::OTHER, inverse, "proj=cart +ellps=" + datum.projEllps};
}

void DatumChangeSteps(const Datum &from, const Transformation *fromLeg,
                      const Transformation *toLeg, const Datum &to,
                      std::vector<Step> &steps) {
    steps.push_back({Step::OTHER, false, "proj=push +v_3"});
    steps.push_back(CartStep(from, false));
    if (fromLeg && !fromLeg->IsNull())
        steps.push_back(TransformationStep(*fromLeg, false));
    if (toLeg && !toLeg->IsNull())
        steps.push_back(TransformationStep(*toLeg, true));
    steps.push_back(CartStep(to, true));
    steps.push_back({Step::OTHER, false, "proj=pop +v_3"});
}

std::string ProjectionText(const ReferenceSystem &system) {
    const ProjectionParameters &p = system.projection;
    const std::string ellps = " +ellps=" + system.datum->projEllps;
    if (p.utmZone != 0)
        return "proj=utm +zone=" + std::to_string(p.utmZone) +
               (p.falseNorthing != 0 ? " +south" : "") + ellps;
    return "proj=tmerc +lat_0=" + ProjNumber(p.lat0) + " +lon_0=" + ProjNumber(p.lon0) +
           " +k=" + ProjNumber(p.k0) + " +x_0=" + ProjNumber(p.falseEasting) +
           " +y_0=" + ProjNumber(p.falseNorthing) + ellps;
}

Step TransformationStep(const Transformation &t, bool inverse) {
    const HelmertParameters &p = t.parameters;
    Step step;
    if (t.method == TransformationMethod::GeocentricTranslations) {
        // (+ 0.0 turns a negated zero into 0, which PROJ writes as "0")
        const double sign = inverse ? -1.0 : 1.0;
        step.text = "proj=helmert +x=" + ProjNumber(sign * p.tx + 0.0) +
                    " +y=" + ProjNumber(sign * p.ty + 0.0) +
                    " +z=" + ProjNumber(sign * p.tz + 0.0);
        return step;
    }
    const bool badekas =
        t.method == TransformationMethod::MolodenskyBadekasCF ||
        t.method == TransformationMethod::MolodenskyBadekasPV;
    step.inverse = inverse;
    step.text = std::string(badekas ? "proj=molobadekas" : "proj=helmert") +
                " +x=" + ProjNumber(p.tx) + " +y=" + ProjNumber(p.ty) +
                " +z=" + ProjNumber(p.tz) + " +rx=" + ProjNumber(p.rx) +
                " +ry=" + ProjNumber(p.ry) + " +rz=" + ProjNumber(p.rz) +
                " +s=" + ProjNumber(p.ds);
    if (badekas)
        step.text += " +px=" + ProjNumber(p.px) + " +py=" + ProjNumber(p.py) +
                     " +pz=" + ProjNumber(p.pz);
    step.text += p.convention == HelmertConvention::CoordinateFrame
                     ? " +convention=coordinate_frame"
                     : " +convention=position_vector";
    return step;
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
