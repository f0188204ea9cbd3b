// Options of a batch run: checks, catalogue names, user definitions and the
// catalogue listing.
#include "Options.h"

#include "AngleText.h"
#include "CatalogueEntries.h"
#include "Code.h"
#include "NumberText.h"
#include "TextParts.h"
#include "Utm.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace {

/// Finds a row of @p rows (a whole table, position = index) by index, full
/// text, code or name; @p what names the table.
template <typename Entry>
std::int32_t Resolve(std::string_view text, const std::vector<Entry> &rows,
                     const char *what, const SetupFault &where) {
    const auto count = static_cast<std::int32_t>(rows.size());
    const auto refuse = [&where](std::string reason) {
        SetupFault fault = where;
        fault.reason = std::move(reason);
        return UsageError(fault);
    };
    const std::string_view key = TrimBlanks(text);
    if (key.empty())
        throw refuse(std::string("empty ") + what);
    if (key.find_first_not_of("0123456789") == std::string_view::npos) {
        if (key.size() <= 3) {
            const int index = std::stoi(std::string(key));
            if (index < count)
                return index;
        }
        throw refuse(std::string(what) + " index " + std::string(key) +
                     " is outside 0 to " + std::to_string(count - 1));
    }
    // The full text first (exact, then ignoring case), then codes, then
    // names without their code.
    const std::string lower = LowerAscii(key);
    for (int pass = 0; pass < 4; ++pass) {
        std::vector<std::int32_t> found;
        for (std::int32_t i = 0; i < count; ++i) {
            const Entry &row = rows[static_cast<std::size_t>(i)];
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
                message.append(rows[static_cast<std::size_t>(i)].text);
                message.append("\"");
            }
            throw refuse(message);
        }
    }
    SetupFault fault = where;
    fault.reason.assign("unknown ").append(what).append(" '").append(key);
    fault.reason.append("'");
    fault.advice = std::string_view(what) == "datum" ? FaultAdvice::ListDatums
                                                     : FaultAdvice::ListEllipsoids;
    throw UnknownSystemError(fault);
}

/// A number of a user row: @p what names it for the reason.
double RowReal(std::string_view text, FaultField field, const char *what) {
    try {
        return Code::ParseReal(TrimBlanks(text), '.');
    } catch (const Code::ConversionError &e) {
        throw UsageError(
            {FaultSide::None, field, std::string(what) + ": " + e.what()});
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
                                              FaultField field,
                                              const char *form) {
    std::vector<std::string_view> parts = SplitCommas(text);
    if (parts.size() < numbers + 1)
        throw UsageError(
            {FaultSide::None, field, std::string("expected ") + form});
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

} // namespace

namespace {

std::int32_t ResolveDatumOf(std::string_view text, const COORD &catalogue,
                            const SetupFault &where) {
    if (LowerAscii(TrimBlanks(text)) == "wgs84")
        return DATUM_WGS84;
    return Resolve(text, ReadDatumEntries(catalogue), "datum", where);
}

std::int32_t ResolveEllipsoidOf(std::string_view text, const COORD &catalogue,
                                const SetupFault &where) {
    return Resolve(text, ReadEllipsoidEntries(catalogue), "ellipsoid", where);
}

} // namespace

std::int32_t ResolveDatum(std::string_view text, const COORD &catalogue) {
    return ResolveDatumOf(text, catalogue, {});
}

std::int32_t ResolveEllipsoid(std::string_view text, const COORD &catalogue) {
    return ResolveEllipsoidOf(text, catalogue, {});
}

ConversionSide ParseSide(std::string_view text, const COORD &catalogue,
                         FaultSide which) {
    static constexpr GridKind KINDS[] = {GridKind::Geographic, GridKind::Utm,
                                         GridKind::Tm, GridKind::G7,
                                         GridKind::Ecef};
    const SetupFault where{which, FaultField::System, {}, FaultAdvice::None};

    // A system that PROJ knows: "EPSG:5174", or a code alone, which no
    // catalogue index reaches (they end at 133).
    if (LooksLikeProjDefinition(text)) {
        try {
            const ProjCrs crs(text);
            return ConversionSide::OnSystem(crs.Facts().definition);
        } catch (const ProjDatabaseError &) {
            throw; // PROJ's own fault, not the definition's
        } catch (const UnknownCrsError &e) {
            throw UnknownSystemError(
                {which, FaultField::System, e.what(), FaultAdvice::ListSystems});
        } catch (const ProjError &e) {
            throw UsageError({which, FaultField::System, e.what()});
        }
    }

    CatalogueSide side;
    std::string_view datum = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string kind = LowerAscii(TrimBlanks(text.substr(colon + 1)));
        bool known = false;
        for (const GridKind k : KINDS)
            if (kind == GridKindName(k)) {
                side.kind = k;
                known = true;
            }
        if (!known)
            throw UsageError({which, FaultField::System,
                              "unknown grid kind '" +
                                  std::string(text.substr(colon + 1)) +
                                  "' (geo, utm, tm, g7 or ecef)"});
        datum = text.substr(0, colon);
    }
    side.datum = ResolveDatumOf(datum, catalogue, where);
    return side;
}

