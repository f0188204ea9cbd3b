// Fuzz target: the angle, number and point readers and the quoting of
// input in messages. Any input must be read or refused with InputError,
// never crash; an angle read lies in its range; a number read is the value
// the DD field reads from the same text; a point read is in range and its
// letters decide its coordinates whatever the order option; a quoted text
// holds no control byte and stays short.
#include "AngleText.h"
#include "ReadAngle.h"
#include "LineReader.h"
#include "PointText.h"

#include "NumberText.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void CheckQuote(std::string_view text) {
    const std::string quoted = QuoteInput(text);
    // Four bytes per input byte at most, the cut included.
    if (quoted.size() > 4 * QUOTE_MAX + 5)
        std::abort();
    for (char c : quoted) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            std::abort();
    }
}

void CheckPoint(std::string_view text) {
    GeoPoint a, b;
    bool readA = false, readB = false;
    try {
        a = ReadGeoPoint(text, false);
        readA = true;
    } catch (const InputError &e) {
        CheckQuote(e.what());
    }
    try {
        b = ReadGeoPoint(text, true);
        readB = true;
    } catch (const InputError &) {
    }
    for (const GeoPoint *p : {readA ? &a : nullptr, readB ? &b : nullptr}) {
        if (p == nullptr)
            continue;
        if (!(p->latitude >= -90 && p->latitude <= 90) ||
            !(p->longitude >= -180 && p->longitude < 360))
            std::abort();
        if (p->height && !std::isfinite(*p->height))
            std::abort();
    }
    // Without letters the order option only swaps the two angles.
    bool letters = false;
    for (char c : text)
        letters = letters || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (readA && readB && !letters &&
        (std::bit_cast<std::uint64_t>(a.latitude) !=
             std::bit_cast<std::uint64_t>(b.longitude) ||
         std::bit_cast<std::uint64_t>(a.longitude) !=
             std::bit_cast<std::uint64_t>(b.latitude)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data + 1),
                                size - 1);
    switch (data[0] % 4) {
    case 0:
    case 1: {
        const AngleAxis axis =
            data[0] % 4 ? AngleAxis::Longitude : AngleAxis::Latitude;
        try {
            const double value = ReadAngle(text, axis);
            if (axis == AngleAxis::Latitude ? !(value >= -90 && value <= 90)
                                            : !(value >= -180 && value < 360))
                std::abort();
        } catch (const InputError &e) {
            CheckQuote(std::string_view(e.what()).substr(0, 2 * QUOTE_MAX));
        }
        break;
    }
    case 2: {
        // A number read is what the DD field reads from the same text.
        double value = 0;
        bool read = true;
        try {
            value = ReadNumber(text, "value");
        } catch (const InputError &) {
            read = false;
        }
        if (read) {
            double reference = 0;
            try {
                // Blanks around a field are spaces or tabs; the DD field
                // itself trims spaces only.
                reference = Code::ParseReal(TrimBlanks(text));
            } catch (const Code::ConversionError &) {
                std::abort(); // read here, refused by the DD field
            }
            if (std::bit_cast<std::uint64_t>(value) !=
                std::bit_cast<std::uint64_t>(reference))
                std::abort();
        }
        CheckQuote(text);
        break;
    }
    default:
        CheckPoint(text);
        break;
    }
    return 0;
}
