// The Python module nolvex: the batch converter's chain on numpy arrays, its
// strict point reader on texts, and its number writer.
#include "CommandLine.h"
#include "Code.h"
#include "PointArrays.h"
#include "PointText.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

/// The options of a Transformer, as nolvex-convert's --from and --to and the
/// grid options take them.
CommandLine LineOf(const std::string &source, const std::string &target,
                   const py::kwargs &options) {
    CommandLine line;
    line.from = source;
    line.to = target;
    for (const auto &[key, value] : options) {
        const std::string name = py::str(key);
        auto text = [&] { return py::str(value).cast<std::string>(); };
        auto grid = [&](GridSettings &g, const std::string &field) {
            const std::string v = text();
            if (field == "false_easting")
                g.falseEasting = v;
            else if (field == "false_northing")
                g.falseNorthing = v;
            else if (field == "origin_lat")
                g.originLat = v;
            else if (field == "origin_lon")
                g.originLon = v;
            else if (field == "delta_lon")
                g.deltaLon = v;
            else
                throw py::type_error("unknown option " + name);
        };
        if (name == "utm_zone")
            line.utmZone = text();
        else if (name == "from_utm_zone")
            line.fromUtmZone = text();
        else if (name == "to_utm_zone")
            line.toUtmZone = text();
        else if (name == "user_ellipsoid")
            line.userEllipsoid = text();
        else if (name == "user_datum")
            line.userDatum = text();
        else if (name == "lonlat" || name == "easting_first")
            line.lonLat = value.cast<bool>();
        else if (name == "allow_ballpark")
            line.allowBallpark = value.cast<bool>();
        else if (name == "require_best")
            line.requireBest = value.cast<bool>();
        else if (name == "outside_area")
            line.outsideArea = text();
        else if (name.rfind("from_", 0) == 0)
            grid(line.fromGrid, name.substr(5));
        else if (name.rfind("to_", 0) == 0)
            grid(line.toGrid, name.substr(3));
        else
            throw py::type_error("unknown option " + name);
    }
    if (line.outsideArea != "warn" && line.outsideArea != "error")
        throw py::value_error("outside_area takes warn or error");
    return line;
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
        : m_converter(ReadCommandLine(LineOf(source, target, options))) {}

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
            PyErr_SetString(PyExc_KeyError, e.what());
        } catch (const UsageError &e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const SetupError &e) {
            PyErr_SetString(PyExc_ValueError, e.what());
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
