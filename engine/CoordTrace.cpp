// Calculation trace records: file names, banners, line formats and the writer.
#include "CoordTrace.h"

#include "Errors.h"

#include <cfenv>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The record texts, copied exactly as the records print them. Every value line
// is its label followed by "%30.16f"; the writer prints the value itself
// (FormatTraceValue), so the text never depends on the C library's locale.
// clang-format off
constexpr const char *BANNER_ROW         = "############################################\n";
constexpr const char *BANNER_WGS2LOCAL   = "#                 WGS2LOCAL                #\n";
constexpr const char *BANNER_LOCAL2WGS   = "#                 LOCAL2WGS                #\n";
constexpr const char *BANNER_LOCAL2UTM   = "#                 LOCAL2UTM                #\n";
constexpr const char *BANNER_UTM2LOCAL   = "#                 UTM2LOCAL                #\n";
constexpr const char *BANNER_LOCAL2ECEF  = "#                 LOCAL2ECEF               #\n";
constexpr const char *BANNER_ECEF2LOCAL  = "#                ECEF2LOCAL                #\n";
constexpr const char *SEPARATOR          = "--------------\n";

// "WGS2LOC.txt" and "LOC2WGS.txt"
constexpr TraceFormat MOLO_LATITUDE      = "Latitude:     %30.16f\n";
constexpr TraceFormat MOLO_LONGITUDE     = "Longitude:    %30.16f\n";
constexpr TraceFormat MOLO_ALTITUDE      = "Altitude:     %30.16f\n";
constexpr TraceFormat MOLO_WGS84_A       = "m_dbWgs84_a:  %30.16f\n";
constexpr TraceFormat MOLO_WGS84_B       = "m_dbWgs84_b:  %30.16f\n";
constexpr TraceFormat MOLO_WGS84_F       = "m_dbWgs84_f:  %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_DA      = "m_dbLocal_da: %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_DF      = "m_dbLocal_df: %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_DX      = "m_dbLocal_dx: %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_DY      = "m_dbLocal_dy: %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_DZ      = "m_dbLocal_dz: %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_E       = "m_dbLocal_e:  %30.16f\n";
constexpr TraceFormat MOLO_LOCAL_EE      = "m_dbLocal_ee: %30.16f\n";
constexpr TraceFormat MOLO_NM_TERM1      = "N/M Term1:    %30.16f\n";
constexpr TraceFormat MOLO_NM_TERM2      = "N/M Term2:    %30.16f\n";
constexpr TraceFormat MOLO_N             = "N:            %30.16f\n";
constexpr TraceFormat MOLO_M             = "M:            %30.16f\n";
constexpr TraceFormat MOLO_DLAT_TERM[]   = {"d_lat Term1:  %30.16f\n",
                                            "d_lat Term2:  %30.16f\n",
                                            "d_lat Term3:  %30.16f\n",
                                            "d_lat Term4:  %30.16f\n",
                                            "d_lat Term5:  %30.16f\n",
                                            "d_lat Term6:  %30.16f\n"};
constexpr TraceFormat MOLO_DLAT_TERMALL  = "d_lat Termall:%30.16f\n";
constexpr TraceFormat MOLO_DELTA_LAT     = "delta_lat:    %30.16f\n";
constexpr TraceFormat MOLO_DLON_TERM[]   = {"d_lon Term1:  %30.16f\n",
                                            "d_lon Term2:  %30.16f\n",
                                            "d_lon Term3:  %30.16f\n"};
constexpr TraceFormat MOLO_DLON_TERMALL  = "d_lon Termall:%30.16f\n";
constexpr TraceFormat MOLO_DELTA_LON     = "delta_lon:    %30.16f\n";
constexpr TraceFormat MOLO_DALT_TERM[]   = {"d_alt Term1:  %30.16f\n",
                                            "d_alt Term2:  %30.16f\n",
                                            "d_alt Term3:  %30.16f\n",
                                            "d_alt Term4:  %30.16f\n",
                                            "d_alt Term5:  %30.16f\n"};
constexpr TraceFormat MOLO_DALT_TERMALL  = "d_alt Termall:%30.16f\n";
constexpr TraceFormat MOLO_DELTA_ALT     = "delta_alt:    %30.16f\n";

