// Reference systems and operations through PROJ.
#include "Proj.h"

#include "ProjLibrary.h"
#include "TextParts.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
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

/// Error messages kept per context: enough for the first reasons.
constexpr std::size_t MAX_ERRORS = 2000;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
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
        LowerAscii(text.substr(0, 4)) != "urn:" && LowerAscii(text.substr(0, 5)) != "http:") {
        std::string out(text);
        for (std::size_t i = 0; i < colon; ++i)
            out[i] = static_cast<char>(
                std::toupper(static_cast<unsigned char>(out[i])));
        // The authority of a compound's second part as well.
        const std::size_t plus = out.find('+');
        const std::size_t colon2 =
            plus == std::string::npos ? plus : out.find(':', plus);
        if (colon2 != std::string::npos)
            for (std::size_t i = plus + 1; i < colon2; ++i)
                out[i] = static_cast<char>(
                    std::toupper(static_cast<unsigned char>(out[i])));
        return out;
    }
    return std::string(text);
}

std::string AccuracyText(double accuracy) {
    if (accuracy < 0)
        return "accuracy unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%g m", accuracy);
    return text;
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
    if (lon > 180)
        lon -= 360;
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

std::string OperationFacts::Label() const {
    std::string text = id.empty() ? name : id + " " + name;
    return text + ", " + AccuracyText(accuracy);
}

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

void ProjContext::SetSearchPaths(const std::vector<std::string> &paths) {
    std::vector<const char *> list;
    for (const std::string &path : paths)
        list.push_back(path.c_str());
    Proj().proj_context_set_search_paths(m_ctx, static_cast<int>(list.size()),
                                  list.data());
}

std::string ProjContext::TakeErrors() { return std::exchange(m_strErrors, {}); }

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
    if (lower.rfind("+proj=", 0) == 0 || lower.rfind("proj=", 0) == 0 ||
        lower.rfind("+init=", 0) == 0 || lower.rfind("urn:ogc:def:", 0) == 0 ||
        lower.rfind("http://www.opengis.net/def/", 0) == 0 || text[0] == '{')
        return true;
    // WKT: a keyword and its bracket.
    std::size_t k = 0;
    while (k < text.size() && (std::isupper(static_cast<unsigned char>(text[k])) ||
                               text[k] == '_' ||
                               std::isdigit(static_cast<unsigned char>(text[k]))))
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

