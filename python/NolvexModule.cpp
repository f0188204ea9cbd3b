// The Python module nolvex's core: the batch converter's chain on numpy
// arrays and single points, what each call's points met (failures,
// warnings, operations), its strict point reader on texts, its number
// writer and the lists of systems, datums and ellipsoids.
#include "CatalogueEntries.h"
#include "Code.h"
#include "Options.h"
#include "PointArrays.h"
#include "PointText.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;
using Positions = py::array_t<std::int64_t, py::array::c_style>;

/// The module's exception and warning classes (nolvex/_errors.py), looked
/// up once when the module loads.
struct Classes {
    py::object transformError, unknownSystemError;
    py::object outsideArea, ballpark, missingGrid;
};

Classes &TheClasses() {
    // Kept until the process ends: the interpreter may already be gone
    // when static objects are destroyed.
    static Classes *classes = new Classes;
    return *classes;
}

// ---- faults in the module's words
// ---------------------------------------------------

/// The keyword of the Transformer that sets @p field of side @p side.
std::string KeywordOf(FaultSide side, FaultField field) {
    const std::string prefix = side == FaultSide::From ? "from_"
                               : side == FaultSide::To ? "to_"
                                                       : "";
    switch (field) {
    case FaultField::System:
        return side == FaultSide::From ? "source"
               : side == FaultSide::To ? "target"
                                       : "";
    case FaultField::FalseEasting:
        return prefix + "false_easting";
    case FaultField::FalseNorthing:
        return prefix + "false_northing";
    case FaultField::OriginLat:
        return prefix + "origin_lat";
    case FaultField::OriginLon:
        return prefix + "origin_lon";
    case FaultField::DeltaLon:
        return prefix + "delta_lon";
    case FaultField::UserEllipsoid:
        return "user_ellipsoid";
    case FaultField::UserDatum:
        return "user_datum";
    case FaultField::None:
    case FaultField::Operation:
        break;
    }
    return {};
}

/// The advice of @p advice in the module's words.
std::string AdviceText(FaultAdvice advice) {
    switch (advice) {
    case FaultAdvice::AllowBallpark:
        return ": allow_ballpark=True uses it";
    case FaultAdvice::ListSystems:
        return "; nolvex.list_crs(\"korea\") finds systems by code, name or "
               "area of use";
    case FaultAdvice::ListDatums:
        return "; nolvex.list_datums() lists the catalogue's datums";
    case FaultAdvice::ListEllipsoids:
        return "; nolvex.list_ellipsoids() lists the catalogue's ellipsoids";
    case FaultAdvice::None:
        break;
    }
    return {};
}

/// A fault as the module says it: its keyword, its reason, and the
/// keyword or call that mends it. @p reversed: the fault of the reverse
/// conversion, whose sides are the Transformer's the other way round.
std::string FaultText(SetupFault fault, bool reversed = false) {
    if (reversed)
        fault.side = fault.side == FaultSide::From ? FaultSide::To
                     : fault.side == FaultSide::To ? FaultSide::From
                                                   : FaultSide::None;
    const std::string keyword = KeywordOf(fault.side, fault.field);
    return (keyword.empty() ? fault.reason : keyword + ": " + fault.reason) +
           AdviceText(fault.advice);
}

/// Raises @p type (a class of nolvex._errors) with @p message.
[[noreturn]] void Raise(const py::object &type, const std::string &message) {
    PyErr_SetString(type.ptr(), message.c_str());
    throw py::error_already_set();
}

/// Runs @p make, saying its faults as the module says them.
template <typename Make> auto Worded(bool reversed, Make make) {
    try {
        return make();
    } catch (const UnknownSystemError &e) {
        Raise(TheClasses().unknownSystemError, FaultText(e.Fault(), reversed));
    } catch (const UsageError &e) {
        throw py::value_error(FaultText(e.Fault(), reversed));
    } catch (const SetupError &e) {
        throw py::value_error(FaultText(e.Fault(), reversed));
    } catch (const NoOperationError &e) {
        throw py::value_error(e.what() +
                              (e.BallparkOnly()
                                   ? AdviceText(FaultAdvice::AllowBallpark)
                                   : std::string()));
    } catch (const ProjError &e) {
        throw py::value_error(e.what());
    }
}

// ---- keywords
// ------------------------------------------------------------------------

/// A text keyword's value; a NUL would cut it short wherever it goes.
std::string TextOf(const std::string &name, const py::handle &value) {
    if (!py::isinstance<py::str>(value))
        throw py::type_error(name + " takes a str");
    std::string text = value.cast<std::string>();
    if (text.find('\0') != std::string::npos)
        throw py::value_error(name + " holds a NUL character");
    return text;
}