// "LOC2UTM.txt"; its ellipsoid block and "N :" also serve "LOC2ECEF.txt"
constexpr TraceFormat L2U_LATITUDE       = "Latitude:     %30.16f\n";
constexpr TraceFormat L2U_LONGITUDE      = "Longitude:    %30.16f\n";
constexpr TraceFormat L2U_LATITUDE_ORG   = "Latitude org: %30.16f\n";
constexpr TraceFormat L2U_LONGITUDE_ORG  = "Longitude org:%30.16f\n";
constexpr TraceFormat ELL_LOCAL_A        = "m_dbLocal_a:  %30.16f\n";
constexpr TraceFormat ELL_LOCAL_B        = "m_dbLocal_b:  %30.16f\n";
constexpr TraceFormat ELL_LOCAL_F        = "m_dbLocal_f:  %30.16f\n";
constexpr TraceFormat ELL_LOCAL_E        = "m_dbLocal_e:  %30.16f\n";
constexpr TraceFormat ELL_LOCAL_EE       = "m_dbLocal_ee: %30.16f\n";
constexpr TraceFormat ELL_LOCAL_ARC[]    = {"m_dbLocal_A:  %30.16f\n",
                                            "m_dbLocal_B:  %30.16f\n",
                                            "m_dbLocal_C:  %30.16f\n",
                                            "m_dbLocal_D:  %30.16f\n",
                                            "m_dbLocal_E:  %30.16f\n",
                                            "m_dbLocal_F:  %30.16f\n"};
constexpr TraceFormat L2U_BAR            = "BAR :         %30.16f\n";
constexpr TraceFormat RADIUS_N           = "N :           %30.16f\n";
constexpr TraceFormat L2U_NN             = "nn :          %30.16f\n";
constexpr TraceFormat L2U_Y              = "Y :           %30.16f\n";
constexpr TraceFormat L2U_X              = "X :           %30.16f\n";

// "UTM2LOC.txt" (origin in radians)
constexpr TraceFormat U2L_LATITUDE_ORG   = "Latitude org: %30.16f\n";
constexpr TraceFormat U2L_LONGITUDE_ORG  = "Longitude org:%30.16f\n";
constexpr TraceFormat U2L_UTM_X          = "Local UTM X:    %30.16f\n";
constexpr TraceFormat U2L_UTM_Y          = "Local UTM Y:    %30.16f\n";
constexpr TraceFormat U2L_Y0             = "y0:      %30.16f\n";
constexpr TraceFormat U2L_N              = "N :           %30.16f\n";
constexpr TraceFormat U2L_NN             = "nn :          %30.16f\n";
constexpr TraceFormat U2L_LAT            = "lat :   %30.16f\n";
constexpr TraceFormat U2L_LON            = "lon :   %30.16f\n";

// "LOC2ECEF.txt"
constexpr TraceFormat L2E_LATITUDE       = "Latitude:     %30.16f\n";
constexpr TraceFormat L2E_LONGITUDE      = "Longitude:    %30.16f\n";
constexpr TraceFormat L2E_HEIGHT         = "Height:       %30.16f\n";
constexpr TraceFormat L2E_X              = "X :           %30.16f\n";
constexpr TraceFormat L2E_Y              = "Y :           %30.16f\n";
constexpr TraceFormat L2E_Z              = "Z :           %30.16f\n";

// "ECEF2LOC.txt"
constexpr TraceFormat E2L_ECEF_X         = "ECEF X:        %30.16f\n";
constexpr TraceFormat E2L_ECEF_Y         = "ECEF Y:        %30.16f\n";
constexpr TraceFormat E2L_ECEF_Z         = "ECEF Z:        %30.16f\n";
constexpr TraceFormat E2L_LAT            = "lat :   %30.16f\n";
constexpr TraceFormat E2L_LON            = "lon :   %30.16f\n";
constexpr TraceFormat E2L_HGT            = "hgt :   %30.16f\n";

struct RecordFile {
    const char *name;
    const char *banner;
};

// Indexed by TraceRecord.
constexpr RecordFile RECORD_FILES[] = {
    {"WGS2LOC.txt",  BANNER_WGS2LOCAL},
    {"LOC2WGS.txt",  BANNER_LOCAL2WGS},
    {"LOC2UTM.txt",  BANNER_LOCAL2UTM},
    {"UTM2LOC.txt",  BANNER_UTM2LOCAL},
    {"LOC2ECEF.txt", BANNER_LOCAL2ECEF},
    {"ECEF2LOC.txt", BANNER_ECEF2LOCAL},
};
// clang-format on

