// Reference systems and operations through PROJ.
#include "Proj.h"

#include "AngleText.h"
#include "Longitude.h"
#include "ProjLibrary.h"
#include "TextParts.h"

#include <dlfcn.h>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <type_traits>
#include <utility>

namespace {

/// PROJ's factor of its degree-to-radian unit conversion, and the factor
/// back as it computes it (its input unit's factor over the output's).
constexpr double DEGREES_TO_RADIANS = 0.017453292519943296;
const double RADIANS_TO_DEGREES = 1.0 / DEGREES_TO_RADIANS;

/// PROJ's message when proj_trans switches to another candidate; a fallback
/// outside every candidate's area adds a tail.
constexpr std::string_view SWITCH = "Using coordinate operation ";
constexpr std::string_view FALLBACK =
    " as a fallback due to lack of more appropriate operations";
/// PROJ's message when the operation it chose for a point gives no result
/// and it tries another; the message before it is the reason.
constexpr std::string_view RETRY = "Did not result in valid result.";

/// What PROJ names its ballpark steps (src/iso19111/operation): a
/// horizontal guess, and a height left as it is.
constexpr std::string_view BALLPARK_HORIZONTAL[] = {
    "ballpark geographic offset", "ballpark geocentric translation"};
constexpr std::string_view BALLPARK_VERTICAL =
    "ballpark vertical transformation";

/// Grids named in the short account of a refusal; the full one names all.
constexpr std::size_t GRIDS_NAMED = 6;

/// Error messages kept per context: enough for the first reasons.
constexpr std::size_t MAX_ERRORS = 2000;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

/// Owns a PJ object.
struct PjDeleter {
    void operator()(PJ *pj) const { Proj().proj_destroy(pj); }
};
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

std::string IdOf(const PJ *obj) {
    const char *auth = Proj().proj_get_id_auth_name(obj, 0);
    const char *code = Proj().proj_get_id_code(obj, 0);
    if (!auth || !code)
        return {};
    return std::string(auth) + ":" + code;
}

GeoBox AreaOf(PJ_CONTEXT *ctx, const PJ *obj) {
    GeoBox box;
    const char *name = nullptr;
    double west = 0, south = 0, east = 0, north = 0;
    if (Proj().proj_get_area_of_use(ctx, obj, &west, &south, &east, &north, &name) &&
        west > -1000) {
        box.west = west;
        box.south = south;
        box.east = east;
        box.north = north;
        box.known = true;
    }
    if (name)
        box.name = name;
    return box;
}

CrsKind KindOfType(PJ_TYPE type) {
    switch (type) {
    case PJ_TYPE_GEOGRAPHIC_2D_CRS:
        return CrsKind::Geographic2D;
    case PJ_TYPE_GEOGRAPHIC_3D_CRS:
        return CrsKind::Geographic3D;
    case PJ_TYPE_GEOCENTRIC_CRS:
        return CrsKind::Geocentric;
    case PJ_TYPE_PROJECTED_CRS:
        return CrsKind::Projected;
    case PJ_TYPE_COMPOUND_CRS:
        return CrsKind::Compound;
    case PJ_TYPE_VERTICAL_CRS:
        return CrsKind::Vertical;
    default:
        return CrsKind::Other;
    }
}

/// The axes of a single system.
void AddAxes(PJ_CONTEXT *ctx, const PJ *crs, std::vector<CrsAxis> &axes) {
    PjPtr cs(Proj().proj_crs_get_coordinate_system(ctx, crs));
    if (!cs)
        return;
    const int count = Proj().proj_cs_get_axis_count(ctx, cs.get());
    for (int i = 0; i < count; ++i) {
        const char *name = nullptr, *abbreviation = nullptr,
                   *direction = nullptr, *unit = nullptr;
        double factor = 1;
        if (Proj().proj_cs_get_axis_info(ctx, cs.get(), i, &name, &abbreviation,
                                         &direction, &factor, &unit, nullptr,
                                         nullptr))
            axes.push_back({name ? name : "", abbreviation ? abbreviation : "",
                            direction ? direction : "", unit ? unit : "",
                            factor > 0 ? factor : 1});
    }
}

/// Whether PROJ's order for visualisation swaps the first two axes of
/// @p crs (a single or compound system, not bound).
bool EastFirstSwaps(PJ_CONTEXT *ctx, const PJ *crs,
                    const std::vector<CrsAxis> &axes) {
    PjPtr normalized(Proj().proj_normalize_for_visualization(ctx, crs));
    if (!normalized || axes.size() < 2)
        return false;
    std::vector<CrsAxis> after;
    if (Proj().proj_get_type(normalized.get()) == PJ_TYPE_COMPOUND_CRS) {
        PjPtr horizontal(
            Proj().proj_crs_get_sub_crs(ctx, normalized.get(), 0));
        if (horizontal)
            AddAxes(ctx, horizontal.get(), after);
    } else {
        AddAxes(ctx, normalized.get(), after);
    }
    return after.size() >= 2 && after[0].name == axes[1].name &&
           after[0].direction == axes[1].direction &&
           after[1].name == axes[0].name &&
           after[1].direction == axes[0].direction;
}

/// A bound system (a PROJ string with +towgs84) stands for its base.
PjPtr Unbound(PJ_CONTEXT *ctx, PjPtr crs) {
    if (crs && Proj().proj_get_type(crs.get()) == PJ_TYPE_BOUND_CRS)
        return PjPtr(Proj().proj_get_source_crs(ctx, crs.get()));
    return crs;
}

std::shared_ptr<CrsFacts> FactsOf(PJ_CONTEXT *ctx, const PJ *crs,
                                  const std::string &definition) {
    auto facts = std::make_shared<CrsFacts>();
    facts->definition = definition;
    facts->id = IdOf(crs);
    const char *name = Proj().proj_get_name(crs);
    facts->name = name ? name : "unknown";
    PjPtr base = Unbound(ctx, PjPtr(Proj().proj_clone(ctx, crs)));
    facts->kind = KindOfType(Proj().proj_get_type(base.get()));
    facts->horizontal = facts->kind;
    if (facts->kind == CrsKind::Compound) {
        PjPtr horizontal = Unbound(ctx, PjPtr(Proj().proj_crs_get_sub_crs(ctx, base.get(), 0)));
        PjPtr vertical = Unbound(ctx, PjPtr(Proj().proj_crs_get_sub_crs(ctx, base.get(), 1)));
        if (horizontal) {
            facts->horizontal = KindOfType(Proj().proj_get_type(horizontal.get()));
            AddAxes(ctx, horizontal.get(), facts->axes);
        }
        if (vertical) {
            const char *vname = Proj().proj_get_name(vertical.get());
            facts->verticalName = vname ? vname : "vertical";
            AddAxes(ctx, vertical.get(), facts->axes);
        }
    } else {
        AddAxes(ctx, base.get(), facts->axes);
    }
    facts->eastFirstSwaps = EastFirstSwaps(ctx, base.get(), facts->axes);
    facts->area = AreaOf(ctx, crs);
    if (!facts->area.known && base)
        facts->area = AreaOf(ctx, base.get());
    // A compound given by its parts' codes has no code of its own.
    if (facts->id.empty() && definition.size() < 64 &&
        definition.find(':') != std::string::npos &&
        definition.find_first_of(" \t[{=") == std::string::npos)
        facts->id = definition;
    return facts;
}

/// An OGC URN or a web address: PROJ reads it as written (its prefixes are
/// case-sensitive: "http://www.opengis.net/def/crs/EPSG/0/4326").
bool IsUrnOrUrl(std::string_view text) {
    const std::string lower = LowerAscii(text.substr(0, 16));
    return lower.rfind("urn:", 0) == 0 || lower.rfind("http://", 0) == 0 ||
           lower.rfind("https://", 0) == 0 ||
           lower.rfind("www.opengis.net/", 0) == 0;
}

/// A definition as PROJ reads it: a bare code is an EPSG code.
std::string Normalized(std::string_view definition) {
    const std::string_view text = Trim(definition);
    if (!text.empty() &&
        text.find_first_not_of("0123456789") == std::string_view::npos)
        return "EPSG:" + std::string(text);
    // "epsg:5186" and "Epsg:5186" as EPSG writes it.
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon > 0 &&
        text.find_first_of(" \t[{=") == std::string_view::npos &&
        !IsUrnOrUrl(text)) {
        std::string out(text);
        for (std::size_t i = 0; i < colon; ++i)
            out[i] = UpperAscii(out[i]);
        // The authority of a compound's second part as well.
        const std::size_t plus = out.find('+');
        const std::size_t colon2 =
            plus == std::string::npos ? plus : out.find(':', plus);
        if (colon2 != std::string::npos)
            for (std::size_t i = plus + 1; i < colon2; ++i)
                out[i] = UpperAscii(out[i]);
        return out;
    }
    return std::string(text);
}

