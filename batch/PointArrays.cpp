// Points held as numbers in arrays.
#include "PointArrays.h"

#include "AngleText.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

namespace {

// ---- the threads' copies
// ------------------------------------------------------------

/// A thread's copy of one array converter's chain.
struct CachedConverter {
    std::uint64_t id;
    std::weak_ptr<const bool> alive; ///< expired once its converter is gone
    std::unique_ptr<LineConverter> converter;
};

/// The copies of the calling thread. PROJ's objects in them belong to the
/// thread's context, so they go before it: at the thread's end, or in the
/// thread itself once their converter is gone.
struct ThreadCopies {
    std::vector<CachedConverter> copies;
    ThreadCopies();
    ~ThreadCopies();

    void DropExpired() {
        std::erase_if(copies, [](const CachedConverter &copy) {
            return copy.alive.expired();
        });
    }
};

/// The calling thread's copies once it has made any, else null.
thread_local ThreadCopies *t_copies = nullptr;

ThreadCopies::ThreadCopies() { t_copies = this; }
ThreadCopies::~ThreadCopies() { t_copies = nullptr; }

ThreadCopies &TheThreadCopies() {
    // The thread's context first: made before the copies, it is destroyed
    // after them when the thread ends.
    ThreadProjContext();
    thread_local ThreadCopies copies;
    return copies;
}

std::atomic<std::uint64_t> g_nextConverterId{1};

/// The threads that convert the parts of large arrays beyond the calling
/// thread's. They stay for the process's life, so that each keeps its copies
/// of the chains from call to call, as a calling thread does.
class PartThreads {
  public:
    /// Tasks of one call, counted down as they end.
    class Latch {
      public:
        explicit Latch(std::size_t count) : m_nLeft(count) {}
        void Wait() {
            std::unique_lock lock(m_mutex);
            m_done.wait(lock, [this] { return m_nLeft == 0; });
        }
        void CountDown() {
            const std::lock_guard lock(m_mutex);
            if (--m_nLeft == 0)
                m_done.notify_all();
        }

      private:
        std::mutex m_mutex;
        std::condition_variable m_done;
        std::size_t m_nLeft;
    };

    static PartThreads &Get() {
        // Never destroyed: its threads wait for work until the process ends.
        static PartThreads *threads = new PartThreads;
        return *threads;
    }

    /// Starts each of @p tasks on a thread of its own; @p latch counts them
    /// down. The tasks and the latch live until the latch is passed.
    void Start(const std::vector<std::function<void()>> &tasks, Latch &latch) {
        {
            const std::lock_guard lock(m_mutex);
            for (const std::function<void()> &task : tasks)
                m_queue.push_back({&task, &latch});
            // A thread for every task waiting: more when several callers
            // split arrays at the same time.
            while (m_nThreads - m_nBusy < m_queue.size()) {
                std::thread([this] { Serve(); }).detach();
                ++m_nThreads;
            }
        }
        m_wake.notify_all();
    }

  private:
    struct Task {
        const std::function<void()> *run;
        Latch *latch;
    };

    void Serve() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return !m_queue.empty(); });
            const Task task = m_queue.front();
            m_queue.pop_front();
            ++m_nBusy;
            lock.unlock();
            (*task.run)();
            task.latch->CountDown();
            lock.lock();
            --m_nBusy;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_queue;
    std::size_t m_nThreads = 0;
    std::size_t m_nBusy = 0;
};

// ---- notes
// --------------------------------------------------------------------------

/// What the bits of a PointNote hold: the area check, a ballpark operation,
/// the candidate used (plus 1) and the more accurate missing operation
/// (plus 1).
constexpr PointNote NOTE_OUTSIDE = 1;
constexpr PointNote NOTE_SWAPPED = 2;
constexpr PointNote NOTE_TARGET = 4;
constexpr PointNote NOTE_BALLPARK = 8;
constexpr int NOTE_OPERATION_SHIFT = 4;
constexpr PointNote NOTE_OPERATION_MASK = 0xFFF;
constexpr int NOTE_MISSING_SHIFT = 16;
constexpr PointNote NOTE_MISSING_MASK = 0xFFFF;

struct NoteParts {
    AreaCheck area;
    bool ballpark = false;
    std::size_t operation = 0;
    int missing = -1;
};