struct ProjTransform::Shared {
    std::shared_ptr<const CrsFacts> from, to;
    /// The single operation's pipeline cut at its outer steps: the inner
    /// steps' text, and the outer steps done here (see MakeDirect).
    std::string directSteps;
    bool swapIn = false, toRadians = false, toDegrees = false, swapOut = false;
    std::vector<OperationFacts> candidates;
    std::vector<MissingOperation> missing;
    bool ballpark = false;
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
    const int count = Proj().proj_coordoperation_get_grid_used_count(ctx, op);
    for (int i = 0; i < count; ++i) {
        const char *shortName = nullptr;
        if (Proj().proj_coordoperation_get_grid_used(ctx, op, i, &shortName, nullptr,
                                              nullptr, nullptr, nullptr,
                                              nullptr, nullptr) &&
            shortName)
            facts.grids.emplace_back(shortName);
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


} // namespace

namespace {

std::string GridAdvice() {
    std::string where;
    for (const std::string &dir : GridDirectories()) {
        if (!where.empty())
            where += ", ";
        where += dir;
    }
    return "put the file into one of PROJ's grid directories (" + where +
           "), or name a directory in PROJ_DATA";
}

} // namespace

ProjTransform::ProjTransform(const ProjCrs &from, const ProjCrs &to,
                             Options options, ProjContext &context)
    : m_pContext(&context) {
    PJ_CONTEXT *ctx = context.Get();
    auto shared = std::make_shared<Shared>();
    shared->from = std::make_shared<CrsFacts>(from.Facts());
    shared->to = std::make_shared<CrsFacts>(to.Facts());
    context.TakeErrors();

    // PROJ's candidates, as proj_create_crs_to_crs finds them (those it can
    // use), and more accurate ones that a missing grid keeps out: one query.
    BoxMaker sourceBoxes(ctx, from.Get(), from.Facts());
    ListPtr all = Operations(ctx, from.Get(), to.Get(),
                             PROJ_GRID_AVAILABILITY_USED_FOR_SORTING,
                             options.allowBallpark);
    const int allCount = all ? Proj().proj_list_get_count(all.get()) : 0;
    std::vector<PjPtr> unusable;
    PjPtr single;
    for (int i = 0; i < allCount; ++i) {
        PjPtr op(Proj().proj_list_get(ctx, all.get(), i));
        if (!op)
            continue;
        if (!Proj().proj_coordoperation_is_instantiable(ctx, op.get())) {
            unusable.push_back(std::move(op));
            continue;
        }
        OperationFacts facts = FactsOfOperation(ctx, op.get());
        SourceBox(sourceBoxes, from.Facts(), facts);
        shared->candidates.push_back(std::move(facts));
        if (shared->candidates.size() == 1)
            single = std::move(op);
    }
    for (PjPtr &op : unusable) {
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
    if (shared->candidates.empty()) {
        std::string message = "PROJ has no operation from " + pair;
        ListPtr ballpark =
            options.allowBallpark
                ? nullptr
                : Operations(ctx, from.Get(), to.Get(),
                             PROJ_GRID_AVAILABILITY_DISCARD_OPERATION_IF_MISSING_GRID,
                             true);
        const bool ballparkOnly =
            ballpark && Proj().proj_list_get_count(ballpark.get()) > 0;
        if (ballparkOnly)
            message = "only a ballpark operation exists from " + pair +
                      " (no published transformation; a height would be "
                      "left as it is)";
        for (const MissingOperation &m : shared->missing)
            for (const std::string &grid : m.missingGrids)
                message += "; " + m.operation.Label() + " needs the grid " +
                           grid + ", which is not installed: " + GridAdvice();
        if (ballparkOnly)
            throw BallparkOnlyError(message);
        throw ProjError(message);
    }
    BoxMaker targetBoxes(ctx, to.Get(), to.Facts());
    shared->targetBoxKnown =
        targetBoxes.In(to.Facts().area, shared->targetMin, shared->targetMax);
    shared->ballpark = std::all_of(
        shared->candidates.begin(), shared->candidates.end(),
        [](const OperationFacts &c) { return c.ballpark; });

    const char *createOptions[] = {options.allowBallpark ? "ALLOW_BALLPARK=YES"
                                                         : "ALLOW_BALLPARK=NO",
                                   nullptr};
    // With one candidate proj_create_crs_to_crs gives that operation
    // itself; the query is not run twice.
    m_pOperation = shared->candidates.size() == 1
                        ? single.release()
                        : Proj().proj_create_crs_to_crs_from_pj(
                              ctx, from.Get(), to.Get(), nullptr, createOptions);
    if (!m_pOperation)
        throw ProjError("PROJ cannot set up the operation from " + pair + ": " +
                        context.TakeErrors());
    if (shared->candidates.size() == 1)
        CutPipeline(shared->candidates.front().proj, *shared);
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
    Proj().proj_destroy(m_pDirect);
    Proj().proj_destroy(m_pOperation);
}

void ProjTransform::MakeDirect() {
    // The operation's own inner steps, made from PROJ's text of them: the
    // same code as inside the pipeline, without the pipeline's passes
    // through its axis swaps and unit conversions, which are done here with
    // PROJ's factors (the same multiplications, the same bits).
    if (m_shared->directSteps.empty())
        return;
    m_pDirect = Proj().proj_create(m_pContext->Get(),
                                   m_shared->directSteps.c_str());
}

void ProjTransform::Switched(std::string_view name) {
    const auto &candidates = m_shared->candidates;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].name == name) {
            m_nCurrent = i;
            return;
        }
}

std::size_t ProjTransform::Convert(const double in[3], double out[3]) {
    static const ProjApi &api = Proj();
    PJ_COORD coord;
    coord.v[0] = in[0];
    coord.v[1] = in[1];
    coord.v[2] = in[2];
    coord.v[3] = HUGE_VAL;
    PJ_COORD result;
    PJ *operation = m_pOperation;
    if (m_pDirect) {
        const Shared &cut = *m_shared;
        operation = m_pDirect;
        if (cut.swapIn)
            std::swap(coord.v[0], coord.v[1]);
        if (cut.toRadians) {
            coord.v[0] *= DEGREES_TO_RADIANS;
            coord.v[1] *= DEGREES_TO_RADIANS;
        }
        api.proj_errno_reset(m_pDirect);
        result = api.proj_trans(m_pDirect, PJ_FWD, coord);
        if (cut.toDegrees) {
            result.v[0] *= RADIANS_TO_DEGREES;
            result.v[1] *= RADIANS_TO_DEGREES;
        }
        if (cut.swapOut)
            std::swap(result.v[0], result.v[1]);
    } else {
        m_pContext->m_pListener = this;
        api.proj_errno_reset(m_pOperation);
        result = api.proj_trans(m_pOperation, PJ_FWD, coord);
    }
    if (!std::isfinite(result.v[0]) || !std::isfinite(result.v[1]) ||
        !std::isfinite(result.v[2])) {
        const int error = Proj().proj_errno(operation);
        m_pContext->TakeErrors();
        const char *why =
            error ? Proj().proj_context_errno_string(m_pContext->Get(), error) : nullptr;
        throw ProjPointError(std::string("PROJ cannot convert the point") +
                             (why ? std::string(": ") + why : std::string()));
    }
    out[0] = result.v[0];
    out[1] = result.v[1];
    out[2] = result.v[2];
    return m_nCurrent;
}