std::string AccuracyText(double accuracy) {
    if (accuracy < 0)
        return "accuracy unknown";
    // As "%g" writes it, with a decimal point whatever the locale.
    char text[32];
    char *end = std::to_chars(text, text + sizeof text, accuracy,
                              std::chars_format::general, 6)
                    .ptr;
    return std::string(text, end) + " m";
}

/// Texts joined by ", ".
std::string Joined(const std::vector<std::string> &texts,
                   std::string_view separator = ", ") {
    std::string out;
    for (const std::string &text : texts) {
        if (!out.empty())
            out += separator;
        out += text;
    }
    return out;
}

/// "1 grid", "3 grids".
std::string Counted(std::size_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

/// The last part of a path.
std::string FileName(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Intersects(const GeoBox &a, const GeoBox &b) {
    if (!a.known || !b.known)
        return true;
    if (a.south > b.north || b.south > a.north)
        return false;
    // Longitudes: boxes across the antimeridian taken as two.
    auto ranges = [](const GeoBox &box) {
        std::vector<std::pair<double, double>> out;
        if (box.west <= box.east)
            out.emplace_back(box.west, box.east);
        else {
            out.emplace_back(box.west, 180.0);
            out.emplace_back(-180.0, box.east);
        }
        return out;
    };
    for (const auto &ra : ranges(a))
        for (const auto &rb : ranges(b))
            if (ra.first <= rb.second && rb.first <= ra.second)
                return true;
    return false;
}

} // namespace

// ---- the library -------------------------------------------------------------

const ProjApi &Proj() {
    static const ProjApi api = [] {
        void *library = ::dlopen(NOLVEX_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            throw ProjError(std::string("PROJ's library ") +
                            NOLVEX_PROJ_LIBRARY + " cannot be loaded: " +
                            ::dlerror());
        ProjApi loaded{};
#define NOLVEX_PROJ_FUNCTION(name)                                             \
    loaded.name =                                                              \
        reinterpret_cast<decltype(&::name)>(::dlsym(library, #name));         \
    if (!loaded.name)                                                          \
        throw ProjError(std::string("PROJ's library ") + NOLVEX_PROJ_LIBRARY + \
                        " has no " #name);
#include "ProjFunctions.h"
#undef NOLVEX_PROJ_FUNCTION
        return loaded;
    }();
    return api;
}

// ---- boxes, facts ------------------------------------------------------------

bool GeoBox::Contains(double lat, double lon) const {
    if (!known)
        return true;
    if (!(lat >= south && lat <= north))
        return false;
    lon = Longitude::WestOfGreenwich(lon);
    if (west <= east)
        return lon >= west && lon <= east;
    return lon >= west || lon <= east; // across the antimeridian
}

std::string CrsFacts::Label() const {
    if (id.empty() || id == name)
        return name;
    return name + " (" + id + ")";
}

bool CrsFacts::Angular() const {
    return horizontal == CrsKind::Geographic2D ||
           horizontal == CrsKind::Geographic3D;
}

bool CrsFacts::HasThirdAxis() const { return axes.size() >= 3; }

std::string CrsFacts::HeightText() const {
    if (kind == CrsKind::Geocentric)
        return "Z";
    if (!verticalName.empty())
        return verticalName;
    if (axes.size() >= 3)
        return "ellipsoidal height";
    return "height (passed through)";
}

std::string KindName(CrsKind kind) {
    switch (kind) {
    case CrsKind::Geographic2D:
        return "Geographic 2D";
    case CrsKind::Geographic3D:
        return "Geographic 3D";
    case CrsKind::Geocentric:
        return "Geocentric";
    case CrsKind::Projected:
        return "Projected";
    case CrsKind::Compound:
        return "Compound";
    case CrsKind::Vertical:
        return "Vertical";
    case CrsKind::Other:
        break;
    }
    return "Other";
}

namespace {

/// A parameter's value as PROJ's own texts give it: 15 digits at most,
/// trailing zeros cut.
std::string ParameterNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

} // namespace

std::vector<std::string> CrsFactLines(const ProjCrs &crs) {
    PJ_CONTEXT *ctx = crs.Context().Get();
    const ProjApi &api = Proj();
    std::vector<std::string> lines;
    // A compound system stands on its horizontal part.
    PjPtr horizontal;
    const PJ *base = crs.Get();
    if (crs.Facts().kind == CrsKind::Compound) {
        horizontal.reset(api.proj_crs_get_sub_crs(ctx, crs.Get(), 0));
        if (horizontal)
            base = horizontal.get();
    }
    if (PjPtr datum{api.proj_crs_get_datum_forced(ctx, base)}) {
        if (const char *name = api.proj_get_name(datum.get()))
            lines.push_back(std::string("Datum: ") + name);
    }
    if (PjPtr ellipsoid{api.proj_get_ellipsoid(ctx, base)}) {
        double a = 0, b = 0, invf = 0;
        int computed = 0;
        const char *name = api.proj_get_name(ellipsoid.get());
        if (api.proj_ellipsoid_get_parameters(ctx, ellipsoid.get(), &a, &b,
                                              &computed, &invf))
            lines.push_back(std::string("Ellipsoid: ") + (name ? name : "") +
                            " (a " + ParameterNumber(a) + " m, 1/f " +
                            ParameterNumber(invf) + ")");
    }
    if (crs.Facts().horizontal == CrsKind::Projected) {
        if (PjPtr conversion{api.proj_crs_get_coordoperation(ctx, base)}) {
            const char *method = nullptr;
            api.proj_coordoperation_get_method_info(ctx, conversion.get(),
                                                    &method, nullptr, nullptr);
            std::string line =
                std::string("Projection: ") + (method ? method : "");
            const int count =
                api.proj_coordoperation_get_param_count(ctx, conversion.get());
            std::vector<std::string> parameters;
            for (int i = 0; i < count; ++i) {
                const char *name = nullptr, *valueText = nullptr,
                           *unit = nullptr;
                double value = 0, factor = 0;
                if (!api.proj_coordoperation_get_param(
                        ctx, conversion.get(), i, &name, nullptr, nullptr,
                        &value, &valueText, &factor, &unit, nullptr, nullptr,
                        nullptr))
                    continue;
                std::string text =
                    std::string(name ? name : "") + " " +
                    (valueText && *valueText ? std::string(valueText)
                                             : ParameterNumber(value));
                if (unit && *unit && std::string(unit) != "unity")
                    text += std::string(" ") + unit;
                parameters.push_back(text);
            }
            for (std::size_t i = 0; i < parameters.size(); ++i)
                line += (i == 0 ? ": " : ", ") + parameters[i];
            lines.push_back(line);
        }
    }
    std::string units;
    for (const CrsAxis &axis : crs.Facts().axes)
        units += (units.empty() ? "" : ", ") + axis.abbreviation + " in " +
                 axis.unit;
    if (!units.empty())
        lines.push_back("Units: " + units);
    return lines;
}

std::string OperationFacts::Label() const {
    std::string text = id.empty() ? name : id + " " + name;
    return text + ", " + AccuracyText(accuracy);
}

std::vector<std::string> OperationFacts::GridFiles() const {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < grids.size(); ++i) {
        const std::string file = EscapeForMessage(
            i < gridPaths.size() && !gridPaths[i].empty() ? gridPaths[i]
                                                          : grids[i]);
        if (std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    }
    return files;
}

std::string OperationFacts::BallparkText() const {
    if (!ballpark)
        return {};
    if (ballparkHorizontal && ballparkVertical)
        return "no published transformation between the datums or of the "
               "height (positions and height taken over unchanged)";
    if (ballparkHorizontal && !grids.empty()) {
        // The guess is the horizontal part's alone: the height goes through
        // its grid as published.
        std::vector<std::string> names;
        for (const std::string &file : GridFiles())
            names.push_back(FileName(file));
        return "no published transformation between the horizontal datums "
               "(positions taken over unchanged); the height goes through "
               "the grid " +
               Joined(names);
    }
    if (ballparkHorizontal)
        return "no published transformation between the datums (positions "
               "taken over unchanged)";
    if (ballparkVertical)
        return "no published transformation of the height (left as it is)";
    return "no published transformation";
}

NoOperationError::NoOperationError(std::vector<std::string> shortLines,
                                   std::vector<std::string> fullLines,
                                   bool ballparkOnly)
    : ProjError(Joined(shortLines, "\n")), m_short(std::move(shortLines)),
      m_full(std::move(fullLines)), m_bBallparkOnly(ballparkOnly) {}

namespace {

/// The values @p a, @p b lie in the box of minima @p min and maxima @p max;
/// a range whose minimum is above its maximum crosses the antimeridian.
bool BoxHolds(const double min[2], const double max[2], double a, double b) {
    const double values[2] = {a, b};
    for (int k = 0; k < 2; ++k) {
        if (min[k] <= max[k]) {
            if (!(values[k] >= min[k] && values[k] <= max[k]))
                return false;
        } else if (!(values[k] >= min[k] || values[k] <= max[k])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool OperationFacts::SourceContains(double a, double b) const {
    return !sourceBoxKnown || BoxHolds(sourceMin, sourceMax, a, b);
}

// ---- contexts ----------------------------------------------------------------

ProjContext::ProjContext() : m_ctx(Proj().proj_context_create()) {
    Proj().proj_log_func(m_ctx, this, &ProjContext::Log);
    // The switches between candidates come at debug level.
    Proj().proj_log_level(m_ctx, PJ_LOG_DEBUG);
}

ProjContext::~ProjContext() { Proj().proj_context_destroy(m_ctx); }

std::vector<std::string> ProjContext::SearchPaths() const {
    // PROJ's own list, as it reports it: its user directory, then PROJ_DATA
    // (or PROJ_LIB), else the directory it was installed with.
    std::vector<std::string> dirs;
    const PJ_INFO info = Proj().proj_info();
    const std::string paths = info.searchpath ? info.searchpath : "";
    std::size_t start = 0;
    while (start <= paths.size()) {
        const std::size_t end = paths.find(':', start);
        const std::string dir = paths.substr(
            start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() &&
            std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(dir);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return dirs;
}

std::string ProjContext::TakeErrors() { return std::exchange(m_strErrors, {}); }

void ProjContext::CheckDatabase() {
    TakeErrors();
    if (Proj().proj_context_get_database_path(m_ctx))
        return;
    // PROJ opens the first proj.db of its directories.
    const std::string why = TakeErrors();
    const std::vector<std::string> dirs = SearchPaths();
    for (const std::string &dir : dirs) {
        const std::filesystem::path file =
            std::filesystem::path(dir) / "proj.db";
        std::error_code error;
        if (!std::filesystem::exists(file, error))
            continue;
        // PROJ's reason comes last: "SQLite error on SELECT ...: file is
        // not a database".
        const std::size_t colon = why.rfind(": ");
        const std::string reason =
            colon == std::string::npos ? why : why.substr(colon + 2);
        throw ProjDatabaseError(
            "PROJ cannot read its database " + EscapeForMessage(file.string()) +
            (reason.empty() ? std::string() : ": " + EscapeForMessage(reason)));
    }
    std::vector<std::string> shown;
    for (const std::string &dir : dirs)
        shown.push_back(EscapeForMessage(dir));
    throw ProjDatabaseError("PROJ's database proj.db is in none of the "
                            "directories PROJ looks in (" +
                            Joined(shown) +
                            "): PROJ_DATA names the directory that holds it");
}

void ProjContext::Log(void *self, int level, const char *message) {
    auto *context = static_cast<ProjContext *>(self);
    const std::string_view text(message ? message : "");
    if (text.substr(0, SWITCH.size()) == SWITCH) {
        if (context->m_pListener) {
            std::string_view name = text.substr(SWITCH.size());
            if (name.size() > FALLBACK.size() &&
                name.substr(name.size() - FALLBACK.size()) == FALLBACK)
                name.remove_suffix(FALLBACK.size());
            context->m_pListener->Switched(name);
        }
        return;
    }
    if (level == PJ_LOG_DEBUG) {
        if (text.substr(0, RETRY.size()) == RETRY) {
            if (context->m_pListener)
                context->m_pListener->Retried(context->m_strLastDebug);
        } else {
            context->m_strLastDebug.assign(text.substr(0, 200));
        }
        return;
    }
    if (level == PJ_LOG_ERROR && context->m_strErrors.size() < MAX_ERRORS) {
        if (!context->m_strErrors.empty())
            context->m_strErrors += "; ";
        context->m_strErrors += text;
    }
}

ProjContext &ThreadProjContext() {
    thread_local ProjContext context;
    return context;
}

std::string ProjVersionText() {
    ProjContext &context = ThreadProjContext();
    const char *epsg =
        Proj().proj_context_get_database_metadata(context.Get(), "EPSG.VERSION");
    std::string text = std::string("PROJ ") + Proj().proj_info().release;
    text += std::string(", EPSG database ") + (epsg ? epsg : "unknown");
    return text;
}

bool LooksLikeProjDefinition(std::string_view definition) {
    const std::string_view text = Trim(definition);
    if (text.empty())
        return false;
    const std::string lower = LowerAscii(text);
    // Web addresses go to PROJ whole, whichever PROJ takes: no catalogue
    // datum has "://" in its name, and the colon is no grid kind's.
    if (lower.rfind("+proj=", 0) == 0 || lower.rfind("proj=", 0) == 0 ||
        lower.rfind("+init=", 0) == 0 || lower.rfind("urn:ogc:def:", 0) == 0 ||
        (IsUrnOrUrl(text) && lower.rfind("urn:", 0) != 0) || text[0] == '{')
        return true;
    // WKT: a keyword and its bracket.
    std::size_t k = 0;
    while (k < text.size() && (IsAsciiUpper(text[k]) ||
                               text[k] == '_' ||
                               IsAsciiDigit(text[k])))
        ++k;
    if (k > 2 && k < text.size() && (text[k] == '[' || text[k] == '('))
        return true;
    // A code of four digits or more: no catalogue index (0 to 133) is one.
    if (text.size() >= 4 &&
        text.find_first_not_of("0123456789") == std::string_view::npos)
        return true;
    // AUTHORITY:CODE, a compound AUTHORITY:CODE+CODE. The catalogue's
    // DATUM:KIND ends in one of its kinds.
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    static const char *const AUTHORITIES[] = {
        "epsg", "esri", "ignf", "ogc", "iau_2015", "nkg", "proj", "iau"};
    const std::string authority = LowerAscii(text.substr(0, colon));
    return std::find(std::begin(AUTHORITIES), std::end(AUTHORITIES),
                     authority) != std::end(AUTHORITIES);
}

// ---- systems -----------------------------------------------------------------

ProjCrs::ProjCrs(std::string_view definition, ProjContext &context)
    : m_pContext(&context), m_pCrs(nullptr) {
    const std::string text = Normalized(definition);
    PJ_CONTEXT *ctx = context.Get();
    context.TakeErrors();
    PJ *crs = text.empty() ? nullptr : Proj().proj_create(ctx, text.c_str());
    if (!crs || !Proj().proj_is_crs(crs)) {
        const std::string why = context.TakeErrors();
        Proj().proj_destroy(crs);
        // Without its database PROJ knows no code: that is the fault.
        context.CheckDatabase();
        throw UnknownCrsError("'" + std::string(Trim(definition)) +
                              "' is not a reference system PROJ knows" +
                        (why.empty() ? std::string() : " (" + why + ")"));
    }
    m_pCrs = crs;
    m_facts = FactsOf(ctx, crs, text);
    if (m_facts->kind == CrsKind::Vertical) {
        Proj().proj_destroy(m_pCrs);
        const std::string code =
            m_facts->id.rfind("EPSG:", 0) == 0 ? m_facts->id.substr(5) : "5773";
        throw ProjError(m_facts->Label() +
                        " is a vertical system alone: give it with a "
                        "horizontal one, as EPSG:" +
                        (code == "6695" ? std::string("6668") : "4326") + "+" +
                        code);
    }
    if (m_facts->kind == CrsKind::Other ||
        m_facts->horizontal == CrsKind::Other ||
        m_facts->horizontal == CrsKind::Compound || m_facts->axes.size() < 2) {
        Proj().proj_destroy(m_pCrs);
        throw ProjError(m_facts->Label() +
                        " has no latitude and longitude, grid or ECEF "
                        "coordinates to convert");
    }
}

ProjCrs::ProjCrs(const ProjCrs &other, ProjContext &context)
    : m_pContext(&context), m_pCrs(Proj().proj_clone(context.Get(), other.m_pCrs)),
      m_facts(other.m_facts) {}

ProjCrs::ProjCrs(PJ *crs, ProjContext &context, std::string definition)
    : m_pContext(&context), m_pCrs(crs),
      m_facts(FactsOf(context.Get(), crs, definition)) {}

ProjCrs::~ProjCrs() { Proj().proj_destroy(m_pCrs); }

std::unique_ptr<ProjCrs> ProjCrs::PromotedTo3D() const {
    PJ_CONTEXT *ctx = m_pContext->Get();
    const CrsKind kind = m_facts->kind;
    if (kind != CrsKind::Geographic2D && kind != CrsKind::Projected)
        return std::unique_ptr<ProjCrs>(
            new ProjCrs(Proj().proj_clone(ctx, m_pCrs), *m_pContext,
                        m_facts->definition));
    PJ *promoted = Proj().proj_crs_promote_to_3D(ctx, nullptr, m_pCrs);
    if (!promoted)
        throw ProjError(m_facts->Label() + " cannot be made three-dimensional");
    auto out = std::unique_ptr<ProjCrs>(
        new ProjCrs(promoted, *m_pContext, m_facts->definition));
    auto facts = std::make_shared<CrsFacts>(*out->m_facts);
    facts->id = m_facts->id;
    facts->name = m_facts->name;
    out->m_facts = std::move(facts);
    return out;
}

std::unique_ptr<ProjCrs> ProjCrs::GeographicBase() const {
    PJ_CONTEXT *ctx = m_pContext->Get();
    if (m_facts->kind == CrsKind::Geographic2D ||
        m_facts->kind == CrsKind::Geographic3D)
        return std::unique_ptr<ProjCrs>(new ProjCrs(
            Proj().proj_clone(ctx, m_pCrs), *m_pContext, m_facts->definition));
    PjPtr single(Proj().proj_clone(ctx, m_pCrs));
    if (m_facts->kind == CrsKind::Compound)
        single.reset(Proj().proj_crs_get_sub_crs(ctx, m_pCrs, 0));
    single = Unbound(ctx, std::move(single));
    PjPtr geodetic(Proj().proj_crs_get_geodetic_crs(ctx, single.get()));
    if (!geodetic)
        throw ProjError(m_facts->Label() + " has no geographic system");
    PJ *geographic = nullptr;
    if (Proj().proj_get_type(geodetic.get()) == PJ_TYPE_GEOCENTRIC_CRS) {
        // The same datum with latitude, longitude and ellipsoidal height.
        PjPtr datum(Proj().proj_crs_get_datum_forced(ctx, geodetic.get()));
        PjPtr cs(Proj().proj_create_ellipsoidal_3D_cs(
            ctx, PJ_ELLPS3D_LATITUDE_LONGITUDE_HEIGHT, nullptr, 0, nullptr, 0));
        geographic = datum && cs ? Proj().proj_create_geographic_crs_from_datum(
                                       ctx, Proj().proj_get_name(geodetic.get()),
                                       datum.get(), cs.get())
                                 : nullptr;
    } else {
        geographic = geodetic.release();
    }
    if (!geographic)
        throw ProjError(m_facts->Label() + " has no geographic system");
    const std::string id = IdOf(geographic);
    return std::unique_ptr<ProjCrs>(new ProjCrs(
        geographic, *m_pContext,
        id.empty() ? std::string(Proj().proj_get_name(geographic)) : id));
}

// ---- transformations ---------------------------------------------------------

namespace {

/// An operation's pipeline cut at its outer steps: the inner steps' text,
/// and the outer steps done here (see ProjTransform::MakeDirect). No text
/// where it has another shape.
struct DirectSteps {
    std::string steps;
    bool swapIn = false, toRadians = false, toDegrees = false, swapOut = false;
};

} // namespace

struct ProjTransform::Shared {
    std::shared_ptr<const CrsFacts> from, to;
    /// By candidate: its pipeline cut, where its steps run directly.
    std::vector<DirectSteps> direct;
    /// The only candidate's steps run for every point.
    bool directAlways = false;
    /// Of several candidates, those whose steps run wherever their area
    /// holds the point: PROJ would choose each there (see
    /// ChosenThroughoutItsArea), and the source is geographic in degrees,
    /// so that PROJ's box of an area in the source's values is the area
    /// itself.
    std::vector<std::size_t> directWhere;
    std::vector<OperationFacts> candidates;
    std::vector<MissingOperation> missing;
    bool ballpark = false;
    bool allowBallpark = false;
    /// The target system's area in its own values.
    bool targetBoxKnown = false;
    double targetMin[2] = {0, 0}, targetMax[2] = {0, 0};
};

namespace {

struct ListDeleter {
    void operator()(PJ_OBJ_LIST *list) const { Proj().proj_list_destroy(list); }
};
using ListPtr = std::unique_ptr<PJ_OBJ_LIST, ListDeleter>;

struct FactoryDeleter {
    PJ_CONTEXT *ctx;
    void operator()(PJ_OPERATION_FACTORY_CONTEXT *f) const {
        Proj().proj_operation_factory_context_destroy(f);
    }
};

/// The operations between two systems, as proj_create_crs_to_crs asks for
/// them, with the grid rule and ballpark rule given.
ListPtr Operations(PJ_CONTEXT *ctx, const PJ *from, const PJ *to,
                   PROJ_GRID_AVAILABILITY_USE grids, bool ballpark) {
    std::unique_ptr<PJ_OPERATION_FACTORY_CONTEXT, FactoryDeleter> factory(
        Proj().proj_create_operation_factory_context(ctx, nullptr), {ctx});
    if (!factory)
        return nullptr;
    Proj().proj_operation_factory_context_set_allow_ballpark_transformations(
        ctx, factory.get(), ballpark ? 1 : 0);
    Proj().proj_operation_factory_context_set_spatial_criterion(
        ctx, factory.get(), PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
    Proj().proj_operation_factory_context_set_grid_availability_use(ctx, factory.get(),
                                                             grids);
    return ListPtr(Proj().proj_create_operations(ctx, from, to, factory.get()));
}

OperationFacts FactsOfOperation(PJ_CONTEXT *ctx, PJ *op) {
    OperationFacts facts;
    const char *name = Proj().proj_get_name(op);
    facts.name = name ? name : "";
    facts.id = IdOf(op);
    if (facts.id.rfind("INVERSE(", 0) == 0 || facts.id.rfind("DERIVED", 0) == 0)
        facts.id.clear(); // PROJ's own ids of inverted or derived operations
    facts.accuracy = Proj().proj_coordoperation_get_accuracy(ctx, op);
    facts.area = AreaOf(ctx, op);
    facts.ballpark = Proj().proj_coordoperation_has_ballpark_transformation(ctx, op) != 0;
    if (facts.ballpark) {
        // Which part is the guess: only the names of PROJ's steps say it (an
        // operation between compound systems has no steps to ask).
        const std::string lower = LowerAscii(facts.name);
        for (const std::string_view step : BALLPARK_HORIZONTAL)
            facts.ballparkHorizontal = facts.ballparkHorizontal ||
                                       lower.find(step) != std::string::npos;
        facts.ballparkVertical =
            lower.find(BALLPARK_VERTICAL) != std::string::npos;
    }
    const int count = Proj().proj_coordoperation_get_grid_used_count(ctx, op);
    for (int i = 0; i < count; ++i) {
        const char *shortName = nullptr, *fullName = nullptr;
        if (Proj().proj_coordoperation_get_grid_used(
                ctx, op, i, &shortName, &fullName, nullptr, nullptr, nullptr,
                nullptr, nullptr) &&
            shortName) {
            facts.grids.emplace_back(shortName);
            facts.gridPaths.emplace_back(fullName ? fullName : "");
        }
    }
    if (const char *text = Proj().proj_as_proj_string(ctx, op, PJ_PROJ_5, nullptr))
        facts.proj = text;
    return facts;
}

/// Where both boxes hold; @p a when they do not meet or one crosses the
/// antimeridian.
GeoBox Intersection(const GeoBox &a, const GeoBox &b) {
    if (!a.known)
        return b;
    if (!b.known || a.west > a.east || b.west > b.east)
        return a;
    GeoBox box = a;
    box.south = std::max(a.south, b.south);
    box.north = std::min(a.north, b.north);
    box.west = std::max(a.west, b.west);
    box.east = std::min(a.east, b.east);
    if (box.south > box.north || box.west > box.east)
        return a;
    // Named after the smaller of the two.
    const auto size = [](const GeoBox &g) {
        return (g.north - g.south) * (g.east - g.west);
    };
    box.name = size(b) < size(a) ? b.name : a.name;
    return box;
}

/// Boxes of latitude and longitude in a system's own values: minimum and
/// maximum of its first two values.
class BoxMaker {
  public:
    BoxMaker(PJ_CONTEXT *ctx, const PJ *system, const CrsFacts &facts)
        : m_ctx(ctx), m_system(system), m_facts(facts) {}

    bool In(const GeoBox &area, double min[2], double max[2]) {
        if (!area.known)
            return false;
        if (m_facts.Angular()) {
            // Degrees in the system's own angle unit (grads, radians).
            const int lat = m_facts.eastFirstSwaps ? 0 : 1;
            const double factor = m_facts.axes[0].unit == "degree"
                                      ? 1.0
                                      : DEGREES_TO_RADIANS / m_facts.axes[0].factor;
            min[lat] = area.south * factor;
            max[lat] = area.north * factor;
            min[1 - lat] = area.west * factor;
            max[1 - lat] = area.east * factor;
            return true;
        }
        if (m_facts.horizontal != CrsKind::Projected || !Projection())
            return false;
        // The box projected, its edges densified.
        const double east = area.east < area.west ? area.east + 360 : area.east;
        return Proj().proj_trans_bounds(m_ctx, m_projection.get(), PJ_FWD,
                                        area.west, area.south, east, area.north,
                                        &min[0], &min[1], &max[0], &max[1],
                                        21) != 0;
    }

  private:
    /// From longitude and latitude to the system, made once.
    PJ *Projection() {
        if (!m_bTried) {
            m_bTried = true;
            PjPtr geographic(Proj().proj_create(m_ctx, "OGC:CRS84"));
            const char *options[] = {"ALLOW_BALLPARK=YES", nullptr};
            if (geographic)
                m_projection.reset(Proj().proj_create_crs_to_crs_from_pj(
                    m_ctx, geographic.get(), m_system, nullptr, options));
        }
        return m_projection.get();
    }

    PJ_CONTEXT *m_ctx;
    const PJ *m_system;
    const CrsFacts &m_facts;
    PjPtr m_projection;
    bool m_bTried = false;
};

/// The candidate's area in the source's own values: where the operation and
/// the source system both hold.
void SourceBox(BoxMaker &source, const CrsFacts &from, OperationFacts &op) {
    if (!op.area.known && !from.area.known)
        return;
    const GeoBox area = Intersection(op.area, from.area);
    op.checkedArea = area.name;
    op.sourceBoxKnown = source.In(area, op.sourceMin, op.sourceMax);
}

/// The horizontal values of geographic @p crs are in degrees (not grads).
bool InDegrees(PJ_CONTEXT *ctx, const PJ *crs) {
    PjPtr single(Proj().proj_clone(ctx, crs));
    single = Unbound(ctx, std::move(single));
    if (single && Proj().proj_get_type(single.get()) == PJ_TYPE_COMPOUND_CRS)
        single = Unbound(
            ctx, PjPtr(Proj().proj_crs_get_sub_crs(ctx, single.get(), 0)));
    if (!single)
        return false;
    PjPtr cs(Proj().proj_crs_get_coordinate_system(ctx, single.get()));
    double factor = 0;
    return cs &&
           Proj().proj_cs_get_axis_info(ctx, cs.get(), 0, nullptr, nullptr,
                                        nullptr, &factor, nullptr, nullptr,
                                        nullptr) &&
           std::fabs(factor - 0.017453292519943295) < 1e-15;
}

/// True when PROJ chooses candidate @p i at every point of its area (for a
/// geographic source, whose boxes are the areas themselves). PROJ keeps,
/// among the candidates whose box holds the point, the first it finds and
/// then any of known and better accuracy outside an offshore area; on equal
/// accuracies its rules have varied. So: @p i's accuracy is known and better
/// than that of every other candidate whose area meets its own, no
/// candidate before it whose area meets its own has an unknown accuracy,
/// and its area is not an offshore one.
bool ChosenThroughoutItsArea(const std::vector<OperationFacts> &candidates,
                             std::size_t i) {
    const OperationFacts &chosen = candidates[i];
    const GeoBox &area = chosen.area;
    if (chosen.accuracy < 0 || !area.known || area.west > area.east ||
        !chosen.sourceBoxKnown ||
        area.name.find("offshore") != std::string::npos)
        return false;
    // Areas that nearly touch count as meeting.
    constexpr double MARGIN = 1e-6;
    for (std::size_t j = 0; j < candidates.size(); ++j) {
        if (j == i)
            continue;
        const OperationFacts &other = candidates[j];
        const GeoBox &box = other.area;
        const bool meets =
            !box.known || box.west > box.east ||
            (box.west <= area.east + MARGIN && area.west <= box.east + MARGIN &&
             box.south <= area.north + MARGIN &&
             area.south <= box.north + MARGIN);
        if (!meets)
            continue;
        if (other.accuracy < 0 ? j < i : !(other.accuracy > chosen.accuracy))
            return false;
    }
    return true;
}

DirectSteps CutPipeline(const std::string &pipeline);

} // namespace

namespace {

/// Where grid files go, for a message: the directories escaped.
std::string GridPlaces() {
    std::vector<std::string> dirs;
    for (const std::string &dir : GridDirectories())
        dirs.push_back(EscapeForMessage(dir));
    return "one of PROJ's grid directories (" + Joined(dirs) +
           "), or a directory named in PROJ_DATA";
}

/// The grids of @p missing, each once, those of the more accurate
/// operations first.
std::vector<std::string>
MissingGrids(const std::vector<MissingOperation> &missing) {
    std::vector<const MissingOperation *> order;
    for (const MissingOperation &m : missing)
        order.push_back(&m);
    std::stable_sort(order.begin(), order.end(),
                     [](const MissingOperation *a, const MissingOperation *b) {
                         const double x = a->operation.accuracy,
                                      y = b->operation.accuracy;
                         return x >= 0 && (y < 0 || x < y);
                     });
    std::vector<std::string> grids;
    for (const MissingOperation *m : order)
        for (const std::string &grid : m->missingGrids) {
            const std::string shown = EscapeForMessage(grid);
            if (std::find(grids.begin(), grids.end(), shown) == grids.end())
                grids.push_back(shown);
        }
    return grids;
}

/// The account of a pair with no operation that may be used: the short
/// one in a few lines, the full one naming every published operation that
/// a missing grid keeps out.
NoOperationError Refusal(const std::string &systems,
                         const std::vector<OperationFacts> &candidates,
                         const std::vector<MissingOperation> &missing) {
    // The lines are escaped here, whole: a name may come from the user's
    // WKT, a grid directory from PROJ_DATA.
    const std::string pair = EscapeForMessage(systems);
    const auto label = [](const OperationFacts &op) {
        return EscapeForMessage(op.Label());
    };
    const bool ballpark = !candidates.empty();
    std::vector<std::string> lines;
    lines.push_back(ballpark ? "only a ballpark operation exists from " + pair +
                                   ": " + candidates.front().BallparkText()
                             : "PROJ has no operation from " + pair);
    std::vector<std::string> full = lines;
    if (!missing.empty()) {
        const std::vector<std::string> grids = MissingGrids(missing);
        const MissingOperation *best = &missing.front();
        for (const MissingOperation &m : missing)
            if (m.operation.accuracy >= 0 &&
                (best->operation.accuracy < 0 ||
                 m.operation.accuracy < best->operation.accuracy))
                best = &m;
        if (missing.size() == 1) {
            lines.push_back(
                "a published operation, " + label(best->operation) +
                ", needs " + (grids.size() == 1 ? "the grid " : "the grids ") +
                Joined(grids) + ", which " +
                (grids.size() == 1 ? "is" : "are") + " not installed");
        } else {
            lines.push_back(std::to_string(missing.size()) +
                            " published operations need grids that are not "
                            "installed; the most accurate: " +
                            label(best->operation));
            std::vector<std::string> named(
                grids.begin(),
                grids.begin() + static_cast<std::ptrdiff_t>(
                                    std::min(grids.size(), GRIDS_NAMED)));
            std::string text =
                (grids.size() == 1 ? "the grid: " : "the grids: ") +
                Joined(named);
            if (grids.size() > named.size())
                text += " and " + std::to_string(grids.size() - named.size()) +
                        " more";
            lines.push_back(text);
        }
        full.push_back(Counted(missing.size(), "published operation needs",
                               "published operations need") +
                       " grids that are not installed:");
        for (const MissingOperation &m : missing) {
            std::vector<std::string> needed;
            for (const std::string &grid : m.missingGrids)
                needed.push_back(EscapeForMessage(grid));
            full.push_back("  " + label(m.operation) + ": " + Joined(needed));
        }
        const std::string where =
            "put " + std::string(grids.size() == 1 ? "it" : "them") + " into " +
            GridPlaces();
        lines.push_back(where);
        full.push_back(where);
    }
    return NoOperationError(std::move(lines), std::move(full), ballpark);
}

} // namespace

ProjTransform::ProjTransform(const ProjCrs &from, const ProjCrs &to,
                             Options options, ProjContext &context)
    : m_pContext(&context) {
    PJ_CONTEXT *ctx = context.Get();
    auto shared = std::make_shared<Shared>();
    shared->from = std::make_shared<CrsFacts>(from.Facts());
    shared->to = std::make_shared<CrsFacts>(to.Facts());
    shared->allowBallpark = options.allowBallpark;
    context.TakeErrors();

    // PROJ's candidates, as proj_create_crs_to_crs finds them for cs2cs:
    // operations whose grids are not installed are set aside first (unless
    // PROJ may fetch them), and only then are routes through another datum
    // looked for; ballpark operations are among them.
    BoxMaker sourceBoxes(ctx, from.Get(), from.Facts());
    const bool network = Proj().proj_context_is_network_enabled(ctx) != 0;
    ListPtr list = Operations(
        ctx, from.Get(), to.Get(),
        network ? PROJ_GRID_AVAILABILITY_KNOWN_AVAILABLE
                : PROJ_GRID_AVAILABILITY_DISCARD_OPERATION_IF_MISSING_GRID,
        true);
    const int count = list ? Proj().proj_list_get_count(list.get()) : 0;
    // proj_create_crs_to_crs takes the first operation alone when either
    // system is geocentric; choosing among several, it leaves out those
    // without an area of use.
    const bool firstOnly =
        Proj().proj_get_type(from.Get()) == PJ_TYPE_GEOCENTRIC_CRS ||
        Proj().proj_get_type(to.Get()) == PJ_TYPE_GEOCENTRIC_CRS;
    PjPtr single;
    for (int i = 0; i < count; ++i) {
        PjPtr op(Proj().proj_list_get(ctx, list.get(), i));
        if (!op)
            continue;
        OperationFacts facts = FactsOfOperation(ctx, op.get());
        if (count > 1 && !firstOnly && !facts.area.known)
            continue;
        SourceBox(sourceBoxes, from.Facts(), facts);
        shared->candidates.push_back(std::move(facts));
        if (shared->candidates.size() == 1)
            single = std::move(op);
        if (firstOnly)
            break;
    }

    // The published operations that a grid not installed keeps out, where
    // they are more accurate than the candidates: the direct operations
    // between the two systems, whatever their grids (a query of its own:
    // with them PROJ looks for no route through another datum).
    ListPtr all = Operations(ctx, from.Get(), to.Get(),
                             PROJ_GRID_AVAILABILITY_USED_FOR_SORTING, false);
    const int allCount = all ? Proj().proj_list_get_count(all.get()) : 0;
    for (int i = 0; i < allCount; ++i) {
        PjPtr op(Proj().proj_list_get(ctx, all.get(), i));
        if (!op || Proj().proj_coordoperation_is_instantiable(ctx, op.get()))
            continue;
        MissingOperation missing;
        missing.operation = FactsOfOperation(ctx, op.get());
        if (missing.operation.ballpark)
            continue;
        // Better where it holds: no published operation is used there, or
        // each is less accurate than it.
        const double accuracy = missing.operation.accuracy;
        bool better = true;
        for (const OperationFacts &c : shared->candidates)
            if (Intersects(c.area, missing.operation.area) && !c.ballpark &&
                (accuracy < 0 || (c.accuracy >= 0 && c.accuracy <= accuracy)))
                better = false;
        if (!better)
            continue;
        const int grids =
            Proj().proj_coordoperation_get_grid_used_count(ctx, op.get());
        for (int g = 0; g < grids; ++g) {
            const char *shortName = nullptr, *url = nullptr;
            int available = 0;
            if (Proj().proj_coordoperation_get_grid_used(
                    ctx, op.get(), g, &shortName, nullptr, nullptr, &url,
                    nullptr, nullptr, &available) &&
                !available && shortName) {
                missing.missingGrids.emplace_back(shortName);
                missing.urls.emplace_back(url ? url : "");
            }
        }
        SourceBox(sourceBoxes, from.Facts(), missing.operation);
        shared->missing.push_back(std::move(missing));
    }

    const std::string pair = from.Facts().Label() + " to " + to.Facts().Label();
    shared->ballpark =
        !shared->candidates.empty() &&
        std::all_of(shared->candidates.begin(), shared->candidates.end(),
                    [](const OperationFacts &c) { return c.ballpark; });
    if (shared->candidates.empty()) {
        // Without its database PROJ finds no operation: that is the fault.
        context.CheckDatabase();
        throw Refusal(pair, {}, shared->missing);
    }
    if (shared->ballpark && !options.allowBallpark)
        throw Refusal(pair, shared->candidates, shared->missing);
    BoxMaker targetBoxes(ctx, to.Get(), to.Facts());
    shared->targetBoxKnown =
        targetBoxes.In(to.Facts().area, shared->targetMin, shared->targetMax);

    // Ballpark candidates are PROJ's to choose as cs2cs does; a point where
    // it chooses one is refused in Convert unless they are allowed.
    const char *createOptions[] = {"ALLOW_BALLPARK=YES", nullptr};
    // With one candidate proj_create_crs_to_crs gives that operation
    // itself; the query is not run again.
    m_pOperation = shared->candidates.size() == 1
                        ? single.release()
                        : Proj().proj_create_crs_to_crs_from_pj(
                              ctx, from.Get(), to.Get(), nullptr, createOptions);
    if (!m_pOperation)
        throw ProjError("PROJ cannot set up the operation from " + pair + ": " +
                        context.TakeErrors());
    const auto &candidates = shared->candidates;
    shared->direct.resize(candidates.size());
    if (candidates.size() == 1) {
        shared->direct[0] = CutPipeline(candidates[0].proj);
        shared->directAlways = !shared->direct[0].steps.empty();
    } else if (from.Facts().Angular() && InDegrees(ctx, from.Get())) {
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (ChosenThroughoutItsArea(candidates, i)) {
                shared->direct[i] = CutPipeline(candidates[i].proj);
                if (!shared->direct[i].steps.empty())
                    shared->directWhere.push_back(i);
            }
    }
    m_shared = std::move(shared);
    MakeDirect();
}

ProjTransform::ProjTransform(const ProjTransform &other, ProjContext &context)
    : m_pContext(&context),
      m_pOperation(Proj().proj_clone(context.Get(), other.m_pOperation)),
      m_shared(other.m_shared) {
    if (!m_pOperation)
        throw ProjError("PROJ cannot copy the operation from " +
                        m_shared->from->Label() + " to " +
                        m_shared->to->Label());
    MakeDirect();
}

ProjTransform::~ProjTransform() {
    if (m_pContext->m_pListener == this)
        m_pContext->m_pListener = nullptr;
    for (PJ *direct : m_direct)
        Proj().proj_destroy(direct);
    Proj().proj_destroy(m_pOperation);
}

void ProjTransform::MakeDirect() {
    // An operation's own inner steps, made from PROJ's text of them: the
    // same code as inside the pipeline, without the pipeline's passes
    // through its axis swaps and unit conversions, which are done here with
    // PROJ's factors (the same multiplications, the same bits).
    m_direct.assign(m_shared->direct.size(), nullptr);
    for (std::size_t i = 0; i < m_direct.size(); ++i)
        if (!m_shared->direct[i].steps.empty())
            m_direct[i] = Proj().proj_create(m_pContext->Get(),
                                             m_shared->direct[i].steps.c_str());
}

void ProjTransform::Switched(std::string_view name) {
    const auto &candidates = m_shared->candidates;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].name == name) {
            m_nCurrent = i;
            return;
        }
}

void ProjTransform::Retried(std::string_view reason) {
    // PROJ gives up the operation in use and tries another. A point
    // outside a grid's subgrids is one reason (and the next candidate
    // serves); a file it cannot read is another, and no other candidate
    // stands in for that silently.
    const char *unreadable = Proj().proj_context_errno_string(
        m_pContext->Get(), PROJ_ERR_INVALID_OP_FILE_NOT_FOUND_OR_INVALID);
    if (unreadable && reason == unreadable &&
        m_nUnreadable == static_cast<std::size_t>(-1) &&
        m_nCurrent < m_shared->candidates.size() &&
        !m_shared->candidates[m_nCurrent].grids.empty())
        m_nUnreadable = m_nCurrent;
}

void ProjTransform::ThrowUnreadableGrid(std::size_t candidate) const {
    const std::vector<std::string> files =
        m_shared->candidates[candidate].GridFiles();
    throw ProjPointError(
        "PROJ cannot convert the point: " +
            std::string(files.size() == 1 ? "the grid file "
                                          : "the grid files ") +
            Joined(files) + (files.size() == 1 ? " cannot" : ": one cannot") +
            " be read (missing, truncated or corrupt)",
        PointFault::GridUnreadable);
}

std::size_t ProjTransform::Convert(const double in[3], double out[3]) {
    static const ProjApi &api = Proj();
    const Shared &shared = *m_shared;
    PJ_COORD coord;
    coord.v[0] = in[0];
    coord.v[1] = in[1];
    coord.v[2] = in[2];
    coord.v[3] = HUGE_VAL;
    PJ_COORD result;
    PJ *operation = m_pOperation;
    std::size_t used = 0;
    // A candidate's own steps: the only one's, or one's that PROJ would
    // choose wherever its area holds the point (see Shared::directWhere);
    // anywhere else, or where they give no result, PROJ chooses, and
    // retries as it does.
    const auto runDirect = [&](std::size_t i) {
        const DirectSteps &cut = shared.direct[i];
        PJ_COORD steps = coord;
        if (cut.swapIn)
            std::swap(steps.v[0], steps.v[1]);
        if (cut.toRadians) {
            steps.v[0] *= DEGREES_TO_RADIANS;
            steps.v[1] *= DEGREES_TO_RADIANS;
        }
        api.proj_errno_reset(m_direct[i]);
        result = api.proj_trans(m_direct[i], PJ_FWD, steps);
        if (cut.toDegrees) {
            result.v[0] *= RADIANS_TO_DEGREES;
            result.v[1] *= RADIANS_TO_DEGREES;
        }
        if (cut.swapOut)
            std::swap(result.v[0], result.v[1]);
        operation = m_direct[i];
        used = i;
    };
    bool direct = false;
    if (shared.directAlways && m_direct[0]) {
        runDirect(0);
        direct = true;
    } else {
        for (const std::size_t i : shared.directWhere)
            if (m_direct[i] &&
                shared.candidates[i].SourceContains(in[0], in[1])) {
                runDirect(i);
                direct = std::isfinite(result.v[0]) &&
                         std::isfinite(result.v[1]) &&
                         std::isfinite(result.v[2]);
                break;
            }
    }
    if (!direct) {
        m_pContext->m_pListener = this;
        m_nUnreadable = static_cast<std::size_t>(-1);
        api.proj_errno_reset(m_pOperation);
        result = api.proj_trans(m_pOperation, PJ_FWD, coord);
        operation = m_pOperation;
        if (m_nUnreadable != static_cast<std::size_t>(-1))
            ThrowUnreadableGrid(m_nUnreadable);
        used = m_nCurrent;
    }
    if (!std::isfinite(result.v[0]) || !std::isfinite(result.v[1]) ||
        !std::isfinite(result.v[2])) {
        const int error = Proj().proj_errno(operation);
        m_pContext->TakeErrors();
        if (error == PROJ_ERR_INVALID_OP_FILE_NOT_FOUND_OR_INVALID &&
            used < shared.candidates.size() &&
            !shared.candidates[used].grids.empty())
            ThrowUnreadableGrid(used);
        const char *why =
            error ? Proj().proj_context_errno_string(m_pContext->Get(), error) : nullptr;
        throw ProjPointError(std::string("PROJ cannot convert the point") +
                             (why ? std::string(": ") + why : std::string()));
    }
    if (!shared.allowBallpark && shared.candidates[used].ballpark) {
        // What PROJ would use here is a guess: refused, with the published
        // operation that a missing grid keeps out, where one holds.
        std::string message = "only a ballpark operation covers the point: " +
                              shared.candidates[used].BallparkText();
        if (const int at = MissingAt(in[0], in[1]); at >= 0) {
            const MissingOperation &missing =
                shared.missing[static_cast<std::size_t>(at)];
            std::vector<std::string> grids;
            for (const std::string &grid : missing.missingGrids)
                grids.push_back(EscapeForMessage(grid));
            message += "; a published one, " + missing.operation.Label() +
                       ", needs " +
                       (grids.size() == 1 ? "the grid " : "the grids ") +
                       Joined(grids) + ", not installed";
        }
        throw ProjPointError(message, PointFault::Ballpark);
    }
    out[0] = result.v[0];
    out[1] = result.v[1];
    out[2] = result.v[2];
    return used;
}

const std::vector<OperationFacts> &ProjTransform::Candidates() const {
    return m_shared->candidates;
}

const std::vector<MissingOperation> &ProjTransform::Missing() const {
    return m_shared->missing;
}

int ProjTransform::MissingAt(double a, double b) const {
    int best = -1;
    const auto &missing = m_shared->missing;
    for (std::size_t i = 0; i < missing.size(); ++i) {
        const OperationFacts &op = missing[i].operation;
        if (!op.SourceContains(a, b))
            continue;
        if (best < 0 ||
            (op.accuracy >= 0 &&
             (missing[static_cast<std::size_t>(best)].operation.accuracy < 0 ||
              op.accuracy <
                  missing[static_cast<std::size_t>(best)].operation.accuracy)))
            best = static_cast<int>(i);
    }
    return best;
}

bool ProjTransform::Ballpark() const { return m_shared->ballpark; }

bool ProjTransform::BallparkAllowed() const { return m_shared->allowBallpark; }

bool ProjTransform::TargetContains(double a, double b) const {
    return !m_shared->targetBoxKnown ||
           BoxHolds(m_shared->targetMin, m_shared->targetMax, a, b);
}

const CrsFacts &ProjTransform::From() const { return *m_shared->from; }
const CrsFacts &ProjTransform::To() const { return *m_shared->to; }

// ---- grids and the database --------------------------------------------------

std::vector<std::string> GridDirectories() {
    ProjContext &context = ThreadProjContext();
    std::vector<std::string> dirs = context.SearchPaths();
    if (const char *user =
            Proj().proj_context_get_user_writable_directory(context.Get(), 0)) {
        if (std::find(dirs.begin(), dirs.end(), user) == dirs.end())
            dirs.emplace_back(user);
    }
    return dirs;
}

namespace {

/// SQLite, as PROJ's library loaded it: read for the short names of the
/// areas of use, which PROJ's functions do not give (they give an area's
/// description, up to 3,000 characters of countries for the world-wide
/// systems).
struct SqliteApi {
    decltype(&::sqlite3_open_v2) open;
    decltype(&::sqlite3_prepare_v2) prepare;
    decltype(&::sqlite3_step) step;
    decltype(&::sqlite3_column_text) text;
    decltype(&::sqlite3_column_double) real;
    decltype(&::sqlite3_finalize) finalize;
    decltype(&::sqlite3_close) close;
};

/// SQLite's functions, or null when they cannot be had (the areas are then
/// named by PROJ's descriptions).
const SqliteApi *Sqlite() {
    static const std::optional<SqliteApi> api =
        []() -> std::optional<SqliteApi> {
        // SQLite 3's library name since its first release; PROJ's library
        // has loaded it already.
        void *library = ::dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        SqliteApi loaded{};
        const auto get = [library](auto &pointer, const char *name) {
            pointer =
                reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
                    ::dlsym(library, name));
            return pointer != nullptr;
        };
        if (!get(loaded.open, "sqlite3_open_v2") ||
            !get(loaded.prepare, "sqlite3_prepare_v2") ||
            !get(loaded.step, "sqlite3_step") ||
            !get(loaded.text, "sqlite3_column_text") ||
            !get(loaded.real, "sqlite3_column_double") ||
            !get(loaded.finalize, "sqlite3_finalize") ||
            !get(loaded.close, "sqlite3_close"))
            return std::nullopt;
        return loaded;
    }();
    return api ? &*api : nullptr;
}

/// One area of use of a listed system.
struct ListedArea {
    std::string name;      ///< the short name: "World"
    std::string lowerName; ///< in lower case, to match
    std::string lowerText; ///< the description in lower case
    bool world = false;    ///< all longitudes
};

/// The areas of use of every system of the database at @p path, by id
/// ("EPSG:5186"), from its usage and extent tables; empty when they cannot
/// be read.
std::map<std::string, std::vector<ListedArea>>
AreasFromDatabase(const char *path) {
    std::map<std::string, std::vector<ListedArea>> areas;
    const SqliteApi *sql = Sqlite();
    if (!sql || !path)
        return areas;
    sqlite3 *db = nullptr;
    if (sql->open(path, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        if (db)
            sql->close(db);
        return areas;
    }
    constexpr const char *QUERY =
        "SELECT u.object_auth_name, u.object_code, e.name, e.description, "
        "e.west_lon, e.east_lon FROM usage u JOIN extent e ON "
        "e.auth_name = u.extent_auth_name AND e.code = u.extent_code WHERE "
        "u.object_table_name IN ('geodetic_crs', 'projected_crs', "
        "'vertical_crs', 'compound_crs')";
    sqlite3_stmt *statement = nullptr;
    if (sql->prepare(db, QUERY, -1, &statement, nullptr) == SQLITE_OK) {
        const auto column = [sql, statement](int i) {
            const unsigned char *text = sql->text(statement, i);
            return std::string(text ? reinterpret_cast<const char *>(text)
                                    : "");
        };
        while (sql->step(statement) == SQLITE_ROW) {
            ListedArea area;
            area.name = column(2);
            area.lowerName = LowerAscii(area.name);
            area.lowerText = LowerAscii(column(3));
            area.world = sql->real(statement, 4) <= -180 &&
                         sql->real(statement, 5) >= 180;
            areas[column(0) + ":" + column(1)].push_back(std::move(area));
        }
    }
    sql->finalize(statement);
    sql->close(db);
    return areas;
}

/// A system of the list, with what its filter compares in lower case.
struct ListedCrs {
    CrsListEntry entry;
    std::string lowerId, code, lowerName;
    std::vector<ListedArea> areas;
};

/// Every system of PROJ's database, read once: the list is plain data that
/// any thread may filter. PROJ's list has a row per area of use; here a
/// system is one entry with all its areas.
const std::vector<ListedCrs> &AllCrs() {
    static const std::vector<ListedCrs> entries = [] {
        PJ_CONTEXT *ctx = ThreadProjContext().Get();
        std::map<std::string, std::vector<ListedArea>> areas =
            AreasFromDatabase(Proj().proj_context_get_database_path(ctx));
        int count = 0;
        PROJ_CRS_INFO **list = Proj().proj_get_crs_info_list_from_database(
            ctx, nullptr, nullptr, &count);
        std::vector<ListedCrs> all;
        all.reserve(static_cast<std::size_t>(count));
        std::map<std::string, std::size_t> seen;
        for (int i = 0; i < count; ++i) {
            const PROJ_CRS_INFO &info = *list[i];
            const std::string id =
                std::string(info.auth_name) + ":" + info.code;
            const auto [at, added] = seen.emplace(id, all.size());
            if (!added && !areas.empty())
                continue; // the same system, its next area of use
            if (added) {
                ListedCrs crs;
                crs.entry.id = id;
                crs.entry.name = info.name ? info.name : "";
                crs.entry.kind = KindOfType(info.type);
                crs.entry.deprecated = info.deprecated != 0;
                crs.lowerId = LowerAscii(id);
                crs.code = LowerAscii(info.code);
                crs.lowerName = LowerAscii(crs.entry.name);
                if (const auto found = areas.find(id); found != areas.end())
                    crs.areas = found->second;
                all.push_back(std::move(crs));
            }
            if (areas.empty() && info.area_name) {
                // No short names to be had: PROJ's descriptions stand in.
                ListedArea area;
                area.name = info.area_name;
                area.lowerName = LowerAscii(area.name);
                area.world = info.bbox_valid && info.west_lon_degree <= -180 &&
                             info.east_lon_degree >= 180;
                all[at->second].areas.push_back(std::move(area));
            }
        }
        Proj().proj_crs_info_list_destroy(list);
        for (ListedCrs &crs : all) {
            std::vector<std::string> names;
            for (const ListedArea &area : crs.areas)
                if (std::find(names.begin(), names.end(), area.name) ==
                    names.end())
                    names.push_back(area.name);
            crs.entry.area = Joined(names, "; ");
        }
        return all;
    }();
    return entries;
}

} // namespace

std::vector<CrsListEntry> FindCrs(std::string_view filter, bool deprecated) {
    const std::string key = LowerAscii(Trim(filter));
    // "EPSG:5186", "epsg:5186" and "5186" all find the code.
    std::string code = key;
    if (const std::size_t colon = key.find(':'); colon != std::string::npos)
        code = key.substr(colon + 1);
    // By what matches: the code, the name, the area only; current systems
    // before deprecated ones in each.
    std::vector<CrsListEntry> groups[6];
    for (const ListedCrs &crs : AllCrs()) {
        if (crs.entry.deprecated && !deprecated)
            continue;
        int group = 0;
        if (!key.empty()) {
            // A world-wide area is matched by its short name alone: its
            // description names every country.
            const auto inArea = [&key](const ListedArea &area) {
                return area.lowerName.find(key) != std::string::npos ||
                       (!area.world &&
                        area.lowerText.find(key) != std::string::npos);
            };
            if (crs.lowerId == key || crs.code == code)
                group = 0;
            else if (crs.lowerName.find(key) != std::string::npos)
                group = 1;
            else if (std::any_of(crs.areas.begin(), crs.areas.end(), inArea))
                group = 2;
            else
                continue;
        }
        groups[2 * group + (crs.entry.deprecated ? 1 : 0)].push_back(crs.entry);
    }
    std::vector<CrsListEntry> entries;
    for (int g = 0; g < 3; ++g)
        for (int d = 0; d < 2; ++d)
            entries.insert(entries.end(), groups[2 * g + d].begin(),
                           groups[2 * g + d].end());
    return entries;
}

std::string ListCrs(std::string_view filter, bool deprecated) {
    // A table without its database would be a heading alone.
    ThreadProjContext().CheckDatabase();
    const std::vector<CrsListEntry> entries = FindCrs(filter, deprecated);
    if (entries.empty()) {
        const std::size_t old = deprecated ? 0 : FindCrs(filter, true).size();
        throw ProjError("no system of PROJ's database matches '" +
                        EscapeForMessage(Trim(filter)) + "'" +
                        (old == 0 ? std::string()
                                  : " (" +
                                        Counted(old, "deprecated one does",
                                                "deprecated ones do") +
                                        ")"));
    }
    std::string out = "id\tname\tkind\tarea of use\n";
    for (const CrsListEntry &entry : entries) {
        out += entry.id + "\t" + entry.name +
               (entry.deprecated ? " (deprecated)" : "") + "\t" +
               KindName(entry.kind) + "\t" + entry.area + "\n";
    }
    return out;
}

namespace {

/// Cuts an operation's pipeline text into its outer steps (an axis swap, a
/// unit conversion between degrees and radians, at either end) and its
/// inner steps; nothing is cut when it has another shape.
DirectSteps CutPipeline(const std::string &pipeline) {
    DirectSteps cut;
    const std::string head = "+proj=pipeline ";
    if (pipeline.rfind(head, 0) != 0)
        return cut;
    std::vector<std::string> steps;
    const std::string marker = "+step ";
    for (std::size_t at = pipeline.find(marker); at != std::string::npos;) {
        const std::size_t next = pipeline.find(" " + marker, at);
        steps.push_back(pipeline.substr(at + marker.size(),
                                        next == std::string::npos
                                            ? std::string::npos
                                            : next - at - marker.size()));
        at = next == std::string::npos ? next : next + 1;
    }
    const std::string swap = "+proj=axisswap +order=2,1";
    const std::string toRad = "+proj=unitconvert +xy_in=deg +xy_out=rad";
    const std::string toDeg = "+proj=unitconvert +xy_in=rad +xy_out=deg";
    std::size_t first = 0, last = steps.size();
    bool swapIn = false, toRadians = false, toDegrees = false, swapOut = false;
    if (first < last && steps[first] == swap) {
        swapIn = true;
        ++first;
    }
    if (first < last && steps[first] == toRad) {
        toRadians = true;
        ++first;
    }
    if (last > first && steps[last - 1] == swap) {
        swapOut = true;
        --last;
    }
    if (last > first && steps[last - 1] == toDeg) {
        toDegrees = true;
        --last;
    }
    // Only the inner steps' own coordinates are left: angles in radians at
    // both ends, or metres; anything else is run as PROJ gives it.
    if (last <= first || (!toRadians && !toDegrees))
        return cut;
    for (std::size_t i = first; i < last; ++i)
        if (steps[i] == swap || steps[i].find("unitconvert") != std::string::npos)
            return cut;
    std::string inner = last - first == 1 ? std::string()
                                          : std::string("+proj=pipeline");
    for (std::size_t i = first; i < last; ++i)
        inner += (last - first == 1 ? "" : " +step ") + steps[i];
    if (last - first == 1 && inner.rfind("+inv ", 0) == 0)
        inner = "+proj=pipeline +step " + inner;
    cut.steps = inner;
    cut.swapIn = swapIn;
    cut.toRadians = toRadians;
    cut.toDegrees = toDegrees;
    cut.swapOut = swapOut;
    return cut;
}

} // namespace