NoteParts PartsOf(PointNote note) {
    NoteParts parts;
    parts.area.outside = (note & NOTE_OUTSIDE) != 0;
    parts.area.swappedInside = (note & NOTE_SWAPPED) != 0;
    parts.area.target = (note & NOTE_TARGET) != 0;
    parts.ballpark = (note & NOTE_BALLPARK) != 0;
    parts.operation =
        ((note >> NOTE_OPERATION_SHIFT) & NOTE_OPERATION_MASK) - 1;
    parts.missing =
        static_cast<int>((note >> NOTE_MISSING_SHIFT) & NOTE_MISSING_MASK) - 1;
    return parts;
}

/// What the chain's last point met.
PointNote NoteOfLastPoint(const Chain &chain) {
    const ProjTransform *proj = chain.Proj();
    if (!proj)
        return 0;
    const std::size_t operation = chain.LastOperation();
    const AreaCheck area = chain.LastArea();
    const int missing = chain.LastMissing();
    const bool ballpark = proj->Candidates()[operation].ballpark;
    // Candidates and missing operations number a few dozen at most; beyond
    // the bits their notes would be cut, so none is made.
    if ((!area.outside && !ballpark && missing < 0) ||
        operation + 1 > NOTE_OPERATION_MASK ||
        missing + 1 > static_cast<int>(NOTE_MISSING_MASK))
        return 0;
    return (area.outside ? NOTE_OUTSIDE : 0) |
           (area.swappedInside ? NOTE_SWAPPED : 0) |
           (area.target ? NOTE_TARGET : 0) | (ballpark ? NOTE_BALLPARK : 0) |
           static_cast<PointNote>(operation + 1) << NOTE_OPERATION_SHIFT |
           static_cast<PointNote>(missing + 1) << NOTE_MISSING_SHIFT;
}

/// Counts what the chain's last point did into @p report.
void CountPoint(const Chain &chain, PointNote note, std::size_t index,
                ArrayReport &report) {
    ++report.converted;
    if (report.operationPoints.empty())
        return; // no PROJ operation
    ++report.operationPoints[chain.LastOperation()];
    if (note == 0)
        return;
    const NoteParts parts = PartsOf(note);
    if (parts.area.outside) {
        ++report.outside;
        if (report.outsidePoints.size() < OUTSIDE_LINES_KEPT)
            report.outsidePoints.push_back({index, parts.area.swappedInside});
        report.outsideTarget = report.outsideTarget || parts.area.target;
    }
    if (parts.missing >= 0)
        ++report.missingPoints[static_cast<std::size_t>(parts.missing)];
}

/// Adds @p from to @p to, element by element.
void AddCounts(std::vector<std::uint64_t> &to,
               const std::vector<std::uint64_t> &from) {
    if (to.size() < from.size())
        to.resize(from.size());
    for (std::size_t i = 0; i < from.size(); ++i)
        to[i] += from[i];
}

} // namespace

void ArrayReport::Append(ArrayReport &&part) {
    failures.insert(failures.end(),
                    std::make_move_iterator(part.failures.begin()),
                    std::make_move_iterator(part.failures.end()));
    AddCounts(operationPoints, part.operationPoints);
    AddCounts(missingPoints, part.missingPoints);
    outside += part.outside;
    for (const OutsidePoint &point : part.outsidePoints)
        if (outsidePoints.size() < OUTSIDE_LINES_KEPT)
            outsidePoints.push_back(point);
    outsideTarget = outsideTarget || part.outsideTarget;
    converted += part.converted;
}

// ---- the converter
// ------------------------------------------------------------------

ArrayConverter::ArrayConverter(BatchOptions options)
    : m_options(std::move(options)),
      // A context of its own where a side is a PROJ system; PROJ's library
      // stays unloaded for catalogue datums.
      m_context(m_options.conversion.from.IsSystem() ||
                        m_options.conversion.to.IsSystem()
                    ? std::make_unique<ProjContext>()
                    : nullptr),
      m_converter(m_options, m_context.get()), m_nId(g_nextConverterId.fetch_add(1)),
      m_alive(std::make_shared<const bool>(true)) {
    const CatalogueSide *to = m_options.conversion.to.Catalogue();
    if (m_options.sourceZoneColumn || (to && to->grid.autoZone))
        throw UsageError("a zone per point is for files: give the zone");
}