UserEllipsoid ParseUserEllipsoid(std::string_view text) {
    constexpr FaultField FIELD = FaultField::UserEllipsoid;
    const auto parts = SplitDefinition(text, 2, FIELD, "NAME,a,invf");
    UserEllipsoid ellipsoid;
    ellipsoid.name = std::string(parts[0]);
    ellipsoid.a = RowReal(parts[1], FIELD, "a");
    ellipsoid.invf = RowReal(parts[2], FIELD, "invf");
    return ellipsoid;
}

UserDatum ParseUserDatum(std::string_view text, const COORD &catalogue) {
    constexpr FaultField FIELD = FaultField::UserDatum;
    const auto parts =
        SplitDefinition(text, 4, FIELD, "NAME,ellipsoid,dx,dy,dz");
    UserDatum datum;
    datum.name = std::string(parts[0]);
    datum.ellipsoid = ResolveEllipsoidOf(parts[1], catalogue,
                                         {FaultSide::None, FIELD, {}, {}});
    datum.dx = RowReal(parts[2], FIELD, "dx");
    datum.dy = RowReal(parts[3], FIELD, "dy");
    datum.dz = RowReal(parts[4], FIELD, "dz");
    return datum;
}

COORD CatalogueWith(const std::optional<UserEllipsoid> &ellipsoid,
                    const std::optional<UserDatum> &datum) {
    COORD catalogue(DATUM_WGS84);
    if (ellipsoid)
        catalogue.SetUserEllipsoid(ellipsoid->name.c_str(), ellipsoid->a,
                                   ellipsoid->invf);
    if (datum)
        catalogue.SetUserDatum(datum->name.c_str(), datum->ellipsoid,
                               datum->dx, datum->dy, datum->dz);
    return catalogue;
}

std::string ListCatalogue(Listing what, const COORD &catalogue) {
    const std::vector<EllipsoidEntry> ellipsoids =
        ReadEllipsoidEntries(catalogue);
    std::string out;
    if (what == Listing::Ellipsoids) {
        out = "index\tcode\tname\ta\tinvf\n";
        for (std::size_t i = 0; i < ellipsoids.size(); ++i) {
            const EllipsoidEntry &row = ellipsoids[i];
            out += std::to_string(i) + "\t" + row.code + "\t" + row.name +
                   "\t" + WrittenReal(row.a) + "\t" + WrittenReal(row.invf) +
                   "\n";
        }
        return out;
    }
    out = "index\tcode\tname\tellipsoid\ta\tinvf\tdx\tdy\tdz\n";
    const std::vector<DatumEntry> datums = ReadDatumEntries(catalogue);
    // A user datum's ellipsoid index outside the table reads as the engine
    // gives it: no name and no numbers.
    const EllipsoidEntry none;
    for (std::size_t i = 0; i < datums.size(); ++i) {
        const DatumEntry &row = datums[i];
        const EllipsoidEntry &ellipsoid =
            row.ellipsoid >= 0 && row.ellipsoid < ELLIPSOID_COUNT
                ? ellipsoids[static_cast<std::size_t>(row.ellipsoid)]
                : none;
        out += std::to_string(i) + "\t" + row.code + "\t" + row.name + "\t" +
               ellipsoid.text + "\t" + WrittenReal(ellipsoid.a) + "\t" +
               WrittenReal(ellipsoid.invf) + "\t" + WrittenReal(row.dx) + "\t" +
               WrittenReal(row.dy) + "\t" + WrittenReal(row.dz) + "\n";
    }
    return out;
}