bool FlagOf(const std::string &name, const py::handle &value) {
    // numpy's own bool too, as a mask or a comparison gives it.
    if (!py::isinstance<py::bool_>(value) &&
        py::type::of(value).attr("__name__").cast<std::string>() != "bool_")
        throw py::type_error(name + " takes True or False");
    return PyObject_IsTrue(value.ptr()) == 1;
}

/// A number, or its text, for a grid setting.
std::string SettingOf(const std::string &name, const py::handle &value) {
    if (py::isinstance<py::str>(value))
        return TextOf(name, value);
    if (py::isinstance<py::bool_>(value) ||
        !(py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value)))
        throw py::type_error(name + " takes a number or its text");
    return Code::FormatReal(value.cast<double>(), '.');
}

/// A UTM zone given as a keyword ("52N", "56S", "52") into the grid
/// settings of the utm side @p side.
void ApplyZone(const std::string &keyword, const std::string &text,
               ConversionSide &side) {
    CatalogueSide *catalogue = side.Catalogue();
    if (!catalogue || catalogue->kind != GridKind::Utm)
        throw py::value_error(keyword + " needs a utm side (\"WGS84:utm\")");
    int zone = 0;
    char hemisphere = 0;
    if (!ParseUtmZone(text, zone, hemisphere))
        throw py::value_error(keyword +
                              " takes a zone from 1 to 60 with N or S "
                              "for its hemisphere (\"52N\", \"56S\")");
    if (catalogue->grid.originLon)
        throw py::value_error(keyword + " and an origin longitude together");
    SetUtmZone(catalogue->grid, zone, hemisphere);
}

/// The module's advice after the notes and failures of points.
FrontEndWords ModuleWords() {
    FrontEndWords words;
    words[Advice::OutsideAreaError] =
        " (outside_area=\"error\" makes them errors)";
    words[Advice::RequireBest] = " (require_best=True makes them errors)";
    words[Advice::AllowBallparkPoint] = ": allow_ballpark=True uses it";
    return words;
}

/// The description of a Transformer's conversion, from its arguments: the
/// sides as texts (a datum with its grid kind, or a system PROJ knows), and
/// its keywords.
BatchOptions OptionsOf(const std::string &source, const std::string &target,
                       const py::dict &keywords) {
    BatchOptions options;
    options.words = ModuleWords();
    Conversion &conversion = options.conversion;
    ConversionOptions &rows = conversion.options;
    std::map<std::string, py::object> given;
    for (const auto &[key, value] : keywords)
        given[py::str(key)] = py::reinterpret_borrow<py::object>(value);
    for (const auto &[name, text] :
         {std::pair{"source", &source}, std::pair{"target", &target}})
        if (text->find('\0') != std::string::npos)
            throw py::value_error(std::string(name) + " holds a NUL character");
    // The user rows first: the sides' names may name them.
    if (const auto it = given.find("user_ellipsoid"); it != given.end())
        rows.userEllipsoid = ParseUserEllipsoid(TextOf(it->first, it->second));
    if (const auto it = given.find("user_datum"); it != given.end())
        rows.userDatum =
            ParseUserDatum(TextOf(it->first, it->second),
                           CatalogueWith(rows.userEllipsoid, std::nullopt));
    const COORD catalogue = CatalogueWith(rows.userEllipsoid, rows.userDatum);
    conversion.from = ParseSide(source, catalogue, FaultSide::From);
    conversion.to = ParseSide(target, catalogue, FaultSide::To);

    static const struct {
        const char *name;
        std::optional<std::string> GridSettings::*field;
    } GRID[] = {{"false_easting", &GridSettings::falseEasting},
                {"false_northing", &GridSettings::falseNorthing},
                {"origin_lat", &GridSettings::originLat},
                {"origin_lon", &GridSettings::originLon},
                {"delta_lon", &GridSettings::deltaLon}};
    // The east axis first, by any of its names; given twice they agree.
    std::optional<std::pair<std::string, bool>> eastFirst;
    for (const auto &[name, value] : given) {
        if (name == "user_ellipsoid" || name == "user_datum")
            continue;
        if (name == "utm_zone") {
            const std::string zone = TextOf(name, value);
            bool any = false;
            for (ConversionSide *side : {&conversion.from, &conversion.to})
                if (side->Kind() == GridKind::Utm) {
                    ApplyZone(name, zone, *side);
                    any = true;
                }
            if (!any)
                throw py::value_error("utm_zone needs a utm side");
        } else if (name == "from_utm_zone") {
            ApplyZone(name, TextOf(name, value), conversion.from);
        } else if (name == "to_utm_zone") {
            ApplyZone(name, TextOf(name, value), conversion.to);
        } else if (name == "always_xy" || name == "lonlat" ||
                   name == "easting_first") {
            const bool flag = FlagOf(name, value);
            if (eastFirst && eastFirst->second != flag)
                throw py::value_error(eastFirst->first + " and " + name +
                                      " disagree (both put the east axis "
                                      "first)");
            eastFirst = {name, flag};
            options.lonLat = flag;
        } else if (name == "allow_ballpark") {
            rows.allowBallpark = FlagOf(name, value);
        } else if (name == "require_best") {
            rows.requireBest = FlagOf(name, value);
        } else if (name == "outside_area") {
            const std::string policy = TextOf(name, value);
            if (policy != "warn" && policy != "error")
                throw py::value_error(
                    "outside_area takes \"warn\" or \"error\"");
            rows.outsideArea = policy == "error" ? OutsidePolicy::Error
                                                 : OutsidePolicy::Warn;
        } else if (name == "height") {
            if (py::isinstance<py::bool_>(value) ||
                !(py::isinstance<py::float_>(value) ||
                  py::isinstance<py::int_>(value)))
                throw py::type_error("height takes a number");
            options.height = HeightSource{{}, value.cast<double>()};
        } else {
            bool known = false;
            for (const bool from : {true, false}) {
                const std::string prefix = from ? "from_" : "to_";
                if (name.rfind(prefix, 0) != 0)
                    continue;
                for (const auto &grid : GRID)
                    if (name.substr(prefix.size()) == grid.name) {
                        ConversionSide &side =
                            from ? conversion.from : conversion.to;
                        if (!side.Catalogue())
                            throw py::value_error(
                                name + ": " + side.System()->definition +
                                " fixes its own " + grid.name);
                        side.Catalogue()->grid.*grid.field =
                            SettingOf(name, value);
                        known = true;
                    }
            }
            if (!known)
                throw py::type_error("Transformer got an unexpected keyword "
                                     "argument '" + name + "'");
        }
    }
    const CatalogueSide *from = conversion.from.Catalogue();
    if (from && from->kind == GridKind::Utm && !from->grid.originLon)
        throw py::value_error("a utm source needs its zone: from_utm_zone "
                              "(\"52N\", \"56S\")");
    CheckOptions(options);
    return options;
}

