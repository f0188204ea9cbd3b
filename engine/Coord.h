// The geodetic engine: catalogue, selected datum and grid, datum shift and grid
// conversions. Plain C++ with no dependency beyond the standard library.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::int32_t ELLIPSOID_COUNT = 29;
constexpr std::int32_t DATUM_COUNT = 134;
/// The datum that the commands treat as WGS 84 itself.
constexpr std::int32_t DATUM_WGS84 = 133;

/// Grid kinds, in the order of the coordinate-system dialog's buttons.
constexpr int CS_UTM = 1;
constexpr int CS_TM = 2;
constexpr int CS_G7 = 3;
constexpr int CS_ECEF = 4;

/// Record widths of the catalogue names, terminating zero included.
constexpr unsigned ELLIPSOID_NAME_SIZE = 40;
constexpr unsigned DATUM_NAME_SIZE = 52;

/// One row of the ellipsoid table.
struct ELLIPSOID {
    char name[ELLIPSOID_NAME_SIZE]; ///< display name, zero-terminated
    double a;                       ///< semi-major axis (metres)
    double invf;                    ///< inverse flattening 1/f
};

/// One row of the datum table.
struct DATUM {
    char name[DATUM_NAME_SIZE]; ///< display name with its code, zero-terminated
    std::int32_t ellipsoid;     ///< index into the ellipsoid table
    double dx;                  ///< shift to WGS 84 along X (metres)
    double dy;                  ///< shift to WGS 84 along Y (metres)
    double dz;                  ///< shift to WGS 84 along Z (metres)
};

/**
 * One geodetic engine: the WGS 84 constants, one selected local datum with its
 * ellipsoid, one grid kind with its projection constants, a trace switch and a
 * private copy of the catalogue.
 *
 * Every public conversion takes and returns angles in decimal degrees and
 * lengths in metres. A floating-point fault inside an operation (invalid
 * operation, division by zero, overflow) throws FloatingPointError with the
 * documented message and leaves every output and field as it was.
 */
class COORD {
  public:
    /// Builds the catalogue, selects datum @p nDatum and grid kind CS_UTM.
    explicit COORD(std::int32_t nDatum);

    // ---- catalogue ------------------------------------------------------

    /**
     * Reads ellipsoid row @p index.
     * @param[in] index row, 0 to 28.
     * @param[out] name buffer of @p size bytes; receives the name, zero-filled
     *   up to @p size and always zero-terminated (cut short if needed).
     * @param[in] size size of @p name in bytes.
     * @param[out] a semi-major axis (metres).
     * @param[out] invf inverse flattening.
     * @return the length of the stored name in bytes, or 0 (nothing written)
     *   when @p index is outside the table.
     */
    std::int32_t GetEllipsoid(std::int32_t index, char *name, unsigned size,
                              double &a, double &invf) const;

    /**
     * Reads datum row @p index; same contract as GetEllipsoid over rows 0 to
     * 133, with the ellipsoid index and the three shifts (metres) as outputs.
     */
    std::int32_t GetDatumInfo(std::int32_t index, char *name, unsigned size,
                              std::int32_t &ellipsoid, double &dx, double &dy,
                              double &dz) const;

    /// Overwrites ellipsoid row 0. A name longer than 39 bytes is cut at a
    /// UTF-8 character boundary. Takes effect at the next SetDatum.
    void SetUserEllipsoid(const char *name, double a, double invf);

    /// Overwrites datum row 0. A name longer than 51 bytes is cut at a UTF-8
    /// character boundary. Takes effect at the next SetDatum.
    void SetUserDatum(const char *name, std::int32_t ellipsoid, double dx,
                      double dy, double dz);

    // ---- state ------------------------------------------------------------

    /// Selects datum @p nDatum (0 to 133) and derives the local parameters.
    /// All or nothing: on a floating-point fault no field changes.
    void SetDatum(std::int32_t nDatum);
    std::int32_t GetDatum() const;

    /// Stores the grid kind and loads its default projection constants
    /// (CS_ECEF and unknown kinds keep the constants in force).
    void SetCoordSys(int nCoordSys);
    int GetCoordSys() const;

    /// False easting @p x and false northing @p y (metres).
    void SetOrigin(double x, double y);
    void GetOrigin(double &x, double &y) const;

    /// Origin latitude and longitude (degrees); the longitude becomes the
    /// central meridian of its UTM zone in CS_UTM and of its belt in CS_TM.
    void SetOrgLatLon(double lat, double lon);
    void GetOrgLatLon(double &lat, double &lon) const;

    /// Latitude and longitude deltas (degrees).
    void SetDelta(double dlat, double dlon);
    void GetDelta(double &dlat, double &dlon) const;


    /// Non-zero makes every later conversion append its trace record.
    void SetTrace(std::int16_t bTrace);

    // ---- conversions (degrees and metres) -------------------------------

