// COORD construction, datum selection, grid-kind constants, origin and delta
// settings, and access to the catalogue rows.
#include "Coord.h"
#include "Belts.h"
#include "Utm.h"

#include "Errors.h"

#include <cmath>
#include <cstring>

namespace {

// The WGS 84 constants. b is the published value, not derived from a and f
// (the derived one is 6356752.314245179).
constexpr double WGS84_A = 6378137.0;
constexpr double WGS84_B = 6356752.3142;
constexpr double WGS84_F = 0.0033528106647474805;

constexpr double DEG2RAD = 0.017453292519943295; // nearest double to pi/180
constexpr double RAD2DEG = 57.29577951308232;    // nearest double to 180/pi

/// Copies a user name into a catalogue record, cut to fit at a UTF-8
/// character boundary, zero-filled to the end of the record.
void CopyUserName(char *field, std::size_t fieldSize, const char *name) {
    std::memset(field, 0, fieldSize);
    if (name == nullptr)
        return;
    std::size_t length = std::strlen(name);
    if (length > fieldSize - 1) {
        length = fieldSize - 1;
        // name[length] is the first byte left out; while it continues a
        // multi-byte character, leave out that character's earlier bytes too.
        while (length > 0 &&
               (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(field, name, length);
}

/// Copies a stored name into a caller's buffer of @p size bytes: the name,
/// then zeros up to @p size, never past it and always zero-terminated.
void CopyNameOut(char *buffer, unsigned size, const char *name) {
    if (buffer == nullptr || size == 0)
        return;
    const std::size_t length = std::strlen(name);
    const std::size_t copied = length < size - 1 ? length : size - 1;
    std::memcpy(buffer, name, copied);
    std::memset(buffer + copied, 0, size - copied);
}

/// Two stored radian values in degrees, under the fault check (an origin set
/// near the double range overflows on the way back).
void TwoAnglesToDegrees(double first, double second, double rad2deg,
                        double &firstOut, double &secondOut) {
    double out[2] = {0, 0};
    RunFloatingPointChecked([&] {
        PinFloatingPoint(first, second);
        out[0] = first * rad2deg;
        out[1] = second * rad2deg;
        PinFloatingPoint(out);
    });
    firstOut = out[0];
    secondOut = out[1];
}

} // namespace

COORD::COORD(std::int32_t nDatum) {
    m_dbWgs84_a = WGS84_A;
    m_dbWgs84_b = WGS84_B;
    m_dbWgs84_f = WGS84_F;
    m_dbWgs84_e = std::sqrt((2.0 - m_dbWgs84_f) * m_dbWgs84_f);
    m_dbWgs84_ee = m_dbWgs84_e * m_dbWgs84_e;
    m_dbDeg2Rad = DEG2RAD;
    m_dbRad2Deg = RAD2DEG;

    // Fields that the first SetDatum / SetCoordSys overwrite; zeroed so that
    // no field is ever read uninitialised.
    m_dbLocal_a = m_dbLocal_b = m_dbLocal_f = m_dbLocal_e = m_dbLocal_ee = 0.0;
    m_dbLocal_epep = 0.0;
    m_dbLocal_A = m_dbLocal_B = m_dbLocal_C = m_dbLocal_D = m_dbLocal_E =
        m_dbLocal_F = 0.0;
    m_dbLocal_da = m_dbLocal_df = 0.0;
    m_dbLocal_dx = m_dbLocal_dy = m_dbLocal_dz = 0.0;
    m_dbScale = m_dbOrgX = m_dbOrgY = m_dbOrgLat = m_dbOrgLon = 0.0;
    m_dbDeltaLat = m_dbDeltaLon = 0.0;
    m_nDatum = 0;
    m_nCoordSys = 0;

    InitEllipsoids();
    InitDatums();
    SetTrace(0);
    SetDatum(nDatum);
    SetCoordSys(CS_UTM);
}

// ---- catalogue access -------------------------------------------------------

std::int32_t COORD::GetEllipsoid(std::int32_t index, char *name, unsigned size,
                                 double &a, double &invf) const {
    if (index < 0 || index >= ELLIPSOID_COUNT)
        return 0;
    const ELLIPSOID &row = m_Ellipsoid[index];
    CopyNameOut(name, size, row.name);
    a = row.a;
    invf = row.invf;
    return static_cast<std::int32_t>(std::strlen(row.name));
}

std::int32_t COORD::GetDatumInfo(std::int32_t index, char *name, unsigned size,
                                 std::int32_t &ellipsoid, double &dx,
                                 double &dy, double &dz) const {
    if (index < 0 || index >= DATUM_COUNT)
        return 0;
    const DATUM &row = m_Datum[index];
    CopyNameOut(name, size, row.name);
    ellipsoid = row.ellipsoid;
    dx = row.dx;
    dy = row.dy;
    dz = row.dz;
    return static_cast<std::int32_t>(std::strlen(row.name));
}

void COORD::SetUserEllipsoid(const char *name, double a, double invf) {
    ELLIPSOID &row = m_Ellipsoid[0];
    CopyUserName(row.name, sizeof row.name, name);
    row.a = a;
    row.invf = invf;
}

void COORD::SetUserDatum(const char *name, std::int32_t ellipsoid, double dx,
                         double dy, double dz) {
    DATUM &row = m_Datum[0];
    CopyUserName(row.name, sizeof row.name, name);
    row.ellipsoid = ellipsoid;
    row.dx = dx;
    row.dy = dy;
    row.dz = dz;
}

// ---- datum selection
// ----------------------------------------------------------

void COORD::SetDatum(std::int32_t nDatum) {
    const DATUM &datum = m_Datum[nDatum];
    const ELLIPSOID &ellipsoid = m_Ellipsoid[datum.ellipsoid];

    // Derived into locals and committed only when no fault occurred, so that a
    // user ellipsoid with an inverse flattening of 0 leaves the engine as it
    // was instead of half-updated.
    double a = 0, f = 0, b = 0, da = 0, df = 0, ee = 0, e = 0, epep = 0;
    double A = 0, B = 0, C = 0, D = 0, E = 0, F = 0;
    RunFloatingPointChecked([&] {
        double invf = ellipsoid.invf;
        a = ellipsoid.a;
        PinFloatingPoint(invf, a);
        f = 1.0 / invf;
        b = (1.0 - f) * a;
        da = m_dbWgs84_a - a;
        df = m_dbWgs84_f - f;
        ee = (2.0 - f) * f;
        e = std::sqrt(ee);
        epep = (a * a - b * b) / (b * b);

        // Meridian-arc coefficients. The powers come from e itself, not from
        // ee, and every sum is accumulated from its lowest power upwards.
        const double e2 = std::pow(e, 2);
        const double e4 = std::pow(e, 4);
        const double e6 = std::pow(e, 6);
        const double e8 = std::pow(e, 8);
        const double e10 = std::pow(e, 10);
        A = 1.0;
        A += 3.0 / 4.0 * e2;
        A += 45.0 / 64.0 * e4;
        A += 175.0 / 256.0 * e6;
        A += 11025.0 / 16384.0 * e8;
        A += 43659.0 / 65536.0 * e10;
        B = 3.0 / 4.0 * e2;
        B += 15.0 / 16.0 * e4;
        B += 525.0 / 512.0 * e6;
        B += 2205.0 / 2048.0 * e8;
        B += 72765.0 / 65536.0 * e10;
        C = 15.0 / 64.0 * e4;
        C += 105.0 / 256.0 * e6;
        C += 2205.0 / 4096.0 * e8;
        C += 10395.0 / 16384.0 * e10;
        D = 35.0 / 512.0 * e6;
        D += 315.0 / 2048.0 * e8;
        D += 31185.0 / 131072.0 * e10;
        E = 315.0 / 16384.0 * e8;
        E += 3465.0 / 65536.0 * e10;
        F = 693.0 / 131072.0 * e10;
        PinFloatingPoint(a, f, b, da, df, ee, e, epep, A, B, C, D, E, F);
    });

    m_nDatum = nDatum;
    m_dbLocal_dx = datum.dx;
    m_dbLocal_dy = datum.dy;
    m_dbLocal_dz = datum.dz;
    m_dbLocal_a = a;
    m_dbLocal_f = f;
    m_dbLocal_b = b;
    m_dbLocal_da = da;
    m_dbLocal_df = df;
    m_dbLocal_ee = ee;
    m_dbLocal_e = e;
    m_dbLocal_epep = epep;
    m_dbLocal_A = A;
    m_dbLocal_B = B;
    m_dbLocal_C = C;
    m_dbLocal_D = D;
    m_dbLocal_E = E;
    m_dbLocal_F = F;
}

std::int32_t COORD::GetDatum() const { return m_nDatum; }

// ---- grid kind and projection constants
// ---------------------------------------

void COORD::SetCoordSys(int nCoordSys) {
    m_nCoordSys = nCoordSys;
    switch (nCoordSys) {
    case CS_UTM:
        m_dbScale = 0.9996;
        m_dbOrgX = 500000.0;
        m_dbOrgY = 0.0;
        m_dbOrgLat = 0.0 * m_dbDeg2Rad;
        m_dbOrgLon = 129.0 * m_dbDeg2Rad;
        m_dbDeltaLat = 0.0;
        m_dbDeltaLon = 0.0;
        break;
    case CS_TM:
        m_dbScale = 1.0;
        m_dbOrgX = 200000.0;
        m_dbOrgY = 500000.0;
        m_dbOrgLat = 38.0 * m_dbDeg2Rad;
        m_dbOrgLon = 127.0 * m_dbDeg2Rad;
        m_dbDeltaLat = 0.0;
        // 10.405 seconds of arc
        m_dbDeltaLon = 0.0028902777777777776 * m_dbDeg2Rad;
        break;
    case CS_G7:
        m_dbScale = 0.9999;
        m_dbOrgX = 400000.0;
        m_dbOrgY = 600000.0;
        m_dbOrgLat = 38.0 * m_dbDeg2Rad;
        m_dbOrgLon = 128.0 * m_dbDeg2Rad;
        m_dbDeltaLat = 0.0;
        m_dbDeltaLon = 0.0;
        break;
    default: // CS_ECEF and unknown kinds keep the constants in force
        break;
    }
}

int COORD::GetCoordSys() const { return m_nCoordSys; }

void COORD::SetOrigin(double x, double y) {
    m_dbOrgX = x;
    m_dbOrgY = y;
}

void COORD::GetOrigin(double &x, double &y) const {
    x = m_dbOrgX;
    y = m_dbOrgY;
}

void COORD::SetOrgLatLon(double lat, double lon) {
    double orgLon = lon;
    if (m_nCoordSys == CS_UTM) {
        orgLon = Utm::ZoneCentralMeridian(lon);
    } else if (m_nCoordSys == CS_TM) {
        orgLon = Belts::BeltMeridian(lon);
    }
    m_dbOrgLat = lat * m_dbDeg2Rad;
    m_dbOrgLon = orgLon * m_dbDeg2Rad;
}

void COORD::GetOrgLatLon(double &lat, double &lon) const {
    TwoAnglesToDegrees(m_dbOrgLat, m_dbOrgLon, m_dbRad2Deg, lat, lon);
}

void COORD::SetDelta(double dlat, double dlon) {
    m_dbDeltaLat = dlat * m_dbDeg2Rad;
    m_dbDeltaLon = dlon * m_dbDeg2Rad;
}

void COORD::GetDelta(double &dlat, double &dlon) const {
    TwoAnglesToDegrees(m_dbDeltaLat, m_dbDeltaLon, m_dbRad2Deg, dlat, dlon);
}

void COORD::SetTrace(std::int16_t bTrace) { m_bTrace = bTrace; }