/// The conversion the other way: the sides swapped with their settings.
BatchOptions ReversedOptions(const BatchOptions &options) {
    if (options.height)
        throw py::value_error(
            "direction=\"INVERSE\" with height: the height value is the "
            "source's, and the inverse's source is the target");
    BatchOptions reversed = options;
    std::swap(reversed.conversion.from, reversed.conversion.to);
    const CatalogueSide *from = reversed.conversion.from.Catalogue();
    if (from && from->kind == GridKind::Utm && !from->grid.originLon)
        throw py::value_error("direction=\"INVERSE\" needs the utm target's "
                              "zone: to_utm_zone (\"52N\", \"56S\")");
    CheckOptions(reversed);
    return reversed;
}

// ---- what the chain is
// ----------------------------------------------------------------

/// A catalogue side by its datum's text and its grid: "Tokyo(---)",
/// "World Geodetic System 1984, UTM grid".
std::string CatalogueSideText(const COORD &engine, GridKind kind) {
    DatumEntry row;
    ReadDatumEntry(engine, engine.GetDatum(), row);
    switch (kind) {
    case GridKind::Geographic:
        break;
    case GridKind::Utm:
        return row.text + ", UTM grid";
    case GridKind::Tm:
        return row.text + ", TM grid";
    case GridKind::G7:
        return row.text + ", G7 grid";
    case GridKind::Ecef:
        return row.text + ", ECEF";
    }
    return row.text;
}

py::object AreaOf(const GeoBox &area) {
    if (!area.known)
        return py::none();
    return py::make_tuple(area.name, area.west, area.south, area.east,
                          area.north);
}

/// The axes of @p axes in the order the arrays hold them: (name as a
/// heading gives it, PROJ's name, abbreviation, direction, unit).
py::list AxesOf(const SideAxes &axes, bool eastFirst) {
    py::list list;
    for (const int i : axes.FileOrder(eastFirst))
        list.append(py::make_tuple(axes.ValueName(i), axes[i].name,
                                   axes[i].abbreviation, axes[i].direction,
                                   axes[i].unit));
    return list;
}

