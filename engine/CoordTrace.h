// Internal to the engine: calculation trace records. While an engine's trace
// switch is on, each conversion appends one record of its inputs and
// intermediate terms to a file of its own in the current directory.
#pragma once

#include "Coord.h"

#include <cstddef>
#include <cstdio>

/// One value line of a record, a label, "%30.16f" and "\n", kept as the
/// literal format text. The text is checked when compiled: exactly one
/// "%30.16f", no other conversion, and a line end.
struct TraceFormat {
    const char *text;
    std::size_t field; ///< offset of "%30.16f" in text

    consteval TraceFormat(const char *format)
        : text(format), field(FieldOffset(format)) {}

  private:
    static consteval std::size_t FieldOffset(const char *format) {
        constexpr char FIELD[] = "%30.16f";
        std::size_t at = 0, found = 0, length = 0;
        for (; format[length] != '\0'; ++length) {
            if (format[length] != '%')
                continue;
            bool match = true;
            for (std::size_t k = 0; FIELD[k] != '\0'; ++k)
                if (format[length + k] != FIELD[k]) {
                    match = false;
                    break;
                }
            if (!match)
                throw "a trace line takes no conversion but %30.16f";
            at = length;
            ++found;
        }
        if (found != 1 || length == 0 || format[length - 1] != '\n')
            throw "a trace line needs one %30.16f and a line end";
        return at;
    }
};

/// Orders a traced conversion: each value counts as changed here, so nothing
/// computed from it is moved before the trace block just written, and a fault
/// raised later leaves that block in the record. The values stay in registers
/// (a memory pin would make them live in memory on the untraced path too).
template <typename T> inline void TraceFenceOne(T &value) noexcept {
#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2_MATH__))
    __asm__ __volatile__("" : "+x"(value) : : "memory");
#elif defined(__aarch64__)
    __asm__ __volatile__("" : "+w"(value) : : "memory");
#else
    __asm__ __volatile__("" : "+m"(value) : : "memory");
#endif
}
template <typename... T> inline void TraceFence(T &...values) noexcept {
    (TraceFenceOne(values), ...);
}

/// The six records of the documented conversions, one file each.
enum class TraceRecord {
    Wgs2Local,      ///< "WGS2LOC.txt"
    Local2Wgs,      ///< "LOC2WGS.txt"
    Local2Utm,      ///< "LOC2UTM.txt"
    Utm2Local,      ///< "UTM2LOC.txt"
    Local2Ecef,     ///< "LOC2ECEF.txt"
    Ecef2Local,     ///< "ECEF2LOC.txt"
};

/// Room for any double printed by FormatTraceValue, terminating zero included
/// (the largest finite double has 309 integer digits).
constexpr std::size_t TRACE_VALUE_SIZE = 352;

/**
 * Prints @p value as "%30.16f" does in the "C" locale: fixed point, 16
 * decimals, right-aligned in 30 characters, a wider value widening the field.
 * The decimal point is always "." whatever the C library's locale.
 * @param[in] value the value.
 * @param[out] buffer receives the text, zero-terminated.
 * @return the length of the text.
 */
std::size_t FormatTraceValue(double value, char (&buffer)[TRACE_VALUE_SIZE]);

/**
 * One trace record, open for the duration of one conversion.
 *
 * A conversion constructs one for its record and guards each of its trace
 * blocks with `if (trace)`: when the engine's switch is on, the constructor
 * opens the record's file for appending and writes the banner, and the
 * blocks write at the trace points; when it is off, every guarded block is
 * skipped. (The Molodensky shift instead runs a separate untraced instance,
 * see CoordMolodensky.cpp.) A file that cannot be opened or written is
 * skipped for that call; the conversion still runs and returns its results.
 *
 * Each block first tests the invalid-operation, division-by-zero and overflow
 * flags: once one is raised the record ends there, as the conversion itself
 * ends at the fault. Each block starts with its separator line.
 */
