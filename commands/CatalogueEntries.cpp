// Catalogue rows read from an engine through its name-buffer operations.
#include "CatalogueEntries.h"

#include "Code.h"

#include <cstddef>

namespace {

// The buffer handed to the engine. Every record is shorter, so the engine's
// zero fill always ends the text inside it.
constexpr unsigned NAME_BUFFER_SIZE = 80;
static_assert(NAME_BUFFER_SIZE > ELLIPSOID_NAME_SIZE &&
              NAME_BUFFER_SIZE > DATUM_NAME_SIZE);

void SetText(const char *buffer, std::string &text, std::string &name,
             std::string &code) {
    text = buffer;
    Code::SplitNameAndCode(text, name, code);
}

} // namespace

std::int32_t ReadEllipsoidEntry(const COORD &engine, std::int32_t index,
                                EllipsoidEntry &row) {
    char name[NAME_BUFFER_SIZE] = {};
    double a = 0, invf = 0;
    const std::int32_t length =
        engine.GetEllipsoid(index, name, sizeof name, a, invf);
    // The length cannot tell an empty name from a missing row: the index
    // decides whether there was a row.
    if (index >= 0 && index < ELLIPSOID_COUNT) {
        SetText(name, row.text, row.name, row.code);
        row.a = a;
        row.invf = invf;
    }
    return length;
}

std::int32_t ReadDatumEntry(const COORD &engine, std::int32_t index,
                            DatumEntry &row) {
    char name[NAME_BUFFER_SIZE] = {};
    std::int32_t ellipsoid = 0;
    double dx = 0, dy = 0, dz = 0;
    const std::int32_t length =
        engine.GetDatumInfo(index, name, sizeof name, ellipsoid, dx, dy, dz);
    if (index >= 0 && index < DATUM_COUNT) {
        SetText(name, row.text, row.name, row.code);
        row.ellipsoid = ellipsoid;
        row.dx = dx;
        row.dy = dy;
        row.dz = dz;
    }
    return length;
}

std::vector<EllipsoidEntry> ReadEllipsoidEntries(const COORD &engine) {
    std::vector<EllipsoidEntry> rows(ELLIPSOID_COUNT);
    for (std::int32_t i = 0; i < ELLIPSOID_COUNT; ++i)
        ReadEllipsoidEntry(engine, i, rows[static_cast<std::size_t>(i)]);
    return rows;
}

std::vector<DatumEntry> ReadDatumEntries(const COORD &engine) {
    std::vector<DatumEntry> rows(DATUM_COUNT);
    for (std::int32_t i = 0; i < DATUM_COUNT; ++i)
        ReadDatumEntry(engine, i, rows[static_cast<std::size_t>(i)]);
    return rows;
}
