// Options of a batch run: checks, catalogue names, user definitions and the
// catalogue listing.
#include "Options.h"

#include "AngleText.h"
#include "Code.h"
#include "NumberText.h"
#include "TextParts.h"
#include "Utm.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace {

/// A catalogue row's text, code and name part.
struct RowText {
    std::string text, name, code;
};

RowText DatumRow(const COORD &catalogue, std::int32_t index) {
    char buffer[80];
    std::int32_t ellipsoid = 0;
    double dx = 0, dy = 0, dz = 0;
    catalogue.GetDatumInfo(index, buffer, sizeof buffer, ellipsoid, dx, dy, dz);
    RowText row;
    row.text = buffer;
    Code::SplitNameAndCode(row.text, row.name, row.code);
    return row;
}

RowText EllipsoidRow(const COORD &catalogue, std::int32_t index) {
    char buffer[80];
    double a = 0, invf = 0;
    catalogue.GetEllipsoid(index, buffer, sizeof buffer, a, invf);
    RowText row;
    row.text = buffer;
    Code::SplitNameAndCode(row.text, row.name, row.code);
    return row;
}

/// Finds a row by index, full text, code or name; @p what names the table.
template <typename RowOf>
std::int32_t Resolve(std::string_view text, std::int32_t count, RowOf rowOf,
                     const char *what) {
    const std::string_view key = TrimBlanks(text);
    if (key.empty())
        throw UsageError(std::string("empty ") + what);
    if (key.find_first_not_of("0123456789") == std::string_view::npos) {
        if (key.size() <= 3) {
            const int index = std::stoi(std::string(key));
            if (index < count)
                return index;
        }
        throw UsageError(std::string(what) + " index " + std::string(key) +
                         " is outside 0 to " + std::to_string(count - 1));
    }
    // The full text first (exact, then ignoring case), then codes, then
    // names without their code.
    const std::string lower = LowerAscii(key);
    for (int pass = 0; pass < 4; ++pass) {
        std::vector<std::int32_t> found;
        for (std::int32_t i = 0; i < count; ++i) {
            const RowText row = rowOf(i);
            const bool match =
                pass == 0   ? row.text == key
                : pass == 1 ? LowerAscii(row.text) == lower
                : pass == 2 ? !row.code.empty() && LowerAscii(row.code) == lower
                            : LowerAscii(row.name) == lower;
            if (match)
                found.push_back(i);
        }
        if (found.size() == 1)
            return found.front();
        if (found.size() > 1) {
            // Appended piece by piece: GCC 12 at -O3 warns falsely about
            // "literal" + std::string chains (-Wrestrict).
            std::string message(1, '\'');
            message.append(key).append("' names ");
            message.append(std::to_string(found.size())).append(" ");
            message.append(what).append("s:");
            for (std::int32_t i : found) {
                message.append(" ").append(std::to_string(i)).append(" \"");
                message.append(rowOf(i).text).append("\"");
            }
            throw UsageError(message);
        }
    }
    std::string message("unknown ");
    message.append(what).append(" '").append(key).append("' (see --list ");
    message.append(what).append("s)");
    throw UnknownSystemError(message);
}

double OptionReal(std::string_view text, const char *what) {
    try {
        return Code::ParseReal(TrimBlanks(text), '.');
    } catch (const Code::ConversionError &e) {
        throw UsageError(std::string(what) + ": " + e.what());
    }
}

/// Splits "a,b,c" into its comma-separated parts.
std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos
                                               ? std::string_view::npos
                                               : comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
}

/// Name and the last @p numbers comma-separated parts; the name may hold
/// commas itself.
std::vector<std::string_view> SplitDefinition(std::string_view text,
                                              std::size_t numbers,
                                              const char *what,
                                              const char *form) {
    std::vector<std::string_view> parts = SplitCommas(text);
    if (parts.size() < numbers + 1)
        throw UsageError(std::string(what) + ": expected " + form);
    std::vector<std::string_view> out;
    const std::size_t nameParts = parts.size() - numbers;
    const std::size_t nameEnd =
        static_cast<std::size_t>(parts[nameParts - 1].data() +
                                 parts[nameParts - 1].size() - text.data());
    out.push_back(text.substr(0, nameEnd));
    for (std::size_t i = nameParts; i < parts.size(); ++i)
        out.push_back(parts[i]);
    return out;
}