/// Positions of points as the caller knows them: its shape, and where
/// masked points were left out.
class Where {
  public:
    Where(const py::tuple &shape, const std::optional<Positions> &positions)
        : m_positions(positions ? positions->data() : nullptr) {
        for (const py::handle dim : shape)
            m_shape.push_back(dim.cast<py::ssize_t>());
    }
    std::size_t Flat(std::size_t i) const {
        return m_positions ? static_cast<std::size_t>(m_positions[i]) : i;
    }
    /// An int for one dimension or none, else a tuple.
    py::object Key(std::size_t i) const {
        std::size_t flat = Flat(i);
        if (m_shape.size() <= 1)
            return py::int_(flat);
        py::tuple key(m_shape.size());
        for (std::size_t d = m_shape.size(); d-- > 0;) {
            const auto dim = static_cast<std::size_t>(m_shape[d]);
            key[d] = py::int_(flat % dim);
            flat /= dim;
        }
        return key;
    }
    std::string Text(std::size_t i) const {
        return py::str(Key(i)).cast<std::string>();
    }

  private:
    const std::int64_t *m_positions;
    std::vector<py::ssize_t> m_shape;
};

/// Raises TransformError for @p failures: the first one's message, with
/// every message in its errors.
[[noreturn]] void RaiseFailures(const std::vector<PointFailure> &failures,
                                const py::dict &errors, const Where &where) {
    const std::string more =
        failures.size() > 1
            ? " (and " + std::to_string(failures.size() - 1) +
                  " more: the exception's errors holds every message)"
            : std::string();
    py::object error = TheClasses().transformError(
        "point " + where.Text(failures.front().first) + ": " +
        failures.front().second + more);
    error.attr("errors") = errors;
    PyErr_SetObject(TheClasses().transformError.ptr(), error.ptr());
    throw py::error_already_set();
}

/**
 * Points between two systems, with the converter's chain. Any number of
 * threads may convert with one at the same time: nothing of a call is kept
 * on it, and each thread converts with its own copy of PROJ's objects.
 */
class Transformer {
  public:
    Transformer(const std::string &source, const std::string &target,
                const py::kwargs &keywords)
        : m_converter(Worded(false,
                             [&] {
                                 return std::make_unique<ArrayConverter>(
                                     OptionsOf(source, target, keywords));
                             })),
          m_bReversed(false) {}

    /// The conversion the other way, as direction="INVERSE" converts.
    std::unique_ptr<Transformer> Reverse() const {
        return std::unique_ptr<Transformer>(new Transformer(
            Worded(true,
                   [&] {
                       return std::make_unique<ArrayConverter>(
                           ReversedOptions(m_converter->Options()));
                   }),
            !m_bReversed));
    }

    /// One point of two values in the source's order; two values out in the
    /// target's.
    py::tuple Point2(double a, double b) const {
        double out[3];
        Point(a, b, 0.0, false, out);
        return py::make_tuple(out[0], out[1]);
    }

    py::tuple Point3(double a, double b, double h) const {
        double out[3];
        Point(a, b, h, true, out);
        return py::make_tuple(out[0], out[1], out[2]);
    }

    /**
     * Points of flat arrays; returns the three outputs (the third None
     * without @p h), the failures ({position: message}) and, with
     * @p operations, each operation used with its points.
     * @param[in] raiseErrors failures raise TransformError.
     * @param[in] shape the caller's shape, which positions are said in.
     * @param[in] positions null, or each point's position in the caller's
     *   flattened array (where masked points were left out).
     * @param[in] stacklevel of the warnings; 0: none.
     */
    py::tuple Convert(const Array &a, const Array &b,
                      const std::optional<Array> &h, unsigned threads,
                      bool raiseErrors, bool operations, const py::tuple &shape,
                      const std::optional<Positions> &positions,
                      int stacklevel) const {
        if (threads < 1)
            throw py::value_error("threads takes 1 or more");
        const auto count = static_cast<std::size_t>(a.size());
        if (static_cast<std::size_t>(b.size()) != count ||
            (h && static_cast<std::size_t>(h->size()) != count) ||
            (positions && static_cast<std::size_t>(positions->size()) != count))
            throw py::value_error("the arrays differ in length");
        const Where where(shape, positions);
        Array outA(static_cast<py::ssize_t>(count));
        Array outB(static_cast<py::ssize_t>(count));
        Array outH(static_cast<py::ssize_t>(count));
        // The buffers are taken while the interpreter is held; the work
        // runs without it.
        const double *pa = a.data(), *pb = b.data();
        const double *ph = h ? h->data() : nullptr;
        double *qa = outA.mutable_data(), *qb = outB.mutable_data(),
               *qh = outH.mutable_data();
        ArrayReport report;
        {
            py::gil_scoped_release release;
            m_converter->Convert(count, pa, pb, ph, qa, qb, qh, threads,
                                 report);
        }
        if (stacklevel > 0)
            Warn(report, where, stacklevel);
        py::dict errors;
        for (const PointFailure &failure : report.failures)
            errors[where.Key(failure.first)] = py::str(failure.second);
        if (raiseErrors && !report.failures.empty())
            RaiseFailures(report.failures, errors, where);
        return py::make_tuple(
            outA, outB, h ? py::object(outH) : py::object(py::none()), errors,
            operations ? OperationsUsed(report) : py::object(py::none()));
    }

