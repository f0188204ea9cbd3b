// Fuzz target: the readers of MGRS references and geohashes, the grouping of
// a reference spread over fields, and the writers on any point. Any text must
// be read or refused with InputError, never crash, and a refusal's message
// holds no control byte and stays short; a point read lies on the earth; a
// geohash read is the centre of its cell, whose geohash is the text again;
// an MGRS reference read is the centre of its square, which has an MGRS
// reference of its own; the fields of a line are each in one value, in
// order; a written reference reads back.
#include "GridReferences.h"

#include "AngleText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void CheckMessage(const InputError &e) {
    const std::string_view message = e.what();
    // the quoted input cut to QUOTE_MAX, GeographicLib's reason after it
    if (message.size() > 6 * QUOTE_MAX + 200)
        std::abort();
    for (const char c : message) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            std::abort();
    }
}

void CheckOnEarth(const ReferencePoint &p) {
    if (!(p.latitude >= -90 && p.latitude <= 90) ||
        !(p.longitude >= -180 && p.longitude <= 180))
        std::abort();
}

std::string Compact(std::string_view text, bool lower) {
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\t')
            out +=
                lower && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return out;
}

void ReadMgrsText(std::string_view text) {
    ReferencePoint p;
    try {
        p = ReadMgrs(text);
    } catch (const InputError &e) {
        CheckMessage(e);
        return;
    }
    CheckOnEarth(p);
    if (p.precision < MGRS_DIGITS_MIN || p.precision > MGRS_DIGITS_MAX)
        std::abort();
    std::string again;
    WriteMgrs(p.latitude, p.longitude, p.precision, again);
    if (again.empty())
        std::abort();
}

void ReadGeohashText(std::string_view text) {
    ReferencePoint p;
    try {
        p = ReadGeohash(text);
    } catch (const InputError &e) {
        CheckMessage(e);
        return;
    }
    CheckOnEarth(p);
    std::string again;
    WriteGeohash(p.latitude, p.longitude, p.precision, again);
    if (again != Compact(text, true))
        std::abort();
}

void GroupFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t blank = text.find(' ', at);
        const std::size_t end =
            blank == std::string_view::npos ? text.size() : blank;
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    std::vector<FieldSpan> values;
    GroupMgrsFields(fields, 0, values);
    std::uint32_t next = 0;
    for (const FieldSpan &span : values) {
        if (span.first != next || span.last < span.first)
            std::abort();
        next = span.last + 1;
        ReadMgrsText(text.substr(
            static_cast<std::size_t>(fields[span.first].data() - text.data()),
            static_cast<std::size_t>(fields[span.last].data() +
                                     fields[span.last].size() -
                                     fields[span.first].data())));
    }
    if (next != fields.size())
        std::abort();
}

void WriteAndRead(const std::uint8_t *data, std::size_t size) {
    if (size < 17)
        return;
    double lat = 0, lon = 0;
    std::memcpy(&lat, data, 8);
    std::memcpy(&lon, data + 8, 8);
    const int digits = data[16] % (MGRS_DIGITS_MAX + 1);
    const int length = 1 + data[16] % GEOHASH_LENGTH_MAX;
    std::string text;
    try {
        WriteMgrs(lat, lon, digits, text,
                  data[16] & 0x80 ? MgrsLayout::Spaced : MgrsLayout::Compact);
    } catch (const InputError &e) {
        CheckMessage(e);
        if (lat >= -90 && lat <= 90 && std::isfinite(lon))
            std::abort(); // every point on the earth has a reference
        return;
    }
    const ReferencePoint mgrs = ReadMgrs(text);
    if (mgrs.precision != digits)
        std::abort();
    WriteGeohash(lat, lon, length, text);
    const ReferencePoint hash = ReadGeohash(text);
    if (hash.precision != length ||
        std::fabs(hash.latitude - lat) > 90 / std::ldexp(1.0, 5 * length / 2))
        std::abort();
    try {
        const UpsPoint ups = ToUps(lat, lon);
        if (!std::isfinite(ups.easting) || !std::isfinite(ups.northing))
            std::abort();
    } catch (const InputError &e) {
        CheckMessage(e);
    }
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
        ReadMgrsText(text);
        break;
    case 1:
        ReadGeohashText(text);
        break;
    case 2:
        GroupFields(text);
        break;
    default:
        WriteAndRead(data + 1, size - 1);
        break;
    }
    return 0;
}