const std::vector<OperationFacts> &ProjTransform::Candidates() const {
    return m_shared->candidates;
}

const std::vector<MissingOperation> &ProjTransform::Missing() const {
    return m_shared->missing;
}

bool ProjTransform::Ballpark() const { return m_shared->ballpark; }

bool ProjTransform::TargetContains(double a, double b) const {
    return !m_shared->targetBoxKnown ||
           BoxHolds(m_shared->targetMin, m_shared->targetMax, a, b);
}

const CrsFacts &ProjTransform::From() const { return *m_shared->from; }
const CrsFacts &ProjTransform::To() const { return *m_shared->to; }

// ---- grids and the database --------------------------------------------------

std::vector<std::string> GridDirectories() {
    std::vector<std::string> dirs;
    const PJ_INFO info = Proj().proj_info();
    std::string paths = info.searchpath ? info.searchpath : "";
    std::size_t start = 0;
    while (start <= paths.size()) {
        const std::size_t end = paths.find_first_of(";:", start);
        const std::string dir = paths.substr(
            start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() &&
            std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(dir);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (const char *user = Proj().proj_context_get_user_writable_directory(
            ThreadProjContext().Get(), 0)) {
        if (std::find(dirs.begin(), dirs.end(), user) == dirs.end())
            dirs.emplace_back(user);
    }
    return dirs;
}

namespace {

/// Every system of PROJ's database, read once: the list is plain data that
/// any thread may filter.
const std::vector<CrsListEntry> &AllCrs() {
    static const std::vector<CrsListEntry> entries = [] {
        PJ_CONTEXT *ctx = ThreadProjContext().Get();
        int count = 0;
        PROJ_CRS_INFO **list = Proj().proj_get_crs_info_list_from_database(
            ctx, nullptr, nullptr, &count);
        std::vector<CrsListEntry> all;
        all.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const PROJ_CRS_INFO &info = *list[i];
            CrsListEntry entry;
            entry.id = std::string(info.auth_name) + ":" + info.code;
            entry.name = info.name ? info.name : "";
            entry.kind = KindOfType(info.type);
            entry.area = info.area_name ? info.area_name : "";
            entry.deprecated = info.deprecated != 0;
            all.push_back(std::move(entry));
        }
        Proj().proj_crs_info_list_destroy(list);
        // Current systems before deprecated ones.
        std::stable_partition(all.begin(), all.end(),
                              [](const CrsListEntry &e) { return !e.deprecated; });
        return all;
    }();
    return entries;
}

} // namespace

std::vector<CrsListEntry> FindCrs(std::string_view filter) {
    const std::string key = LowerAscii(Trim(filter));
    // "EPSG:5186", "epsg:5186" and "5186" all find the code.
    std::string code = key;
    if (const std::size_t colon = key.find(':'); colon != std::string::npos)
        code = key.substr(colon + 1);
    std::vector<CrsListEntry> entries;
    for (const CrsListEntry &entry : AllCrs()) {
        if (!key.empty()) {
            const std::size_t colon = entry.id.find(':');
            const bool match =
                LowerAscii(entry.id) == key || entry.id.substr(colon + 1) == code ||
                LowerAscii(entry.name).find(key) != std::string::npos ||
                LowerAscii(entry.area).find(key) != std::string::npos;
            if (!match)
                continue;
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string ListCrs(std::string_view filter) {
    std::string out = "id\tname\tkind\tarea of use\n";
    for (const CrsListEntry &entry : FindCrs(filter)) {
        out += entry.id + "\t" + entry.name +
               (entry.deprecated ? " (deprecated)" : "") + "\t" +
               KindName(entry.kind) + "\t" + entry.area + "\n";
    }
    return out;
}

/// Cuts a single operation's pipeline text into its outer steps (an axis
/// swap, a unit conversion between degrees and radians, at either end) and
/// its inner steps; nothing is cut when it has another shape.
void ProjTransform::CutPipeline(const std::string &pipeline, Shared &shared) {
    const std::string head = "+proj=pipeline ";
    if (pipeline.rfind(head, 0) != 0)
        return;
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
        return;
    for (std::size_t i = first; i < last; ++i)
        if (steps[i] == swap || steps[i].find("unitconvert") != std::string::npos)
            return;
    std::string inner = last - first == 1 ? std::string()
                                          : std::string("+proj=pipeline");
    for (std::size_t i = first; i < last; ++i)
        inner += (last - first == 1 ? "" : " +step ") + steps[i];
    if (last - first == 1 && inner.rfind("+inv ", 0) == 0)
        inner = "+proj=pipeline +step " + inner;
    shared.directSteps = inner;
    shared.swapIn = swapIn;
    shared.toRadians = toRadians;
    shared.toDegrees = toDegrees;
    shared.swapOut = swapOut;
}
