// Points held as numbers in arrays rather than as lines of text (the Python
// module's transform): the converter's own chain, reading order and checks,
// over as many threads as asked.
#pragma once

#include "LineConvert.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// A point of an array that failed: its index and the converter's message.
using PointFailure = std::pair<std::size_t, std::string>;

/**
 * Converts arrays of points as nolvex-convert converts lines: values in the
 * source side's own order in, in the target side's own order out (longitude
 * first where the side's system or --lonlat says so; northing first for the
 * Korean and Japanese grids), with the same checks, so that the results
 * written with the converter's number writer give the converter's texts.
 */
class ArrayConverter {
  public:
    /// @throws UsageError, SetupError, ProjError as nolvex-convert would
    ///   for the same options.
    explicit ArrayConverter(BatchOptions options);

    /**
     * Converts @p count points. @p h may be null (heights 0). A point that
     * fails gets NaN in its three outputs and its message in @p failures,
     * which come in index order.
     * @param[in] threads worker threads for large counts (1: this thread).
     */
    void Convert(std::size_t count, const double *a, const double *b,
                 const double *h, double *outA, double *outB, double *outH,
                 unsigned threads, std::vector<PointFailure> &failures) const;

    const BatchOptions &Options() const { return m_options; }

    /// The names of the target's three values in its order, as a heading
    /// names them ("latitude", "northing", "X", "egm96_height").
    std::vector<std::string> TargetNames() const;
    /// The names of the source's values in its order.
    std::vector<std::string> SourceNames() const;

  private:
    void ConvertRange(LineConverter &converter, std::size_t begin,
                      std::size_t end, const double *a, const double *b,
                      const double *h, double *outA, double *outB,
                      double *outH, std::vector<PointFailure> &failures) const;

    BatchOptions m_options;
    LineConverter m_converter; ///< set up once; copied for each thread
};
