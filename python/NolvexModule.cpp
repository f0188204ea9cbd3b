// The Python module nolvex: the batch converter's chain on numpy arrays, its
// strict point reader on texts, and its number writer.
#include "Code.h"
#include "Options.h"
#include "PointArrays.h"
#include "PointText.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

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

/// A fault as the module says it: its keyword, its reason, and the
/// keyword or call that mends it.
std::string FaultText(const SetupFault &fault) {
    const std::string keyword = KeywordOf(fault.side, fault.field);
    std::string text =
        keyword.empty() ? fault.reason : keyword + ": " + fault.reason;
    switch (fault.advice) {
    case FaultAdvice::AllowBallpark:
        text += ": allow_ballpark=True uses it";
        break;
    case FaultAdvice::ListSystems:
        text += " (nolvex-convert --list crs finds systems)";
        break;
    case FaultAdvice::ListDatums:
    case FaultAdvice::ListEllipsoids:
    case FaultAdvice::None:
        break;
    }
    return text;
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

/// The description of a Transformer's conversion, from its arguments: the
/// sides as nolvex-convert's --from and --to take them, and its keywords.
BatchOptions OptionsOf(const std::string &source, const std::string &target,
                       const py::kwargs &keywords) {
    BatchOptions options;
    Conversion &conversion = options.conversion;
    ConversionOptions &rows = conversion.options;
    std::map<std::string, py::object> given;
    for (const auto &[key, value] : keywords)
        given[py::str(key)] = py::reinterpret_borrow<py::object>(value);
    const auto text = [](const std::string &name, const py::object &value) {
        if (!py::isinstance<py::str>(value))
            throw py::type_error(name + " takes a str");
        return value.cast<std::string>();
    };
    const auto flag = [](const std::string &name, const py::object &value) {
        if (!py::isinstance<py::bool_>(value))
            throw py::type_error(name + " takes True or False");
        return value.cast<bool>();
    };
    // The user rows first: the sides' names may name them.
    if (const auto it = given.find("user_ellipsoid"); it != given.end())
        rows.userEllipsoid = ParseUserEllipsoid(text(it->first, it->second));
    if (const auto it = given.find("user_datum"); it != given.end())
        rows.userDatum = ParseUserDatum(
            text(it->first, it->second),
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
    for (const auto &[name, value] : given) {
        if (name == "user_ellipsoid" || name == "user_datum")
            continue;
        if (name == "utm_zone") {
            const std::string zone = text(name, value);
            bool any = false;
            for (ConversionSide *side : {&conversion.from, &conversion.to})
                if (side->Kind() == GridKind::Utm) {
                    ApplyZone(name, zone, *side);
                    any = true;
                }
            if (!any)
                throw py::value_error("utm_zone needs a utm side");
        } else if (name == "from_utm_zone") {
            ApplyZone(name, text(name, value), conversion.from);
        } else if (name == "to_utm_zone") {
            ApplyZone(name, text(name, value), conversion.to);
        } else if (name == "lonlat" || name == "easting_first") {
            options.lonLat = flag(name, value);
        } else if (name == "allow_ballpark") {
            rows.allowBallpark = flag(name, value);
        } else if (name == "require_best") {
            rows.requireBest = flag(name, value);
        } else if (name == "outside_area") {
            const std::string policy = text(name, value);
            if (policy != "warn" && policy != "error")
                throw py::value_error("outside_area takes \"warn\" or \"error\"");
            rows.outsideArea = policy == "error" ? OutsidePolicy::Error
                                                 : OutsidePolicy::Warn;
        } else if (name == "height") {
            if (!py::isinstance<py::float_>(value) &&
                !py::isinstance<py::int_>(value))
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
                            py::str(value).cast<std::string>();
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

/**
 * Points between two systems, with the converter's chain. Built once,
 * used on any number of arrays; not shared between threads that convert at
 * the same time (each builds its own).
 */
class Transformer {
  public:
    Transformer(const std::string &source, const std::string &target,
                const py::kwargs &options)
        : m_converter(OptionsOf(source, target, options)) {}

    /// a, b, h in the source's order; three arrays in the target's.
    py::tuple Transform(const Array &a, const Array &b,
                        const std::optional<Array> &h, unsigned threads,
                        const std::string &onError) {
        if (onError != "raise" && onError != "nan")
            throw py::value_error("on_error takes raise or nan");
        if (threads < 1)
            throw py::value_error("threads takes 1 or more");
        const auto count = static_cast<std::size_t>(a.size());
        if (static_cast<std::size_t>(b.size()) != count ||
            (h && static_cast<std::size_t>(h->size()) != count))
            throw py::value_error("the arrays differ in length");
        if (a.ndim() != 1 || b.ndim() != 1 || (h && h->ndim() != 1))
            throw py::value_error("the arrays must be one-dimensional");
        Array outA(static_cast<py::ssize_t>(count));
        Array outB(static_cast<py::ssize_t>(count));
        Array outH(static_cast<py::ssize_t>(count));
        // The buffers are taken while the interpreter is held; the work
        // runs without it.
        const double *pa = a.data(), *pb = b.data();
        const double *ph = h ? h->data() : nullptr;
        double *qa = outA.mutable_data(), *qb = outB.mutable_data(),
               *qh = outH.mutable_data();
        std::vector<PointFailure> failures;
        {
            py::gil_scoped_release release;
            m_converter.Convert(count, pa, pb, ph, qa, qb, qh, threads,
                                failures);
        }
        m_errors = py::dict();
        for (const PointFailure &failure : failures)
            m_errors[py::int_(failure.first)] = py::str(failure.second);
        if (onError == "raise" && !failures.empty())
            throw py::value_error(
                "point " + std::to_string(failures.front().first) + ": " +
                failures.front().second +
                (failures.size() > 1
                     ? " (and " + std::to_string(failures.size() - 1) +
                           " more; on_error=\"nan\" keeps the others)"
                     : std::string()));
        return py::make_tuple(outA, outB, outH);
    }

    py::dict Errors() const { return m_errors; }
    std::vector<std::string> SourceAxes() const {
        return m_converter.SourceNames();
    }
    std::vector<std::string> TargetAxes() const {
        return m_converter.TargetNames();
    }

  private:
    ArrayConverter m_converter;
    py::dict m_errors;
};

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

} // namespace

PYBIND11_MODULE(_nolvex, m) {
    m.doc() = "The batch converter's chain, reader and number writer.";
    // The converter's messages: a bad argument is a ValueError, a system
    // nobody knows a KeyError.
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const UnknownSystemError &e) {
            PyErr_SetString(PyExc_KeyError, FaultText(e.Fault()).c_str());
        } catch (const UsageError &e) {
            PyErr_SetString(PyExc_ValueError, FaultText(e.Fault()).c_str());
        } catch (const SetupError &e) {
            PyErr_SetString(PyExc_ValueError, FaultText(e.Fault()).c_str());
        } catch (const ProjError &e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });
    py::class_<Transformer>(m, "Transformer")
        .def(py::init<const std::string &, const std::string &,
                      const py::kwargs &>(),
             py::arg("source"), py::arg("target"))
        .def("transform", &Transformer::Transform, py::arg("a"), py::arg("b"),
             py::arg("h") = py::none(), py::arg("threads") = 1u,
             py::arg("on_error") = "raise")
        .def_property_readonly("errors", &Transformer::Errors)
        .def_property_readonly("source_axes", &Transformer::SourceAxes)
        .def_property_readonly("target_axes", &Transformer::TargetAxes);
    m.def("read_points", &ReadPoints, py::arg("texts"),
          py::arg("longitude_first") = false);
    m.def("write_reals", &WriteReals, py::arg("values"));
    m.def("proj_version", &ProjVersionText);
}