    /**
     * Standard Molodensky shift from WGS 84 to the selected datum.
     *
     * Domain: latitudes strictly between the poles (cos(lat) divides the
     * longitude shift: at 90 degrees, where it is all but zero, the longitude
     * comes out as about -7E13) and heights of a few kilometres; the formulas
     * are first order in the shifts.
     * Accuracy: agrees with PROJ's molodensky operation to 1e-9 degrees and
     * 1 mm in height (tests/engine/MolodenskyTest.cpp). As a transformation
     * it is as good as the datum's three constants; forward then back leaves
     * up to 9 cm for the 800 m shift of "Tokyo(---)".
     * @param[in] lat, lon WGS 84 position (degrees).
     * @param[in] alt height above the WGS 84 ellipsoid (metres).
     * @param[out] latOut, lonOut position on the local datum (degrees).
     * @param[out] altOut height above the local ellipsoid (metres).
     */
    void TransWgs2Local(double lat, double lon, double alt, double &latOut,
                        double &lonOut, double &altOut) const;

    /// Standard Molodensky shift from the selected datum to WGS 84; arguments,
    /// domain and accuracy as TransWgs2Local.
    void TransLocal2Wgs(double lat, double lon, double alt, double &latOut,
                        double &lonOut, double &altOut) const;

    /**
     * Transverse Mercator, geodetic to grid, with the projection constants in
     * force.
     *
     * Domain: latitudes short of the poles, longitudes within a few degrees
     * of the central meridian (the series diverge far from it).
     * Accuracy: within 1 mm of the exact projection (GeographicLib's
     * TransverseMercatorProj -e, worst seen 0.015 mm) within 3 degrees of the
     * central meridian (tests/engine/TmercTest.cpp), the width of a UTM
     * zone; the error grows quickly beyond.
     * @param[in] lat, lon position on the selected datum (degrees).
     * @param[out] x easting (metres).
     * @param[out] y northing (metres).
     */
    void ConvGeo2Grid(double lat, double lon, double &x, double &y) const;

    /**
     * Transverse Mercator, grid to geodetic; domain as ConvGeo2Grid. The
     * footpoint latitude converges to 1e-10 radians; within 3 degrees of the
     * central meridian the point lands within 1 mm of the exact inverse.
     * @param[out] lat, lon position on the selected datum (degrees).
     * @param[in] x easting (metres).
     * @param[in] y northing (metres).
     */
    void ConvGrid2Geo(double &lat, double &lon, double x, double y) const;

    /**
     * Geodetic to Earth-centred Earth-fixed, on the selected datum. Closed
     * formula: exact to rounding for any point (within 1e-6 m of
     * GeographicLib's CartConvert, tests/engine/EcefTest.cpp).
     * @param[in] lat, lon position (degrees); @param[in] h height (metres).
     * @param[out] x, y, z Cartesian coordinates (metres).
     */
    void ConvGeo2Ecef(double lat, double lon, double h, double &x, double &y,
                      double &z) const;

    /**
     * Earth-centred Earth-fixed to geodetic, Bowring's formula, one step.
     *
     * Domain: any point off the polar axis's centre (X = Y = Z = 0 is an
     * invalid operation). Accuracy: for heights between -100 m and 9 km it
     * recovers the point to 1e-9 degrees (0.1 mm) and 0.1 mm in height
     * (tests/engine/EcefTest.cpp); one step is not exact far above or below
     * the ellipsoid.
     * @param[out] lat, lon position (degrees); @param[out] h height (metres).
     * @param[in] x, y, z Cartesian coordinates (metres).
     */
    void ConvEcef2Geo(double &lat, double &lon, double &h, double x, double y,
                      double z) const;

    // ---- state, public in its documented order ---------------------------

    double m_dbWgs84_a;
    double m_dbWgs84_b; ///< a published constant, not derived from a and f
    double m_dbWgs84_f;
    double m_dbWgs84_e;
    double m_dbWgs84_ee;
    double m_dbLocal_a;
    double m_dbLocal_b;
    double m_dbLocal_f;
    double m_dbLocal_e;
    double m_dbLocal_ee;
    double m_dbLocal_epep;
    double m_dbLocal_A;
    double m_dbLocal_B;
    double m_dbLocal_C;
    double m_dbLocal_D;
    double m_dbLocal_E;
    double m_dbLocal_F;
    double m_dbLocal_da;
    double m_dbLocal_df;
    double m_dbLocal_dx;
    double m_dbLocal_dy;
    double m_dbLocal_dz;
    double m_dbScale;
    double m_dbOrgX;
    double m_dbOrgY;
    double m_dbOrgLat;
    double m_dbOrgLon;
    double m_dbDeltaLat;
    double m_dbDeltaLon;
    std::int16_t m_bTrace;
    double m_dbDeg2Rad;
    double m_dbRad2Deg;
    std::int32_t m_nDatum;
    std::int32_t m_nCoordSys;
    ELLIPSOID m_Ellipsoid[ELLIPSOID_COUNT];
    DATUM m_Datum[DATUM_COUNT];

  private:
    void InitEllipsoids();
    void InitDatums();

    // Radian-valued algorithms; called only by the degree operations above.
    void Local2Wgs(double &lat, double &lon, double &alt) const;
    void Wgs2Local(double &lat, double &lon, double &alt) const;
    void Local2Utm(double lat, double lon, double &x, double &y) const;
    void Utm2Local(double &lat, double &lon, double x, double y) const;
    void Local2Ecef(double lat, double lon, double h, double &x, double &y,
                    double &z) const;
    void Ecef2Local(double &lat, double &lon, double &h, double x, double y,
                    double z) const;
};

/// The trace files that an engine appends to while its trace switch is on,
/// by name in the current directory: @p index 0 up, null beyond the last.
const char *TraceFileName(std::size_t index);
