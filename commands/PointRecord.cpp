// A point copied with what it stands on.
#include "PointRecord.h"

#include "AngleText.h"
#include "CatalogueEntries.h"
#include "TextParts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace {

constexpr std::string_view HEAD = "nolvex-point 1";
/// The line that says the text beside the record is the grid values.
constexpr std::string_view GRID_COPY = "text grid";

/// 17 significant digits: any double reads back as itself.
std::string Exact(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

/// One number of a record or of pasted grid values: a sign, digits, a
/// decimal point and an exponent as strtod reads them in the C locale, and
/// nothing else.
bool ReadNumber(std::string_view text, double &value) {
    if (text.empty() || text.size() > 40)
        return false;
    for (const char c : text)
        if (!(IsAsciiDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' ||
              c == 'E'))
            return false;
    const std::string copy(text);
    char *end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && !IsBlank(line[at]))
            ++at;
        if (at > start)
            words.push_back(line.substr(start, at - start));
    }
    return words;
}

[[noreturn]] void Unreadable() {
    throw InputError("the copied point's record is not one this program "
                     "writes");
}

PointValues Three(const std::vector<std::string_view> &words) {
    PointValues values{};
    if (words.size() != 4)
        Unreadable();
    for (std::size_t i = 0; i < 3; ++i)
        if (!ReadNumber(words[i + 1], values[i]))
            Unreadable();
    return values;
}

} // namespace

std::string WritePointRecord(const Side &side, const PointValues &geo,
                             const std::optional<PointValues> &grid,
                             bool gridCopy) {
    std::string out(HEAD);
    out += "\npoint " + Exact(geo[0]) + " " + Exact(geo[1]) + " " +
           Exact(geo[2]) + "\n";
    if (grid)
        out += "grid " + Exact((*grid)[0]) + " " + Exact((*grid)[1]) + " " +
               Exact((*grid)[2]) + "\n";
    if (gridCopy)
        out += std::string(GRID_COPY) + "\n";
    if (const ProjSide *system = side.System()) {
        out += "system " + system->Facts().definition + "\n";
        return out;
    }
    const COORD &engine = side.Engine();
    DatumEntry datum;
    ReadDatumEntry(engine, engine.GetDatum(), datum);
    // The constants the engine computes with now, which a later change of
    // the user rows does not touch.
    out += "datum " + std::to_string(engine.GetDatum()) + " " +
           Exact(engine.m_dbLocal_a) + " " + Exact(engine.m_dbLocal_f) + " " +
           Exact(engine.m_dbLocal_dx) + " " + Exact(engine.m_dbLocal_dy) + " " +
           Exact(engine.m_dbLocal_dz) + " " + datum.text + "\n";
    return out;
}