class CoordTrace {
  public:
    /// An inactive record, for computations that are not traced.
    CoordTrace() noexcept = default;

    /// Opens the file of @p record and writes the banner when @p coord's
    /// trace switch is non-zero.
    CoordTrace(const COORD &coord, TraceRecord record) noexcept {
        if (coord.m_bTrace != 0)
            Open(coord, record);
    }

    ~CoordTrace() {
        if (m_file != nullptr)
            Close();
    }

    CoordTrace(const CoordTrace &) = delete;
    CoordTrace &operator=(const CoordTrace &) = delete;

    /// True while the record's file is open.
    explicit operator bool() const noexcept { return m_file != nullptr; }

    // ---- "WGS2LOC.txt" and "LOC2WGS.txt" (angles in radians) --------------
    // Every block takes its values one by one: no intermediate of a
    // conversion has its address taken, so with the trace off they all stay
    // in registers.
    void MolodenskyInput(double lat, double lon, double alt) noexcept;
    /// w, w^1.5, N, M.
    void MolodenskyRadii(double w, double w15, double N, double M) noexcept;
    /// Terms 1 to 6, the sum of 1 to 5, the shift (radians).
    void MolodenskyLatitude(double t1, double t2, double t3, double t4,
                            double t5, double t6, double all,
                            double dLat) noexcept;
    /// Terms 1 to 3, the sum of 1 and 2, the shift (radians).
    void MolodenskyLongitude(double t1, double t2, double t3, double all,
                             double dLon) noexcept;
    /// Terms 1 to 5 and their sum, the shift.
    void MolodenskyAltitude(double t1, double t2, double t3, double t4,
                            double t5, double dAlt) noexcept;

    // ---- shared by "LOC2UTM.txt" and "LOC2ECEF.txt" ----------------------
    /// The eleven lines of the local ellipsoid: a, b, f, e, e², A to F.
    void Ellipsoid() noexcept;
    /// The prime-vertical radius N (also the first line of "ECEF2LOC.txt"'s
    /// result block).
    void Radius(double N) noexcept;

    // ---- "LOC2UTM.txt" -----------------------------------------------------
    void Local2UtmInput(double lat, double lon) noexcept;
    void Local2UtmArc(double bar) noexcept;
    void Local2UtmEta2(double nn) noexcept;
    void Local2UtmNorthing(double y) noexcept;
    void Local2UtmEasting(double x) noexcept;
    void Local2UtmResult(double x, double y) noexcept;

    // ---- "UTM2LOC.txt" -----------------------------------------------------
    void Utm2LocalInput(double x, double y) noexcept;
    void Utm2LocalArc(double y0) noexcept;
    void Utm2LocalFootpoint(double N, double nn) noexcept;
    void Utm2LocalResult(double lat, double lon) noexcept;

    // ---- "LOC2ECEF.txt" ----------------------------------------------------
    void Local2EcefInput(double lat, double lon, double h) noexcept;
    void Local2EcefResult(double x, double y, double z) noexcept;

    // ---- "ECEF2LOC.txt" ----------------------------------------------------
    void Ecef2LocalInput(double x, double y, double z) noexcept;
    void Ecef2LocalResult(double N, double lat, double lon, double h) noexcept;

  private:
    void Open(const COORD &coord, TraceRecord record) noexcept;
    void Close() noexcept;
    /// False once the file failed or a fault flag is raised; then the record
    /// is over.
    bool Writable() noexcept;
    void Text(const char *text) noexcept;
    void Value(const TraceFormat &format, double value) noexcept;
    void Separator() noexcept;
    /// Radians to degrees with the engine's factor, leaving the fault flags
    /// as they were.
    double Degrees(double radians) const noexcept;

    const COORD *m_coord = nullptr;
    std::FILE *m_file = nullptr;
    bool m_bEnded = false;
};
