// Points held as numbers in arrays rather than as lines of text (the Python
// module's transform): the converter's own chain, reading order and checks,
// over as many threads as asked, and what each call's points met.
#pragma once

#include "LineConvert.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// A point of an array that failed: its index and the converter's message.
using PointFailure = std::pair<std::size_t, std::string>;

/// What a converted point met, as a number: 0 when there is nothing to say
/// of it; points with the same number get the same text
/// (ArrayConverter::NoteText). What the bits hold is the converter's own.
using PointNote = std::uint32_t;

/// A point outside the area of use of the operation used, by its index.
struct OutsidePoint {
    std::size_t index;
    bool swappedInside;
};

/// What the points of one call met besides their values: the failures, the
/// operations used, and what a run would tell at its end. Nothing of it is
/// kept by the converter.
struct ArrayReport {
    std::vector<PointFailure> failures; ///< in index order
    /// Points converted, by PROJ's candidate (empty without PROJ).
    std::vector<std::uint64_t> operationPoints;
    /// Points where a more accurate operation's grid is missing, by index
    /// into ProjTransform::Missing.
    std::vector<std::uint64_t> missingPoints;
    /// Points outside the area of use, and the first few of them.
    std::uint64_t outside = 0;
    std::vector<OutsidePoint> outsidePoints;
    /// Some lay outside the target system's area rather than the
    /// operation's.
    bool outsideTarget = false;
    /// Points converted (not failed).
    std::uint64_t converted = 0;

    /// Adds @p part, whose points come after this report's.
    void Append(ArrayReport &&part);
};

/// What a note on a call's points is about: a front end may tell each kind
/// its own way (a warning class of its own).
enum class NoteKind { OutsideArea, Ballpark, MissingGrid };

struct ArrayNote {
    NoteKind kind;
    std::string text; ///< with the front end's advice (BatchOptions::words)
};

/**
 * Converts arrays of points as nolvex-convert converts lines: values in the
 * source side's own order in, in the target side's own order out (longitude
 * first where the side's system or --lonlat says so; northing first for the
 * Korean and Japanese grids), with the same checks, so that the results
 * written with the converter's number writer give the converter's texts.
 *
 * Any number of threads may convert with one converter at the same time:
 * each thread converts with its own copy of the chain (PROJ's operation in
 * the thread's own context), made on its first call and kept for the next
 * ones. A thread's copy goes when the thread ends, or at its next call
 * after this converter is gone (at once in the thread that destroys it).
 */
class ArrayConverter {
  public:
    /// @throws UsageError, SetupError, ProjError as nolvex-convert would
    ///   for the same options.
    explicit ArrayConverter(BatchOptions options);
    ~ArrayConverter();
    ArrayConverter(const ArrayConverter &) = delete;
    ArrayConverter &operator=(const ArrayConverter &) = delete;

    /**
     * Converts @p count points. @p h may be null (heights 0). A point that
     * fails gets NaN in its three outputs and its message in the report.
     * @param[in] threads worker threads for large counts (1: this thread).
     * @param[out] report what the points met (cleared first).
     * @param[out] notes null, or @p count notes, one per point (0 for a
     *   point that failed).
     */
    void Convert(std::size_t count, const double *a, const double *b,
                 const double *h, double *outA, double *outB, double *outH,
                 unsigned threads, ArrayReport &report,
                 PointNote *notes = nullptr) const;

    /**
     * Converts one point on the calling thread: @p file as files hold it
     * (first, second, height), @p out the same way.
     * @param[in] hasHeight the point gives its height (else 0, or the
     *   options' height).
     * @return what the point met (0: nothing to say).
     * @throws std::exception with the point's message.
     */
    PointNote ConvertPoint(const double file[3], bool hasHeight,
                           double out[3]) const;

    /// A failed point's message: the exception's, with the front end's
    /// advice where a ballpark operation would serve.
    std::string FailureText(const std::exception &error) const;
    /// The words for a point's note: "outside the area of use of ...",
    /// "converted by the ballpark operation ...", "a more accurate
    /// operation, ..., needs the grid ...", joined by "; ".
    std::string NoteText(PointNote note) const;
    /// What a call's report has to tell, each kind once, with the front
    /// end's advice: the points outside the area of use (the first few
    /// named by @p where from their index), those converted by a ballpark
    /// operation, those where a better operation's grid is missing.
    std::vector<ArrayNote>
    Notes(const ArrayReport &report,
          const std::function<std::string(std::size_t)> &where) const;
    /// The report of one point's @p note, as if a call had converted it
    /// alone.
    ArrayReport ReportOf(PointNote note) const;

    const BatchOptions &Options() const { return m_options; }
    /// The chain as it was set up (its engines, PROJ's operation and its
    /// candidates, the sides' axes); not for converting.
    const LineConverter &Prototype() const { return m_converter; }

    /// The names of the target's three values in its order, as a heading
    /// names them ("latitude", "northing", "X", "egm96_height").
    std::vector<std::string> TargetNames() const;
    /// The names of the source's values in its order.
    std::vector<std::string> SourceNames() const;

  private:
    LineConverter &ThreadConverter() const;
    /// Converts one point with @p converter (see ConvertPoint).
    PointNote ConvertWith(LineConverter &converter, const double file[3],
                          bool hasHeight, double out[3]) const;
    void ConvertRange(LineConverter &converter, std::size_t begin,
                      std::size_t end, const double *a, const double *b,
                      const double *h, double *outA, double *outB, double *outH,
                      ArrayReport &report, PointNote *notes) const;

    BatchOptions m_options;
    /// The context of the converter set up here: it lives as long as this
    /// converter, in whichever thread made or destroys it.
    std::unique_ptr<ProjContext> m_context;
    LineConverter m_converter; ///< set up once; copied for each thread
    /// This converter among the threads' copies: a number of its own, and
    /// a token that tells them whether it still exists.
    std::uint64_t m_nId;
    std::shared_ptr<const bool> m_alive;
};