static_assert(std::size(RECORD_FILES) ==
              static_cast<std::size_t>(TraceRecord::Ecef2Local) + 1);

// A banner line is 44 characters plus its line end.
constexpr bool BannerLine(const char *line) {
    return std::char_traits<char>::length(line) == 45 && line[0] == '#' &&
           line[43] == '#' && line[44] == '\n';
}
static_assert(BannerLine(BANNER_ROW) && BannerLine(BANNER_WGS2LOCAL) &&
              BannerLine(BANNER_LOCAL2WGS) && BannerLine(BANNER_LOCAL2UTM) &&
              BannerLine(BANNER_UTM2LOCAL) && BannerLine(BANNER_LOCAL2ECEF) &&
              BannerLine(BANNER_ECEF2LOCAL));

// The stream mode "a+t": appended, created if missing, never truncated, text
// mode. POSIX streams are text streams already and "t" is not a POSIX mode
// letter, so it is passed only where it means something.
#ifdef _WIN32
constexpr const char *TRACE_MODE = "a+t";
#else
constexpr const char *TRACE_MODE = "a+";
#endif

constexpr int FAULT_FLAGS = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
constexpr std::size_t FIELD_WIDTH = 30;
constexpr int FIELD_DECIMALS = 16;
constexpr std::size_t FIELD_TEXT_LENGTH = 7; // "%30.16f"

} // namespace

const char *TraceFileName(std::size_t index) {
    return index < std::size(RECORD_FILES) ? RECORD_FILES[index].name
                                           : nullptr;
}

std::size_t FormatTraceValue(double value, char (&buffer)[TRACE_VALUE_SIZE]) {
    // std::to_chars is locale-independent and, with a precision, rounds the
    // exact binary value as printf does.
    char digits[TRACE_VALUE_SIZE];
    const auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits - 1, value,
                      std::chars_format::fixed, FIELD_DECIMALS);
    const std::size_t length =
        ec == std::errc() ? static_cast<std::size_t>(end - digits) : 0;
    const std::size_t pad = length < FIELD_WIDTH ? FIELD_WIDTH - length : 0;
    std::memset(buffer, ' ', pad);
    std::memcpy(buffer + pad, digits, length);
    buffer[pad + length] = '\0';
    return pad + length;
}

// ---- record lifetime
// ----------------------------------------------------------

void CoordTrace::Open(const COORD &coord, TraceRecord record) noexcept {
    const RecordFile &file = RECORD_FILES[static_cast<std::size_t>(record)];
    m_coord = &coord;
#ifdef _WIN32
    m_file = std::fopen(file.name, TRACE_MODE);
#else
    // The record goes into a plain file of the current directory and nowhere
    // else: a symbolic link of that name is not followed (nor a dangling one
    // made to create its target), and a file that is not regular (a FIFO, a
    // device) or that has other names (a hard link into another directory) is
    // left alone. O_NONBLOCK keeps a FIFO without a reader from blocking the
    // open; it is cleared before anything is written.
    const int fd = ::open(file.name,
                          O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC |
                              O_NONBLOCK | O_NOCTTY,
                          0666);
    if (fd < 0)
        return; // no rights, no room, a link, a directory: no record
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    m_file = ::fdopen(fd, TRACE_MODE);
    if (m_file == nullptr) {
        ::close(fd);
        return;
    }
#endif
    if (m_file == nullptr)
        return; // no rights, no room, a directory of that name: no record
    Text(BANNER_ROW);
    Text(file.banner);
    Text(BANNER_ROW);
}

void CoordTrace::Close() noexcept {
    std::fclose(m_file);
    m_file = nullptr;
}

bool CoordTrace::Writable() noexcept {
    if (m_bEnded || m_file == nullptr)
        return false;
    if (FloatingPointFaultRaised())
        m_bEnded = true;
    return !m_bEnded;
}

void CoordTrace::Text(const char *text) noexcept {
    if (m_bEnded)
        return;
    if (std::fputs(text, m_file) == EOF)
        m_bEnded = true; // disk full or a write error: skip the rest
}