    /**
     * Points of flat arrays for a table: the outputs, and per row what a
     * row of the converter's output would say, as a code into a list of
     * distinct texts (-1: nothing to say): a failure's message or the
     * notes of a converted point. Rows that say the same share a code.
     */
    py::tuple ConvertRows(const Array &a, const Array &b,
                          const std::optional<Array> &h) const {
        const auto count = static_cast<std::size_t>(a.size());
        if (static_cast<std::size_t>(b.size()) != count ||
            (h && static_cast<std::size_t>(h->size()) != count))
            throw py::value_error("the arrays differ in length");
        Array outA(static_cast<py::ssize_t>(count));
        Array outB(static_cast<py::ssize_t>(count));
        Array outH(static_cast<py::ssize_t>(count));
        py::array_t<std::int32_t> codes(static_cast<py::ssize_t>(count));
        const double *pa = a.data(), *pb = b.data();
        const double *ph = h ? h->data() : nullptr;
        double *qa = outA.mutable_data(), *qb = outB.mutable_data(),
               *qh = outH.mutable_data();
        std::int32_t *code = codes.mutable_data();
        std::vector<std::string> texts;
        {
            py::gil_scoped_release release;
            ArrayReport report;
            std::vector<PointNote> notes(count);
            m_converter->Convert(count, pa, pb, ph, qa, qb, qh, 1, report,
                                 notes.data());
            std::map<std::string, std::int32_t> byText;
            std::map<PointNote, std::int32_t> byNote;
            const auto codeOf = [&](const std::string &text) {
                const auto [it, added] = byText.emplace(
                    text, static_cast<std::int32_t>(texts.size()));
                if (added)
                    texts.push_back(text);
                return it->second;
            };
            std::size_t next = 0;
            for (std::size_t i = 0; i < count; ++i) {
                if (next < report.failures.size() &&
                    report.failures[next].first == i) {
                    code[i] = codeOf(report.failures[next++].second);
                } else if (notes[i] == 0) {
                    code[i] = -1;
                } else {
                    auto it = byNote.find(notes[i]);
                    if (it == byNote.end())
                        it = byNote
                                 .emplace(notes[i], codeOf(m_converter->NoteText(
                                                        notes[i])))
                                 .first;
                    code[i] = it->second;
                }
            }
        }
        return py::make_tuple(outA, outB,
                              h ? py::object(outH) : py::object(py::none()),
                              codes, texts);
    }

    py::list SourceAxes() const {
        const LineConverter &chain = m_converter->Prototype();
        return AxesOf(chain.SourceAxes(), m_converter->Options().lonLat);
    }
    py::list TargetAxes() const {
        const LineConverter &chain = m_converter->Prototype();
        return AxesOf(chain.TargetAxes(), m_converter->Options().lonLat);
    }