ArrayConverter::~ArrayConverter() {
    m_alive.reset();
    // This thread's copy goes now; the other threads' at their next call.
    if (t_copies)
        t_copies->DropExpired();
}

LineConverter &ArrayConverter::ThreadConverter() const {
    ThreadCopies &cache = TheThreadCopies();
    for (CachedConverter &copy : cache.copies)
        if (copy.id == m_nId)
            return *copy.converter;
    cache.DropExpired();
    auto converter = std::make_unique<LineConverter>(m_converter);
    LineConverter &made = *converter;
    cache.copies.push_back({m_nId, m_alive, std::move(converter)});
    return made;
}

PointNote ArrayConverter::ConvertWith(LineConverter &converter,
                                      const double file[3], bool hasHeight,
                                      double out[3]) const {
    // The values in the order the arrays hold them (the source's own, or
    // east first), checked and read as a line's are.
    double values[3] = {file[0], file[1], 0.0};
    if (m_options.height && m_options.height->column.empty())
        values[2] = m_options.height->value;
    else if (hasHeight)
        values[2] = file[2];
    else if (converter.HeightRequired())
        throw InputError(converter.SourceAxes().Label() + " to " +
                         converter.TargetAxes().Label() + " needs " +
                         converter.SourceAxes().HeightWhat() +
                         " for each point");
    double own[3];
    converter.SourceValues(values, own);
    double result[3];
    std::int32_t zone = 0;
    bool south = false;
    converter.ConvertValues(own, 0, false, result, zone, south);
    converter.TargetValues(result, out);
    return NoteOfLastPoint(converter.Steps());
}

PointNote ArrayConverter::ConvertPoint(const double file[3], bool hasHeight,
                                       double out[3]) const {
    return ConvertWith(ThreadConverter(), file, hasHeight, out);
}

void ArrayConverter::ConvertRange(LineConverter &converter, std::size_t begin,
                                  std::size_t end, const double *a,
                                  const double *b, const double *h,
                                  double *outA, double *outB, double *outH,
                                  ArrayReport &report, PointNote *notes) const {
    // Counted by index, sized once.
    if (const ProjTransform *proj = converter.Steps().Proj()) {
        report.operationPoints.resize(proj->Candidates().size());
        report.missingPoints.resize(proj->Missing().size());
    }
    for (std::size_t i = begin; i < end; ++i) {
        try {
            const double file[3] = {a[i], b[i], h ? h[i] : 0.0};
            double out[3];
            const PointNote note =
                ConvertWith(converter, file, h != nullptr, out);
            outA[i] = out[0];
            outB[i] = out[1];
            outH[i] = out[2];
            if (notes)
                notes[i] = note;
            CountPoint(converter.Steps(), note, i, report);
        } catch (const std::exception &e) {
            outA[i] = outB[i] = outH[i] =
                std::numeric_limits<double>::quiet_NaN();
            if (notes)
                notes[i] = 0;
            report.failures.emplace_back(i, FailureText(e));
        }
    }
}

void ArrayConverter::Convert(std::size_t count, const double *a,
                             const double *b, const double *h, double *outA,
                             double *outB, double *outH, unsigned threads,
                             ArrayReport &report, PointNote *notes) const {
    report = ArrayReport{};
    // Threads pay only for large arrays. This thread converts the first
    // part with its own copy; each other part's thread makes one.
    constexpr std::size_t PER_THREAD_MIN = 20000;
    const std::size_t parts = std::max<std::size_t>(
        1, std::min<std::size_t>(threads, count / PER_THREAD_MIN));
    std::vector<ArrayReport> partReports(parts);
    const auto convertPart = [&](std::size_t part) {
        const std::size_t begin = count * part / parts;
        const std::size_t end = count * (part + 1) / parts;
        try {
            ConvertRange(ThreadConverter(), begin, end, a, b, h, outA, outB,
                         outH, partReports[part], notes);
        } catch (const std::exception &e) {
            // The copy could not be made (PROJ without its database in this
            // thread): every point of the part says why.
            for (std::size_t i = begin; i < end; ++i) {
                outA[i] = outB[i] = outH[i] =
                    std::numeric_limits<double>::quiet_NaN();
                if (notes)
                    notes[i] = 0;
                partReports[part].failures.emplace_back(i, e.what());
            }
        }
    };
    if (parts == 1) {
        // This thread's copy is made or found first: a setup fault is the
        // call's, not its points'.
        ConvertRange(ThreadConverter(), 0, count, a, b, h, outA, outB, outH,
                     report, notes);
        return;
    }
    std::vector<std::function<void()>> others;
    for (std::size_t part = 1; part < parts; ++part)
        others.emplace_back([&convertPart, part] { convertPart(part); });
    PartThreads::Latch latch(others.size());
    PartThreads::Get().Start(others, latch);
    convertPart(0);
    latch.Wait();
    for (ArrayReport &part : partReports)
        report.Append(std::move(part));
}