void CoordTrace::Value(const TraceFormat &format, double value) noexcept {
    char line[TRACE_VALUE_SIZE + 64];
    std::size_t n = format.field;
    if (n > 63)
        n = 63; // labels are short; never overrun the line buffer
    std::memcpy(line, format.text, n);
    char field[TRACE_VALUE_SIZE];
    const std::size_t width = FormatTraceValue(value, field);
    std::memcpy(line + n, field, width + 1);
    Text(line);
    Text(format.text + format.field + FIELD_TEXT_LENGTH);
}

void CoordTrace::Separator() noexcept { Text(SEPARATOR); }

double CoordTrace::Degrees(double radians) const noexcept {
    // The record's own arithmetic must not raise a flag that the conversion
    // would then report as its fault.
    std::fexcept_t saved;
    std::fegetexceptflag(&saved, FAULT_FLAGS);
    double degrees = radians * m_coord->m_dbRad2Deg;
    PinFloatingPoint(degrees); // multiplied before the flags are restored
    std::fesetexceptflag(&saved, FAULT_FLAGS);
    return degrees;
}

// ---- "WGS2LOC.txt" and "LOC2WGS.txt"
// --------------------------------------------

void CoordTrace::MolodenskyInput(double lat, double lon, double alt) noexcept {
    if (!Writable())
        return;
    const COORD &c = *m_coord;
    Separator();
    Value(MOLO_LATITUDE, Degrees(lat));
    Value(MOLO_LONGITUDE, Degrees(lon));
    Value(MOLO_ALTITUDE, alt);
    Separator();
    Value(MOLO_WGS84_A, c.m_dbWgs84_a);
    Value(MOLO_WGS84_B, c.m_dbWgs84_b);
    Value(MOLO_WGS84_F, c.m_dbWgs84_f);
    Value(MOLO_LOCAL_DA, c.m_dbLocal_da);
    Value(MOLO_LOCAL_DF, c.m_dbLocal_df);
    Value(MOLO_LOCAL_DX, c.m_dbLocal_dx);
    Value(MOLO_LOCAL_DY, c.m_dbLocal_dy);
    Value(MOLO_LOCAL_DZ, c.m_dbLocal_dz);
    // The local eccentricity in both records, also in the WGS 84 -> local
    // one whose formulas run on the WGS 84 values.
    Value(MOLO_LOCAL_E, c.m_dbLocal_e);
    Value(MOLO_LOCAL_EE, c.m_dbLocal_ee);
}

void CoordTrace::MolodenskyRadii(double w, double w15, double N,
                                 double M) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(MOLO_NM_TERM1, w);
    Value(MOLO_NM_TERM2, w15);
    Value(MOLO_N, N);
    Value(MOLO_M, M);
}

void CoordTrace::MolodenskyLatitude(double t1, double t2, double t3, double t4,
                                    double t5, double t6, double all,
                                    double dLat) noexcept {
    if (!Writable())
        return;
    const double terms[] = {t1, t2, t3, t4, t5, t6};
    static_assert(std::size(terms) == std::size(MOLO_DLAT_TERM));
    Separator();
    for (std::size_t i = 0; i < std::size(terms); ++i)
        Value(MOLO_DLAT_TERM[i], terms[i]);
    Value(MOLO_DLAT_TERMALL, all);
    Value(MOLO_DELTA_LAT, Degrees(dLat));
}

void CoordTrace::MolodenskyLongitude(double t1, double t2, double t3,
                                     double all, double dLon) noexcept {
    if (!Writable())
        return;
    const double terms[] = {t1, t2, t3};
    static_assert(std::size(terms) == std::size(MOLO_DLON_TERM));
    Separator();
    for (std::size_t i = 0; i < std::size(terms); ++i)
        Value(MOLO_DLON_TERM[i], terms[i]);
    Value(MOLO_DLON_TERMALL, all);
    Value(MOLO_DELTA_LON, Degrees(dLon));
}

void CoordTrace::MolodenskyAltitude(double t1, double t2, double t3, double t4,
                                    double t5, double dAlt) noexcept {
    if (!Writable())
        return;
    const double terms[] = {t1, t2, t3, t4, t5};
    static_assert(std::size(terms) == std::size(MOLO_DALT_TERM));
    Separator();
    for (std::size_t i = 0; i < std::size(terms); ++i)
        Value(MOLO_DALT_TERM[i], terms[i]);
    // The sum and the shift are the same value.
    Value(MOLO_DALT_TERMALL, dAlt);
    Value(MOLO_DELTA_ALT, dAlt);
}

