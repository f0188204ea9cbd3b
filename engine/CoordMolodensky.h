// Internal to the engine: the terms of one standard Molodensky shift, kept so
// that the trace record can print them.
#pragma once

/// The ellipsoid on which the shift is evaluated.
struct MolodenskyEllipsoid {
    double a;  ///< semi-major axis (metres)
    double b;  ///< semi-minor axis (metres)
    double e;  ///< first eccentricity
    double ee; ///< first eccentricity squared
};

/// The five constants of the step from the local datum to WGS 84.
struct MolodenskyConstants {
    double dx, dy, dz; ///< metres
    double da;         ///< WGS 84 a minus local a (metres)
    double df;         ///< WGS 84 f minus local f
};

/// Every intermediate of one evaluation (radians and metres).
struct MolodenskyShift {
    double w;      ///< 1 - (e sin phi)^2
    double w15;    ///< w^1.5
    double N;      ///< prime-vertical radius
    double M;      ///< meridian radius
    double lat[6]; ///< latitude terms 1-5 (metres) and term 6 = M + h
    double latAll; ///< sum of latitude terms 1-5
    double dLat;   ///< latitude shift (radians)
    double lon[3]; ///< longitude terms 1-3 (metres)
    double lonAll; ///< sum of longitude terms 1-2
    double dLon;   ///< longitude shift (radians)
    double alt[5]; ///< height terms 1-5 (metres)
    double dAlt;   ///< height shift (metres)
};

/// Evaluates the standard Molodensky formulas once at (phi, lam, h).
MolodenskyShift ComputeMolodenskyShift(const MolodenskyEllipsoid &ell,
                                       const MolodenskyConstants &k, double phi,
                                       double lam, double h);
