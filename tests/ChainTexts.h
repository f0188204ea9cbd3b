// The converter's chain on the window's field texts, for the tests that hold
// the two to the same texts: the source side's three fields read as reals,
// all first, then converted, then written as the target's fields are.
#pragma once

#include "Chain.h"
#include "Code.h"

#include <array>
#include <string>
#include <string_view>

/// @throws Code::ConversionError, FloatingPointError.
inline std::array<std::string, 3> ConvertTexts(Chain &chain,
                                               std::string_view first,
                                               std::string_view second,
                                               std::string_view third) {
    const double in[3] = {Code::ParseReal(first), Code::ParseReal(second),
                          Code::ParseReal(third)};
    double out[3] = {0, 0, 0};
    std::int32_t zone = 0;
    chain.Convert(in, out, zone);
    return {Code::FormatReal(out[0]), Code::FormatReal(out[1]),
            Code::FormatReal(out[2])};
}