// ---- shared blocks
// -------------------------------------------------------------

void CoordTrace::Ellipsoid() noexcept {
    if (!Writable())
        return;
    const COORD &c = *m_coord;
    Separator();
    Value(ELL_LOCAL_A, c.m_dbLocal_a);
    Value(ELL_LOCAL_B, c.m_dbLocal_b);
    Value(ELL_LOCAL_F, c.m_dbLocal_f);
    Value(ELL_LOCAL_E, c.m_dbLocal_e);
    Value(ELL_LOCAL_EE, c.m_dbLocal_ee);
    const double arc[] = {c.m_dbLocal_A, c.m_dbLocal_B, c.m_dbLocal_C,
                          c.m_dbLocal_D, c.m_dbLocal_E, c.m_dbLocal_F};
    static_assert(std::size(arc) == std::size(ELL_LOCAL_ARC));
    for (std::size_t i = 0; i < std::size(arc); ++i)
        Value(ELL_LOCAL_ARC[i], arc[i]);
}

void CoordTrace::Radius(double N) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(RADIUS_N, N);
}

// ---- "LOC2UTM.txt"
// ---------------------------------------------------------------

void CoordTrace::Local2UtmInput(double lat, double lon) noexcept {
    if (!Writable())
        return;
    const COORD &c = *m_coord;
    Separator();
    Value(L2U_LATITUDE, Degrees(lat));
    Value(L2U_LONGITUDE, Degrees(lon));
    Value(L2U_LATITUDE_ORG, Degrees(c.m_dbOrgLat));
    // The stored origin, without the longitude delta.
    Value(L2U_LONGITUDE_ORG, Degrees(c.m_dbOrgLon));
}

void CoordTrace::Local2UtmArc(double bar) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2U_BAR, bar);
}

void CoordTrace::Local2UtmEta2(double nn) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2U_NN, nn);
}

void CoordTrace::Local2UtmNorthing(double y) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2U_Y, y);
}

void CoordTrace::Local2UtmEasting(double x) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2U_X, x);
}

void CoordTrace::Local2UtmResult(double x, double y) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2U_X, x);
    Value(L2U_Y, y);
}

// ---- "UTM2LOC.txt"
// ---------------------------------------------------------------

void CoordTrace::Utm2LocalInput(double x, double y) noexcept {
    if (!Writable())
        return;
    const COORD &c = *m_coord;
    Separator();
    Value(U2L_LATITUDE_ORG, c.m_dbOrgLat); // radians in this record
    Value(U2L_LONGITUDE_ORG, c.m_dbOrgLon);
    Value(U2L_UTM_X, x);
    Value(U2L_UTM_Y, y);
}

void CoordTrace::Utm2LocalArc(double y0) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(U2L_Y0, y0);
}

void CoordTrace::Utm2LocalFootpoint(double N, double nn) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(U2L_N, N);
    Separator();
    Value(U2L_NN, nn);
}

void CoordTrace::Utm2LocalResult(double lat, double lon) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(U2L_LAT, Degrees(lat));
    Value(U2L_LON, Degrees(lon));
}

// ---- "LOC2ECEF.txt"
// --------------------------------------------------------------

void CoordTrace::Local2EcefInput(double lat, double lon, double h) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2E_LATITUDE, Degrees(lat));
    Value(L2E_LONGITUDE, Degrees(lon));
    Value(L2E_HEIGHT, h);
}

void CoordTrace::Local2EcefResult(double x, double y, double z) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(L2E_X, x);
    Value(L2E_Y, y);
    Value(L2E_Z, z);
}

// ---- "ECEF2LOC.txt"
// --------------------------------------------------------------

void CoordTrace::Ecef2LocalInput(double x, double y, double z) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(E2L_ECEF_X, x);
    Value(E2L_ECEF_Y, y);
    Value(E2L_ECEF_Z, z);
}

void CoordTrace::Ecef2LocalResult(double N, double lat, double lon,
                                  double h) noexcept {
    if (!Writable())
        return;
    Separator();
    Value(RADIUS_N, N);
    Separator();
    Value(E2L_LAT, Degrees(lat));
    Value(E2L_LON, Degrees(lon));
    Value(E2L_HGT, h);
}