    /// The operations the chain chooses among, each (name, id, accuracy
    /// or None, area or None, ballpark, grids, pipeline): PROJ's
    /// candidates, or the catalogue's own step.
    py::list Operations() const {
        py::list list;
        const Chain &chain = m_converter->Prototype().Steps();
        const ProjTransform *proj = chain.Proj();
        if (!proj) {
            const auto [swapIn, swapOut] = Swaps();
            list.append(py::make_tuple(CatalogueStepName(), "", py::none(),
                                       py::none(), false, py::list(),
                                       chain.ProjPipeline(swapIn, swapOut)));
            return list;
        }
        const auto [swapIn, swapOut] = Swaps();
        const Conversion &conversion = m_converter->Options().conversion;
        const bool whole =
            conversion.from.IsSystem() && conversion.to.IsSystem();
        const auto &candidates = proj->Candidates();
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            const OperationFacts &op = candidates[i];
            py::list grids;
            for (const std::string &grid : op.GridFiles())
                grids.append(grid);
            list.append(py::make_tuple(
                op.name, op.id,
                op.accuracy >= 0 ? py::object(py::float_(op.accuracy))
                                 : py::object(py::none()),
                AreaOf(op.area), op.ballpark, grids,
                whole ? chain.CandidatePipeline(i, swapIn, swapOut) : op.proj));
        }
        return list;
    }

    /// What the conversion is: its sides, and the operation or how PROJ
    /// chooses among several.
    std::string Description() const {
        const Conversion &conversion = m_converter->Options().conversion;
        const Chain &chain = m_converter->Prototype().Steps();
        const ProjTransform *proj = chain.Proj();
        const auto sideText = [&](bool from) {
            const ConversionSide &side = from ? conversion.from : conversion.to;
            if (side.IsSystem())
                return (from ? proj->From() : proj->To()).Label();
            return CatalogueSideText(from ? chain.Source() : chain.Target(),
                                     side.Kind());
        };
        std::string text = sideText(true) + " to " + sideText(false) + ": ";
        if (!proj)
            return text + CatalogueShift();
        if (!conversion.from.IsSystem() || !conversion.to.IsSystem())
            text += "the catalogue datum through WGS 84 geographic, then ";
        const auto &candidates = proj->Candidates();
        if (candidates.size() == 1)
            text += candidates.front().Label();
        else
            text += "PROJ chooses among " + std::to_string(candidates.size()) +
                    " operations point by point, first " +
                    candidates.front().Label();
        if (!chain.Promoted().empty())
            text += "; " + chain.Promoted() +
                    " made 3D (its third value an ellipsoidal height)";
        return text;
    }

    bool Reversed() const { return m_bReversed; }

  private:
    Transformer(std::unique_ptr<ArrayConverter> converter, bool reversed)
        : m_converter(std::move(converter)), m_bReversed(reversed) {}

    void Point(double a, double b, double h, bool hasHeight,
               double out[3]) const {
        const double file[3] = {a, b, h};
        PointNote note;
        try {
            note = m_converter->ConvertPoint(file, hasHeight, out);
        } catch (const std::exception &e) {
            const std::vector<PointFailure> failures{
                {0, m_converter->FailureText(e)}};
            py::dict errors;
            errors[py::int_(0)] = py::str(failures.front().second);
            RaiseFailures(failures, errors, Where(py::tuple(), std::nullopt));
        }
        if (note != 0)
            Warn(m_converter->ReportOf(note), Where(py::tuple(), std::nullopt),
                 2);
    }

    void Warn(const ArrayReport &report, const Where &where,
              int stacklevel) const {
        const Classes &classes = TheClasses();
        for (const ArrayNote &note : m_converter->Notes(
                 report, [&](std::size_t i) { return where.Text(i); })) {
            const py::object &type =
                note.kind == NoteKind::OutsideArea ? classes.outsideArea
                : note.kind == NoteKind::Ballpark  ? classes.ballpark
                                                   : classes.missingGrid;
            if (PyErr_WarnEx(type.ptr(), note.text.c_str(), stacklevel) != 0)
                throw py::error_already_set(); // warnings made errors
        }
    }

    /// The operations a call used, each with its points.
    py::list OperationsUsed(const ArrayReport &report) const {
        const py::list all = Operations();
        py::list used;
        if (report.operationPoints.empty()) {
            if (report.converted != 0 &&
                !m_converter->Prototype().Steps().Proj())
                used.append(py::make_tuple(all[0], report.converted));
            return used;
        }
        for (std::size_t i = 0; i < report.operationPoints.size(); ++i)
            if (report.operationPoints[i] != 0)
                used.append(py::make_tuple(all[i], report.operationPoints[i]));
        return used;
    }

    /// Whether the first two values are swapped against each side's own
    /// order, in and out.
    std::pair<bool, bool> Swaps() const {
        const LineConverter &chain = m_converter->Prototype();
        const bool lonLat = m_converter->Options().lonLat;
        return {lonLat && chain.SourceAxes().EastFirstSwaps(),
                lonLat && chain.TargetAxes().EastFirstSwaps()};
    }

    /// The catalogue's own shift between its two datums, as the chain's
    /// pipeline has it: none, or one or two standard Molodensky shifts.
    std::string CatalogueShift() const {
        const std::string pipeline =
            m_converter->Prototype().Steps().ProjPipeline();
        const std::string molodensky = "proj=molodensky";
        const std::size_t first = pipeline.find(molodensky);
        if (first == std::string::npos)
            return "no datum shift (one datum)";
        return std::string("the catalogue's standard Molodensky shift") +
               (pipeline.find(molodensky, first + 1) != std::string::npos
                    ? " through WGS 84"
                    : "");
    }

    /// The catalogue's own step between its two sides.
    std::string CatalogueStepName() const {
        const Chain &chain = m_converter->Prototype().Steps();
        const Conversion &conversion = m_converter->Options().conversion;
        return CatalogueSideText(chain.Source(), conversion.from.Kind()) +
               " to " +
               CatalogueSideText(chain.Target(), conversion.to.Kind()) + ", " +
               CatalogueShift();
    }

    std::unique_ptr<ArrayConverter> m_converter;
    bool m_bReversed;
};