// ---- what the points met
// ------------------------------------------------------------

std::string ArrayConverter::FailureText(const std::exception &error) const {
    const auto *point = dynamic_cast<const ProjPointError *>(&error);
    if (point && point->Fault() == PointFault::Ballpark)
        return error.what() + m_options.words[Advice::AllowBallparkPoint];
    return error.what();
}

std::string ArrayConverter::NoteText(PointNote note) const {
    const ProjTransform *proj = m_converter.Steps().Proj();
    if (note == 0 || !proj)
        return {};
    const NoteParts parts = PartsOf(note);
    std::vector<std::string> texts;
    if (parts.area.outside)
        texts.push_back(OutsideAreaText(*proj, parts.operation, parts.area));
    if (parts.ballpark)
        texts.push_back(BallparkUsedText(proj->Candidates()[parts.operation]));
    if (parts.missing >= 0)
        texts.push_back(MissingGridText(
            proj->Missing()[static_cast<std::size_t>(parts.missing)]));
    std::string text;
    for (const std::string &part : texts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

ArrayReport ArrayConverter::ReportOf(PointNote note) const {
    ArrayReport report;
    report.converted = 1;
    const ProjTransform *proj = m_converter.Steps().Proj();
    if (note == 0 || !proj)
        return report;
    const NoteParts parts = PartsOf(note);
    report.operationPoints.resize(proj->Candidates().size());
    ++report.operationPoints[parts.operation];
    if (parts.area.outside) {
        report.outside = 1;
        report.outsidePoints.push_back({0, parts.area.swappedInside});
        report.outsideTarget = parts.area.target;
    }
    if (parts.missing >= 0) {
        report.missingPoints.resize(proj->Missing().size());
        ++report.missingPoints[static_cast<std::size_t>(parts.missing)];
    }
    return report;
}

std::vector<ArrayNote> ArrayConverter::Notes(
    const ArrayReport &report,
    const std::function<std::string(std::size_t)> &where) const {
    std::vector<ArrayNote> notes;
    const ProjTransform *proj = m_converter.Steps().Proj();
    if (!proj)
        return notes;
    const FrontEndWords &words = m_options.words;
    if (report.outside != 0) {
        std::string points = report.outside == 1 ? "point " : "points ";
        for (std::size_t i = 0; i < report.outsidePoints.size(); ++i) {
            const OutsidePoint &point = report.outsidePoints[i];
            points += (i ? ", " : "") + where(point.index) +
                      (point.swappedInside ? " (axes swapped?)" : "");
        }
        if (report.outside > report.outsidePoints.size())
            points += ", ...";
        notes.push_back(
            {NoteKind::OutsideArea,
             OutsidePointsText(*proj, report.operationPoints,
                               report.outsideTarget, report.outside, points) +
                 words[Advice::OutsideAreaError]});
    }
    const auto &candidates = proj->Candidates();
    for (std::size_t i = 0; i < report.operationPoints.size(); ++i)
        if (report.operationPoints[i] != 0 && candidates[i].ballpark)
            notes.push_back(
                {NoteKind::Ballpark,
                 BallparkUsedText(candidates[i], report.operationPoints[i])});
    for (std::size_t i = 0; i < report.missingPoints.size(); ++i)
        if (report.missingPoints[i] != 0)
            notes.push_back({NoteKind::MissingGrid,
                             MissingGridPointsText(proj->Missing()[i],
                                                   report.missingPoints[i]) +
                                 words[Advice::RequireBest]});
    return notes;
}

std::vector<std::string> ArrayConverter::TargetNames() const {
    const auto names = m_converter.Names(true);
    return {names.begin(), names.end()};
}

std::vector<std::string> ArrayConverter::SourceNames() const {
    const auto names = m_converter.Names(false);
    return {names.begin(), names.end()};
}
