// Points held as numbers in arrays.
#include "PointArrays.h"

#include "AngleText.h"

#include <cmath>
#include <limits>
#include <thread>

ArrayConverter::ArrayConverter(BatchOptions options)
    : m_options(std::move(options)), m_converter(m_options) {
    const CatalogueSide *to = m_options.conversion.to.Catalogue();
    if (m_options.sourceZoneColumn || (to && to->grid.autoZone))
        throw UsageError("a zone per point is for files: give the zone");
}

void ArrayConverter::ConvertRange(LineConverter &converter, std::size_t begin,
                                  std::size_t end, const double *a,
                                  const double *b, const double *h,
                                  double *outA, double *outB, double *outH,
                                  std::vector<PointFailure> &failures) const {
    const bool heightValue =
        m_options.height && m_options.height->column.empty();
    for (std::size_t i = begin; i < end; ++i) {
        try {
            // The values in the order the arrays hold them (the source's
            // own, or east first), checked and read as a line's are.
            double file[3] = {a[i], b[i], 0.0};
            if (heightValue)
                file[2] = m_options.height->value;
            else if (h)
                file[2] = h[i];
            else if (converter.HeightRequired())
                throw InputError(converter.SourceAxes().Label() + " to " +
                                 converter.TargetAxes().Label() + " needs " +
                                 converter.SourceAxes().HeightWhat() +
                                 " for each point");
            double in[3];
            converter.SourceValues(file, in);
            double out[3];
            std::int32_t zone = 0;
            bool south = false;
            converter.ConvertValues(in, 0, false, out, zone, south);
            double written[3];
            converter.TargetValues(out, written);
            outA[i] = written[0];
            outB[i] = written[1];
            outH[i] = written[2];
        } catch (const std::exception &e) {
            outA[i] = outB[i] = outH[i] =
                std::numeric_limits<double>::quiet_NaN();
            failures.emplace_back(i, e.what());
        }
    }
}

void ArrayConverter::Convert(std::size_t count, const double *a,
                             const double *b, const double *h, double *outA,
                             double *outB, double *outH, unsigned threads,
                             std::vector<PointFailure> &failures) const {
    // Threads pay only for large arrays.
    constexpr std::size_t PER_THREAD_MIN = 20000;
    const std::size_t parts = std::max<std::size_t>(
        1, std::min<std::size_t>(threads, count / PER_THREAD_MIN));
    if (parts == 1) {
        LineConverter converter(m_converter);
        ConvertRange(converter, 0, count, a, b, h, outA, outB, outH, failures);
        return;
    }
    std::vector<std::vector<PointFailure>> partFailures(parts);
    std::vector<std::thread> workers;
    for (std::size_t part = 0; part < parts; ++part) {
        const std::size_t begin = count * part / parts;
        const std::size_t end = count * (part + 1) / parts;
        workers.emplace_back([&, part, begin, end] {
            // A copy per thread: PROJ's operation in the thread's context.
            LineConverter converter(m_converter);
            ConvertRange(converter, begin, end, a, b, h, outA, outB, outH,
                         partFailures[part]);
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    for (auto &part : partFailures)
        failures.insert(failures.end(), part.begin(), part.end());
}

std::vector<std::string> ArrayConverter::TargetNames() const {
    const auto names = m_converter.Names(true);
    return {names.begin(), names.end()};
}

std::vector<std::string> ArrayConverter::SourceNames() const {
    const auto names = m_converter.Names(false);
    return {names.begin(), names.end()};
}