bool IsGeoJsonTarget(const ConversionSide &to) {
    if (const CatalogueSide *catalogue = to.Catalogue())
        return catalogue->kind == GridKind::Geographic &&
               catalogue->datum == DATUM_WGS84;
    // RFC 7946: WGS 84 longitude and latitude (and an ellipsoidal height).
    static const char *const WGS84[] = {"EPSG:4326", "EPSG:4979", "OGC:CRS84",
                                        "OGC:CRS84h"};
    return std::find(std::begin(WGS84), std::end(WGS84),
                     to.System()->definition) != std::end(WGS84);
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

std::string ColumnsReason(const ColumnsFault &fault) {
    switch (fault.kind) {
    case ColumnsFault::ColumnTwice:
        return "column " + std::to_string(fault.column) +
               " is given for two values";
    case ColumnsFault::SameValueTwice:
        return "the heading names " + QuoteInput(fault.names[0]) + " and " +
               QuoteInput(fault.names[1]) + " for the same value";
    case ColumnsFault::EitherAxis:
        return "the heading names x or y, which could be either axis (EPSG "
               "calls the northing X in the Korean and Japanese grids): give "
               "the columns of " +
               fault.what;
    case ColumnsFault::OtherKind:
        return "the heading names " + fault.misfitWhat + ", but " + fault.side +
               " takes " + fault.what + " (it has " + SeenText(fault.seen) +
               ")";
    case ColumnsFault::OnlyOne:
        return "the heading names only one of " + fault.what;
    case ColumnsFault::NoSuchName:
        return "the heading has no column " + QuoteInput(fault.names[0]);
    case ColumnsFault::NameTwice:
        return "the heading names " + QuoteInput(fault.names[0]) +
               " twice (give its column number)";
    case ColumnsFault::NoneNamed:
        return "the heading names none of " + fault.what + ": it has " +
               SeenText(fault.seen);
    case ColumnsFault::OtherHeight:
        return "the heading's " + QuoteInput(fault.names[0]) + " is " +
               fault.misfitWhat + ", but " + fault.side + " takes " +
               fault.height;
    case ColumnsFault::MissingHeight:
        return fault.side + " needs " + fault.height +
               " for each point, and no column gives it" +
               (fault.seen.empty() ? std::string()
                                   : ": the heading has " + SeenText(fault.seen));
    }
    return {};
}

std::string SeenText(const std::vector<std::string> &seen) {
    constexpr std::size_t SHOWN = 12;
    std::string text;
    for (std::size_t i = 0; i < seen.size() && i < SHOWN; ++i)
        text += (i == 0 ? "" : ", ") + QuoteInput(seen[i]);
    if (seen.size() > SHOWN)
        text += ", ... (" + std::to_string(seen.size()) + " columns)";
    if (seen.empty())
        text = "no names";
    return text;
}

ReferenceForm ReferenceFormNamed(std::string_view name) {
    const std::string lower = LowerAscii(name);
    if (lower == "mgrs")
        return ReferenceForm::Mgrs;
    if (lower == "ups")
        return ReferenceForm::Ups;
    if (lower == "geohash")
        return ReferenceForm::Geohash;
    return ReferenceForm::None;
}

const char *ReferenceFormName(ReferenceForm form) {
    switch (form) {
    case ReferenceForm::Mgrs:
        return "mgrs";
    case ReferenceForm::Ups:
        return "ups";
    case ReferenceForm::Geohash:
        return "geohash";
    case ReferenceForm::None:
        break;
    }
    return "";
}

void CheckOptions(const BatchOptions &options) {
    const Conversion &conversion = options.conversion;
    CheckConversion(conversion);
    const std::size_t columns =
        std::max(options.columns.size(), options.columnNames.size());
    // A reference read is one column, a height maybe a second.
    const bool reference = options.sourceForm != ReferenceForm::None;
    if (options.sourceForm == ReferenceForm::Ups)
        throw OptionsError(OptionsCheck::ReadsNoUps,
                           "UPS coordinates are written, not read");
    if (reference && columns > 2)
        throw OptionsError(OptionsCheck::ReferenceColumnsCount,
                           "a reference is read from one column, with a "
                           "height's column maybe");
    if (!reference && (columns == 1 || columns > 3))
        throw OptionsError(OptionsCheck::ColumnsCount,
                           "two or three columns are read");
    if (!options.columnNames.empty() && !options.header)
        throw OptionsError(OptionsCheck::ColumnNamesNeedHeading,
                           "columns are named only where a heading names them");
    for (std::size_t i = 0; i < options.columns.size(); ++i) {
        const bool named =
            i < options.columnNames.size() && !options.columnNames[i].empty();
        if (named)
            continue;
        if (options.columns[i] < 0)
            throw OptionsError(OptionsCheck::ColumnsFromOne,
                               "columns are counted from 1");
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
    if (options.height && columns == (reference ? 2u : 3u))
        throw OptionsError(OptionsCheck::HeightTwice,
                           "a height is given, and a third column as well");
    if (options.height && !options.height->column.empty() && !options.header)
        throw OptionsError(OptionsCheck::HeightNameNeedsHeading,
                           "a height column is named only where a heading "
                           "names it");
    if (options.precision < -1 || options.precision > 17)
        throw OptionsError(OptionsCheck::Precision,
                           "fixed decimals are 0 to 17");
    if (options.angleFormat != AngleFormat::Dd &&
        conversion.to.Kind() != GridKind::Geographic)
        throw OptionsError(OptionsCheck::AngleFormatNeedsGeographic,
                           "degrees and minutes need a geographic target");
    if (options.targetForm != ReferenceForm::None &&
        options.angleFormat != AngleFormat::Dd)
        throw OptionsError(OptionsCheck::ReferenceTakesNoAngles,
                           "a reference is written without degrees and "
                           "minutes");
    if (options.mgrsDigits < MGRS_DIGITS_MIN ||
        options.mgrsDigits > MGRS_DIGITS_MAX)
        throw OptionsError(OptionsCheck::MgrsDigits,
                           "an MGRS reference has 0 to 11 digits a coordinate");
    if (options.geohashLength < GEOHASH_LENGTH_MIN ||
        options.geohashLength > GEOHASH_LENGTH_MAX)
        throw OptionsError(OptionsCheck::GeohashLength,
                           "a geohash has 1 to 18 characters");
    if (options.outputFormat == OutputFormat::GeoJson) {
        if (options.targetForm != ReferenceForm::None)
            throw OptionsError(OptionsCheck::GeoJsonTakesNoReference,
                               "GeoJSON holds coordinates, not references");
        if (!IsGeoJsonTarget(conversion.to))
            throw OptionsError(OptionsCheck::GeoJsonNeedsWgs84,
                               "GeoJSON needs a geographic WGS 84 target");
        if (options.angleFormat != AngleFormat::Dd)
            throw OptionsError(OptionsCheck::GeoJsonWritesDegrees,
                               "GeoJSON holds decimal degrees");
    }
    if (options.threads < 1)
        throw OptionsError(OptionsCheck::Threads, "one thread at least");
}