PointForSide ReadPointRecord(const Side &side, std::string_view record) {
    std::istringstream in{std::string(record)};
    std::string line;
    if (!std::getline(in, line) || line != HEAD)
        Unreadable();
    std::optional<PointValues> point;
    std::string system;
    std::string datumName;
    bool onDatum = false;
    std::int32_t index = 0;
    double a = 0, f = 0, dx = 0, dy = 0, dz = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string_view> words = Words(line);
        if (words.empty())
            continue;
        if (words[0] == "point") {
            point = Three(words);
        } else if (words[0] == "grid") {
            Three(words); // for Paste Grid; Paste Point takes the point
        } else if (words[0] == "system" && words.size() >= 2) {
            system = std::string(TrimBlanks(line.substr(line.find(' '))));
        } else if (words[0] == "datum" && words.size() >= 7) {
            double values[6];
            for (std::size_t i = 0; i < 6; ++i)
                if (!ReadNumber(words[i + 1], values[i]))
                    Unreadable();
            index = static_cast<std::int32_t>(values[0]);
            if (values[0] != index || index < 0 || index >= DATUM_COUNT)
                Unreadable();
            a = values[1];
            f = values[2];
            dx = values[3];
            dy = values[4];
            dz = values[5];
            onDatum = true;
            std::size_t at = 0;
            for (int word = 0; word < 7; ++word) {
                at = line.find_first_not_of(" \t", at);
                at = line.find_first_of(" \t", at);
            }
            datumName = at == std::string::npos
                            ? std::string()
                            : std::string(TrimBlanks(line.substr(at)));
        }
    }
    if (!point || (system.empty() == !onDatum))
        Unreadable();
    CheckCoordinate((*point)[2], "height");
    if ((*point)[0] < -90 || (*point)[0] > 90)
        Unreadable();

    // The side the point was copied from, with the record's constants.
    COORD engine(onDatum ? index : DATUM_WGS84);
    Side from(engine);
    if (!system.empty()) {
        from.SelectSystem(std::make_shared<const ProjSide>(system));
    } else if (engine.m_dbLocal_a != a || engine.m_dbLocal_f != f ||
               engine.m_dbLocal_dx != dx || engine.m_dbLocal_dy != dy ||
               engine.m_dbLocal_dz != dz) {
        // The catalogue's row has changed since the copy (a user row):
        // the copy's own constants, in the user slot of this engine alone.
        engine.SetUserEllipsoid("", a, 1 / f);
        engine.SetUserDatum("", 0, dx, dy, dz);
        engine.SetDatum(0);
    }

    PointForSide out;
    out.form = PastedForm::Text;
    out.hasHeight = true;
    out.record = true;
    out.from = !system.empty() ? from.System()->GeoFacts().Label() : datumName;
    const bool same = SameDatum(from, side) &&
                      engine.m_dbLocal_a == side.Engine().m_dbLocal_a &&
                      engine.m_dbLocal_f == side.Engine().m_dbLocal_f &&
                      engine.m_dbLocal_dx == side.Engine().m_dbLocal_dx &&
                      engine.m_dbLocal_dy == side.Engine().m_dbLocal_dy &&
                      engine.m_dbLocal_dz == side.Engine().m_dbLocal_dz;
    const bool sameSystem = side.System() && from.System() &&
                            side.System()->GeoFacts().definition ==
                                from.System()->GeoFacts().definition;
    if (same || sameSystem) {
        out.point = *point;
        return out;
    }
    out.point = Commands::Transform(from, side, *point);
    out.carried = true;
    return out;
}

bool IsGridCopy(std::string_view record) {
    std::istringstream in{std::string(record)};
    std::string line;
    if (!std::getline(in, line) || line != HEAD)
        return false;
    while (std::getline(in, line)) {
        if (TrimBlanks(line) == GRID_COPY)
            return true;
    }
    return false;
}

PointValues ReadPastedGrid(std::string_view text, int &count) {
    std::string line(TrimBlanks(text));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.find('\n') != std::string::npos)
        throw InputError("grid values are one line: x, y or x, y, z");
    // "x, y, z" or "x y z": commas become blanks, with at most one between
    // two numbers.
    std::vector<std::string_view> parts;
    std::string spaced;
    for (const char c : line)
        spaced += c == ',' ? ' ' : c;
    if (line.find(",,") != std::string::npos)
        throw InputError("an empty value between two commas");
    parts = Words(spaced);
    if (parts.size() < 2 || parts.size() > 3)
        throw InputError("grid values are two or three numbers (x, y or x, "
                         "y, z); the text holds " +
                         std::to_string(parts.size()));
    PointValues values{0, 0, 0};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!ReadNumber(parts[i], values[i]))
            throw InputError("'" + std::string(parts[i]) + "' is not a number");
        CheckCoordinate(values[i], i == 2 ? "z" : i == 0 ? "x" : "y");
    }
    count = static_cast<int>(parts.size());
    return values;
}

bool LooksLikeGridValues(std::string_view text) {
    try {
        int count = 0;
        const PointValues values = ReadPastedGrid(text, count);
        return std::fabs(values[0]) > 90 || std::fabs(values[1]) > 180;
    } catch (const InputError &) {
        return false;
    }
}