/// The option's name of a grid setting: "false easting" -> "false-easting",
/// "origin longitude" -> "origin-lon".
std::string OptionName(std::string_view what) {
    if (what == "origin latitude")
        return "origin-lat";
    if (what == "origin longitude")
        return "origin-lon";
    if (what == "longitude delta")
        return "delta-lon";
    std::string name(what);
    std::replace(name.begin(), name.end(), ' ', '-');
    return name;
}

} // namespace

std::int32_t ResolveDatum(std::string_view text, const COORD &catalogue) {
    if (LowerAscii(TrimBlanks(text)) == "wgs84")
        return DATUM_WGS84;
    return Resolve(
        text, DATUM_COUNT,
        [&](std::int32_t i) { return DatumRow(catalogue, i); }, "datum");
}

std::int32_t ResolveEllipsoid(std::string_view text, const COORD &catalogue) {
    return Resolve(
        text, ELLIPSOID_COUNT,
        [&](std::int32_t i) { return EllipsoidRow(catalogue, i); },
        "ellipsoid");
}

void ParseSide(std::string_view text, const COORD &catalogue,
               SideSettings &side) {
    static constexpr struct {
        std::string_view name;
        int kind;
    } KINDS[] = {{"geo", KIND_GEO},
                 {"utm", CS_UTM},
                 {"tm", CS_TM},
                 {"g7", CS_G7},
                 {"ecef", CS_ECEF}};
    std::string_view datum = text;
    side.kind = KIND_GEO;
    side.crs.clear();

    // A system that PROJ knows: "EPSG:5174", or a code alone, which no
    // catalogue index reaches (they end at 133).
    if (LooksLikeProjDefinition(text)) {
        try {
            const ProjCrs crs(text);
            const CrsFacts &facts = crs.Facts();
            side.crs = facts.definition;
            // The system has its own kind: its values are angles, or its
            // grid's (a projection's or ECEF).
            side.kind = facts.Angular()                          ? KIND_GEO
                        : facts.horizontal == CrsKind::Geocentric ? CS_ECEF
                                                                  : CS_TM;
        } catch (const ProjDatabaseError &) {
            throw; // PROJ's own fault, not the definition's
        } catch (const UnknownCrsError &e) {
            throw UnknownSystemError(
                std::string(e.what()) +
                " (see --list crs; a catalogue datum is an index 0 to 133 or "
                "a name, see --list datums)");
        } catch (const ProjError &e) {
            throw UsageError(e.what());
        }
        return;
    }

    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string kind = LowerAscii(TrimBlanks(text.substr(colon + 1)));
        bool known = false;
        for (const auto &k : KINDS)
            if (k.name == kind) {
                side.kind = k.kind;
                known = true;
            }
        if (!known)
            throw UsageError("unknown grid kind '" +
                             std::string(text.substr(colon + 1)) +
                             "' (geo, utm, tm, g7 or ecef)");
        datum = text.substr(0, colon);
    }
    side.datum = ResolveDatum(datum, catalogue);
}

UserEllipsoid ParseUserEllipsoid(std::string_view text) {
    const auto parts =
        SplitDefinition(text, 2, "--user-ellipsoid", "NAME,a,invf");
    UserEllipsoid ellipsoid;
    ellipsoid.name = std::string(parts[0]);
    ellipsoid.a = OptionReal(parts[1], "--user-ellipsoid a");
    ellipsoid.invf = OptionReal(parts[2], "--user-ellipsoid invf");
    return ellipsoid;
}

