// Fuzz target: the angle reader and the fast real reader. Any input must be
// read or refused with a message, never crash; a value read is finite; the
// fast real reader gives exactly what the strict reader gives, and the short
// road through the field text exactly what the long one gives.
#include "AngleText.h"
#include "Chain.h"

#include "NumberText.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::string Outcome(double (*reader)(std::string_view), std::string_view text) {
    try {
        return std::to_string(std::bit_cast<std::uint64_t>(reader(text)));
    } catch (const Code::ConversionError &e) {
        return e.what();
    }
}

double Strict(std::string_view text) { return Code::ParseReal(text); }

std::string Rounded(double (*round)(double), double value) {
    try {
        return std::to_string(std::bit_cast<std::uint64_t>(round(value)));
    } catch (const Code::ConversionError &e) {
        return e.what();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
    if (size == 0)
        return 0;
    const AngleAxis axis =
        data[0] & 1 ? AngleAxis::Longitude : AngleAxis::Latitude;
    const std::string_view text(reinterpret_cast<const char *>(data + 1),
                                size - 1);
    try {
        const double value = ReadAngle(text, axis);
        if (!std::isfinite(value))
            std::abort();
    } catch (const InputError &) {
    } catch (const Code::ConversionError &) {
    }
    if (Outcome(ReadReal, text) != Outcome(Strict, text))
        std::abort();
    if (size >= 1 + sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data + 1, sizeof value);
        if (std::isfinite(value) &&
            Rounded(ThroughTextOfInput, value) != Rounded(ThroughText, value))
            std::abort();
    }
    return 0;
}