// ---- texts and lists
// ---------------------------------------------------------------

/// Texts read as points by the converter's strict reader.
py::tuple ReadPoints(const std::vector<std::string> &texts,
                     bool longitudeFirst) {
    const auto count = static_cast<py::ssize_t>(texts.size());
    Array lat(count), lon(count), h(count);
    double *plat = lat.mutable_data(), *plon = lon.mutable_data(),
           *ph = h.mutable_data();
    std::vector<PointFailure> failures;
    {
        py::gil_scoped_release release;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            try {
                const GeoPoint point = ReadGeoPoint(texts[i], longitudeFirst);
                plat[i] = point.latitude;
                plon[i] = point.longitude;
                ph[i] = point.height.value_or(0.0);
            } catch (const std::exception &e) {
                plat[i] = plon[i] = ph[i] =
                    std::numeric_limits<double>::quiet_NaN();
                failures.emplace_back(i, e.what());
            }
        }
    }
    py::list errors;
    for (const PointFailure &failure : failures)
        errors.append(py::make_tuple(failure.first, failure.second));
    return py::make_tuple(lat, lon, h, errors);
}

/// The converter's texts of @p values: 15 significant digits, a point.
std::vector<std::string> WriteReals(const Array &values) {
    std::vector<std::string> texts(static_cast<std::size_t>(values.size()));
    const double *p = values.data();
    py::gil_scoped_release release;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = std::isnan(p[i]) ? std::string() : Code::FormatReal(p[i], '.');
    return texts;
}

// ---- references: MGRS and geohashes
// -----------------------------------------------------------------

/// The failures of a call as the module gives them: {position: message},
/// and TransformError with @p raiseErrors.
py::dict Failures(const std::vector<PointFailure> &failures, bool raiseErrors,
                  const py::tuple &shape) {
    const Where where(shape, std::nullopt);
    py::dict errors;
    for (const PointFailure &failure : failures)
        errors[where.Key(failure.first)] = py::str(failure.second);
    if (raiseErrors && !failures.empty())
        RaiseFailures(failures, errors, where);
    return errors;
}

/// The references of points on WGS 84 (degrees): MGRS references with
/// @p size digits a coordinate (@p mgrs), else geohashes of @p size
/// characters. Returns (texts, errors), a failed point's text None.
py::tuple ToReferences(bool mgrs, const Array &lat, const Array &lon, int size,
                       bool raiseErrors, const py::tuple &shape) {
    const auto count = static_cast<std::size_t>(lat.size());
    if (static_cast<std::size_t>(lon.size()) != count)
        throw py::value_error("the arrays differ in length");
    const double *plat = lat.data(), *plon = lon.data();
    std::vector<std::string> texts(count);
    std::vector<PointFailure> failures;
    {
        py::gil_scoped_release release;
        for (std::size_t i = 0; i < count; ++i) {
            try {
                // Within the ranges a file's angles are read in.
                CheckAngleRange(plat[i], AngleAxis::Latitude);
                CheckAngleRange(plon[i], AngleAxis::Longitude);
                if (mgrs)
                    WriteMgrs(plat[i], plon[i], size, texts[i]);
                else
                    WriteGeohash(plat[i], plon[i], size, texts[i]);
            } catch (const std::exception &e) {
                failures.emplace_back(i, e.what());
            }
        }
    }
    const py::dict errors = Failures(failures, raiseErrors, shape);
    py::list out(count);
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (next < failures.size() && failures[next].first == i) {
            out[i] = py::none();
            ++next;
        } else {
            out[i] = py::str(texts[i]);
        }
    }
    return py::make_tuple(out, errors);
}

/// Points read from references (@p mgrs: MGRS, else geohashes), each the
/// centre of its square or cell on WGS 84. Returns (latitudes, longitudes,
/// errors), a failed text's point NaN.
py::tuple FromReferences(bool mgrs, const std::vector<std::string> &texts,
                         bool raiseErrors, const py::tuple &shape) {
    const auto count = static_cast<py::ssize_t>(texts.size());
    Array lat(count), lon(count);
    double *plat = lat.mutable_data(), *plon = lon.mutable_data();
    std::vector<PointFailure> failures;
    {
        py::gil_scoped_release release;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            try {
                const ReferencePoint point =
                    mgrs ? ReadMgrs(texts[i]) : ReadGeohash(texts[i]);
                plat[i] = point.latitude;
                plon[i] = point.longitude;
            } catch (const std::exception &e) {
                plat[i] = plon[i] = std::numeric_limits<double>::quiet_NaN();
                failures.emplace_back(i, e.what());
            }
        }
    }
    const py::dict errors = Failures(failures, raiseErrors, shape);
    return py::make_tuple(lat, lon, errors);
}