UserDatum ParseUserDatum(std::string_view text, const COORD &catalogue) {
    const auto parts =
        SplitDefinition(text, 4, "--user-datum", "NAME,ellipsoid,dx,dy,dz");
    UserDatum datum;
    datum.name = std::string(parts[0]);
    datum.ellipsoid = ResolveEllipsoid(parts[1], catalogue);
    datum.dx = OptionReal(parts[2], "--user-datum dx");
    datum.dy = OptionReal(parts[3], "--user-datum dy");
    datum.dz = OptionReal(parts[4], "--user-datum dz");
    return datum;
}

std::string ListCatalogue(std::string_view what, const COORD &catalogue) {
    if (what == "crs" || what.rfind("crs ", 0) == 0)
        return ListCrs(what.size() > 3 ? what.substr(4) : std::string_view());
    std::string out;
    if (what == "ellipsoids") {
        out = "index\tcode\tname\ta\tinvf\n";
        for (std::int32_t i = 0; i < ELLIPSOID_COUNT; ++i) {
            char buffer[80];
            double a = 0, invf = 0;
            catalogue.GetEllipsoid(i, buffer, sizeof buffer, a, invf);
            const RowText row = EllipsoidRow(catalogue, i);
            out += std::to_string(i) + "\t" + row.code + "\t" + row.name +
                   "\t" + WrittenReal(a) + "\t" + WrittenReal(invf) + "\n";
        }
        return out;
    }
    if (what != "datums")
        throw UsageError("--list takes datums or ellipsoids");
    out = "index\tcode\tname\tellipsoid\ta\tinvf\tdx\tdy\tdz\n";
    for (std::int32_t i = 0; i < DATUM_COUNT; ++i) {
        char buffer[80];
        std::int32_t e = 0;
        double dx = 0, dy = 0, dz = 0, a = 0, invf = 0;
        catalogue.GetDatumInfo(i, buffer, sizeof buffer, e, dx, dy, dz);
        char ellipsoidName[80] = "";
        catalogue.GetEllipsoid(e, ellipsoidName, sizeof ellipsoidName, a, invf);
        const RowText row = DatumRow(catalogue, i);
        out += std::to_string(i) + "\t" + row.code + "\t" + row.name + "\t" +
               ellipsoidName + "\t" + WrittenReal(a) + "\t" + WrittenReal(invf) + "\t" +
               WrittenReal(dx) + "\t" + WrittenReal(dy) + "\t" + WrittenReal(dz) + "\n";
    }
    return out;
}

bool IsGeoJsonTarget(const SideSettings &to) {
    if (to.kind != KIND_GEO)
        return false;
    if (to.crs.empty())
        return to.datum == DATUM_WGS84;
    // RFC 7946: WGS 84 longitude and latitude (and an ellipsoidal height).
    static const char *const WGS84[] = {"EPSG:4326", "EPSG:4979", "OGC:CRS84",
                                        "OGC:CRS84h"};
    return std::find(std::begin(WGS84), std::end(WGS84), to.crs) !=
           std::end(WGS84);
}

bool ParseUtmZone(std::string_view text, int &zone, char &hemisphere) {
    hemisphere = 0;
    if (!text.empty() && std::strchr("NnSs", text.back()) != nullptr) {
        hemisphere = text.back() == 'S' || text.back() == 's' ? 'S' : 'N';
        text.remove_suffix(1);
    }
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), zone);
    return ec == std::errc() && end == text.data() + text.size() &&
           zone >= 1 && zone <= 60;
}

void SetUtmZone(GridSettings &grid, int zone, char hemisphere) {
    grid.originLon = WrittenReal(Utm::CentralMeridian(zone));
    if (hemisphere != 0)
        grid.falseNorthing =
            WrittenReal(hemisphere == 'S' ? Utm::SOUTH_FALSE_NORTHING : 0.0);
}

std::string WrittenReal(double value) { return Code::FormatReal(value, '.'); }