/// PROJ's systems whose code, name or area holds @p filter: (id, name,
/// kind, area, deprecated).
py::list ListSystems(const std::string &filter, bool deprecated) {
    if (filter.find('\0') != std::string::npos)
        throw py::value_error("filter holds a NUL character");
    std::vector<CrsListEntry> found;
    {
        py::gil_scoped_release release;
        found = FindCrs(filter, deprecated);
    }
    py::list list;
    for (const CrsListEntry &entry : found)
        list.append(py::make_tuple(entry.id, entry.name, KindName(entry.kind),
                                   entry.area, entry.deprecated));
    return list;
}

/// The catalogue's datums: (index, text, code, ellipsoid, dx, dy, dz).
py::list ListDatums() {
    const COORD catalogue = CatalogueWith(std::nullopt, std::nullopt);
    const std::vector<EllipsoidEntry> ellipsoids =
        ReadEllipsoidEntries(catalogue);
    py::list list;
    const std::vector<DatumEntry> datums = ReadDatumEntries(catalogue);
    for (std::size_t i = 0; i < datums.size(); ++i) {
        const DatumEntry &row = datums[i];
        const std::string ellipsoid =
            row.ellipsoid >= 0 &&
                    static_cast<std::size_t>(row.ellipsoid) < ellipsoids.size()
                ? ellipsoids[static_cast<std::size_t>(row.ellipsoid)].text
                : std::string();
        list.append(py::make_tuple(i, row.text, row.code, ellipsoid, row.dx,
                                   row.dy, row.dz));
    }
    return list;
}

/// The catalogue's ellipsoids: (index, text, code, a, invf).
py::list ListEllipsoids() {
    const COORD catalogue = CatalogueWith(std::nullopt, std::nullopt);
    py::list list;
    const std::vector<EllipsoidEntry> rows = ReadEllipsoidEntries(catalogue);
    for (std::size_t i = 0; i < rows.size(); ++i)
        list.append(py::make_tuple(i, rows[i].text, rows[i].code, rows[i].a,
                                   rows[i].invf));
    return list;
}

} // namespace

PYBIND11_MODULE(_nolvex, m) {
    m.doc() = "The batch converter's chain, reader and number writer.";
    const py::module_ errors = py::module_::import("nolvex._errors");
    Classes &classes = TheClasses();
    classes.transformError = errors.attr("TransformError");
    classes.unknownSystemError = errors.attr("UnknownSystemError");
    classes.outsideArea = errors.attr("OutsideAreaWarning");
    classes.ballpark = errors.attr("BallparkWarning");
    classes.missingGrid = errors.attr("MissingGridWarning");

    py::class_<Transformer>(m, "Transformer")
        .def(py::init<const std::string &, const std::string &,
                      const py::kwargs &>(),
             py::arg("source"), py::arg("target"))
        .def("reverse", &Transformer::Reverse)
        .def("point", &Transformer::Point2)
        .def("point3", &Transformer::Point3)
        .def("convert", &Transformer::Convert, py::arg("a"), py::arg("b"),
             py::arg("h"), py::arg("threads"), py::arg("raise_errors"),
             py::arg("operations"), py::arg("shape"), py::arg("positions"),
             py::arg("stacklevel"))
        .def("convert_rows", &Transformer::ConvertRows, py::arg("a"),
             py::arg("b"), py::arg("h"))
        .def("operations", &Transformer::Operations)
        .def_property_readonly("description", &Transformer::Description)
        .def_property_readonly("source_axes", &Transformer::SourceAxes)
        .def_property_readonly("target_axes", &Transformer::TargetAxes)
        .def_property_readonly("reversed", &Transformer::Reversed);
    m.def("read_points", &ReadPoints, py::arg("texts"),
          py::arg("longitude_first") = false);
    m.def("write_reals", &WriteReals, py::arg("values"));
    m.def("to_references", &ToReferences, py::arg("mgrs"), py::arg("lat"),
          py::arg("lon"), py::arg("size"), py::arg("raise_errors"),
          py::arg("shape"));
    m.def("from_references", &FromReferences, py::arg("mgrs"), py::arg("texts"),
          py::arg("raise_errors"), py::arg("shape"));
    m.def("proj_version", &ProjVersionText);
    m.def("list_crs", &ListSystems, py::arg("filter"), py::arg("deprecated"));
    m.def("list_datums", &ListDatums);
    m.def("list_ellipsoids", &ListEllipsoids);
}