std::string ColumnsText(const ColumnsFault &fault) {
    switch (fault.kind) {
    case ColumnsFault::ColumnTwice:
        return "--columns names column " + std::to_string(fault.column) +
               " twice";
    case ColumnsFault::SameValueTwice:
        return "the heading names " + QuoteInput(fault.names[0]) + " and " +
               QuoteInput(fault.names[1]) +
               " for the same value: give the columns with --columns";
    case ColumnsFault::EitherAxis:
        return "the heading names x or y, which could be either axis (EPSG "
               "calls the northing X in the Korean and Japanese grids): give "
               "the columns of " +
               fault.what + " with --columns";
    case ColumnsFault::OtherKind:
        return "the heading names " + fault.misfitWhat + ", but " + fault.side +
               " takes " + fault.what +
               ": choose the system of those values with --from, or give the "
               "columns with --columns";
    case ColumnsFault::OnlyOne:
        return "the heading names only one of " + fault.what +
               ": give the columns with --columns";
    case ColumnsFault::NoSuchName:
        return "the heading has no column " + QuoteInput(fault.names[0]);
    case ColumnsFault::NameTwice:
        return "the heading names " + QuoteInput(fault.names[0]) +
               " twice (give its column number)";
    }
    return {};
}

void CheckOptions(const BatchOptions &options) {
    const ChainSettings &chain = options.chain;
    for (const SideSettings *side : {&chain.from, &chain.to}) {
        const char *name = side == &chain.from ? "from" : "to";
        const GridSettings &grid = side->grid;
        if (!side->crs.empty()) {
            // A PROJ system's grid is its own definition.
            const struct {
                const std::optional<std::string> &field;
                const char *what;
            } own[] = {{grid.falseEasting, "false easting"},
                       {grid.falseNorthing, "false northing"},
                       {grid.originLat, "origin latitude"},
                       {grid.originLon, "origin longitude"},
                       {grid.deltaLon, "longitude delta"}};
            for (const auto &item : own)
                if (item.field)
                    throw UsageError(side->crs + " fixes its own " + item.what +
                                     "; leave out --" + name + "-" +
                                     OptionName(item.what));
        }
        if (grid.Any() && !IsGridKind(side->kind))
            throw UsageError(std::string("grid settings for the --") + name +
                             " side need its kind utm, tm or g7");
        const std::optional<std::string> *fields[] = {
            &grid.falseEasting, &grid.falseNorthing, &grid.originLat,
            &grid.originLon, &grid.deltaLon};
        for (const auto *field : fields)
            if (*field)
                OptionReal(
                    **field,
                    (std::string("--") + name + " grid setting").c_str());
    }
    const std::size_t columns =
        std::max(options.columns.size(), options.columnNames.size());
    if (columns == 1 || columns > 3)
        throw UsageError("--columns takes two or three column numbers");
    if (!options.columnNames.empty() && !options.header)
        throw UsageError("--columns takes names only with --header");
    for (std::size_t i = 0; i < options.columns.size(); ++i) {
        const bool named =
            i < options.columnNames.size() && !options.columnNames[i].empty();
        if (named)
            continue;
        if (options.columns[i] < 0)
            throw UsageError("--columns counts from 1");
        for (std::size_t j = 0; j < i; ++j)
            if (options.columns[i] == options.columns[j] &&
                !(j < options.columnNames.size() &&
                  !options.columnNames[j].empty())) {
                ColumnsFault fault;
                fault.kind = ColumnsFault::ColumnTwice;
                fault.column = options.columns[i] + 1;
                throw ColumnsUsageError(fault);
            }
    }
    if (options.precision < -1 || options.precision > 17)
        throw UsageError("--precision takes 0 to 17 decimals");
    if (options.angleFormat != AngleFormat::Dd && chain.to.kind != KIND_GEO)
        throw UsageError("--format dm and dms need a geographic target");
    if (options.outputFormat == OutputFormat::GeoJson) {
        if (!IsGeoJsonTarget(chain.to))
            throw UsageError("--output-format geojson needs a geographic "
                             "WGS 84 target (--to WGS84)");
        if (options.angleFormat != AngleFormat::Dd)
            throw UsageError("--output-format geojson writes decimal degrees; "
                             "leave out --format");
    }
    if (options.threads < 1)
        throw UsageError("--threads takes 1 or more");
}
