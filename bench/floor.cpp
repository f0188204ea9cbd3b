// The floor of the catalogue's jobs: what reading a point, the formulas and
// writing the result cost with nothing else. The standard Molodensky shift
// and the Transverse Mercator series written straight, numbers read with
// from_chars and written with to_chars (shortest form), no checks, no
// 15-digit texts, one thread. nolvex-convert's time over this one's is what
// its checks, its texts and its reading of any layout cost (bench-cli.sh).
//
//   floor molodensky|utm FILE   (lines "longitude latitude height")
//
// molodensky: WGS 84 to Tokyo(---) (Bessel 1841; dx, dy, dz -105.627,
// 462.37, 643.258 to WGS 84), written latitude, longitude, height.
// utm: WGS 84 to UTM zone 52 north, written easting, northing, height.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double DEG = 0.017453292519943295;
constexpr double WGS84_A = 6378137.0, WGS84_INVF = 298.257223563;
constexpr double BESSEL_A = 6377397.155, BESSEL_INVF = 299.1528128;

struct Ellipsoid {
    double a, f, b, e2, e;
    explicit Ellipsoid(double axis, double invf)
        : a(axis), f(1 / invf), b(axis * (1 - 1 / invf)),
          e2((2 - 1 / invf) / invf), e(std::sqrt((2 - 1 / invf) / invf)) {}
};

/// WGS 84 to the local datum: the standard Molodensky formulas on WGS 84
/// with the local datum's shift to WGS 84 subtracted.
void Molodensky(double lat, double lon, double h, double out[3]) {
    static const Ellipsoid wgs(WGS84_A, WGS84_INVF);
    static const Ellipsoid local(BESSEL_A, BESSEL_INVF);
    constexpr double dx = -105.627, dy = 462.37, dz = 643.258;
    const double da = wgs.a - local.a, df = wgs.f - local.f;
    const double phi = lat * DEG, lambda = lon * DEG;
    const double sp = std::sin(phi), cp = std::cos(phi);
    const double sl = std::sin(lambda), cl = std::cos(lambda);
    const double w = 1 - (wgs.e * sp) * (wgs.e * sp);
    const double n = wgs.a / std::sqrt(w);
    const double m = (1 - wgs.e2) * wgs.a / std::pow(w, 1.5);
    const double dphi =
        (-dx * sp * cl - dy * sp * sl + dz * cp +
         da * n * wgs.e2 * sp * cp / wgs.a +
         (wgs.a / wgs.b * m + wgs.b / wgs.a * n) * df * sp * cp) /
        (m + h);
    const double dlambda = (-dx * sl + dy * cl) / ((n + h) * cp);
    const double dh = dx * cp * cl + dy * cp * sl + dz * sp - da * wgs.a / n +
                      wgs.b / wgs.a * df * n * sp * sp;
    out[0] = (phi - dphi) / DEG;
    out[1] = (lambda - dlambda) / DEG;
    out[2] = h - dh;
}

/// WGS 84 to UTM zone 52 north: the meridian arc and the series to the
/// eighth power of the longitude difference.
void Utm(double lat, double lon, double h, double out[3]) {
    static const Ellipsoid wgs(WGS84_A, WGS84_INVF);
    static const struct Arc {
        double A, B, C, D, E, F;
        Arc() {
            const double e2 = wgs.e2, e4 = e2 * e2, e6 = e4 * e2,
                         e8 = e6 * e2, e10 = e8 * e2;
            A = 1 + 3.0 / 4 * e2 + 45.0 / 64 * e4 + 175.0 / 256 * e6 +
                11025.0 / 16384 * e8 + 43659.0 / 65536 * e10;
            B = 3.0 / 4 * e2 + 15.0 / 16 * e4 + 525.0 / 512 * e6 +
                2205.0 / 2048 * e8 + 72765.0 / 65536 * e10;
            C = 15.0 / 64 * e4 + 105.0 / 256 * e6 + 2205.0 / 4096 * e8 +
                10395.0 / 16384 * e10;
            D = 35.0 / 512 * e6 + 315.0 / 2048 * e8 + 31185.0 / 131072 * e10;
            E = 315.0 / 16384 * e8 + 3465.0 / 65536 * e10;
            F = 693.0 / 131072 * e10;
        }
    } arc;
    constexpr double k0 = 0.9996, x0 = 500000, meridian = 129 * DEG;
    const double phi = lat * DEG, l = lon * DEG - meridian;
    const double sp = std::sin(phi), cp = std::cos(phi), t = sp / cp;
    const double s = wgs.a * (1 - wgs.e2) *
                     (arc.A * phi - arc.B / 2 * std::sin(2 * phi) +
                      arc.C / 4 * std::sin(4 * phi) -
                      arc.D / 6 * std::sin(6 * phi) +
                      arc.E / 8 * std::sin(8 * phi) -
                      arc.F / 10 * std::sin(10 * phi));
    const double n = wgs.a / std::sqrt(1 - wgs.e2 * sp * sp);
    const double nn = wgs.e2 * cp * cp / (1 - wgs.e2);
    const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    const double c2 = cp * cp, c3 = c2 * cp, c5 = c3 * c2, c7 = c5 * c2;
    const double l2 = l * l, l3 = l2 * l, l4 = l2 * l2, l5 = l4 * l,
                 l6 = l4 * l2, l7 = l6 * l, l8 = l4 * l4;
    const double y = s + l2 / 2 * n * sp * cp +
                     l4 / 24 * n * sp * c3 * (5 - t2 + 9 * nn + 4 * nn * nn) +
                     l6 / 720 * n * sp * c5 *
                         (61 - 58 * t2 + t4 + 270 * nn - 330 * nn * t2) +
                     l8 / 40320 * n * sp * c7 *
                         (1385 - 3111 * t2 + 543 * t4 - t6);
    const double x = l * n * cp + l3 / 6 * n * c3 * (1 - t2 + nn) +
                     l5 / 120 * n * c5 *
                         (5 - 18 * t2 + t4 + 14 * nn - 58 * nn * t2) +
                     l7 / 5040 * n * c7 * (61 - 479 * t2 + 179 * t4 - t6);
    out[0] = x * k0 + x0;
    out[1] = y * k0;
    out[2] = h;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fputs("floor molodensky|utm FILE\n", stderr);
        return 2;
    }
    const bool molodensky = std::strcmp(argv[1], "molodensky") == 0;
    std::FILE *in = std::fopen(argv[2], "rb");
    if (!in)
        return 1;
    std::vector<char> text;
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        text.insert(text.end(), chunk, chunk + n);
    std::fclose(in);

    std::string out;
    out.reserve(text.size() * 2);
    const char *p = text.data(), *end = p + text.size();
    char number[64];
    while (p < end) {
        double v[3] = {0, 0, 0};
        for (double &value : v) {
            while (p < end && *p == ' ')
                ++p;
            p = std::from_chars(p, end, value).ptr;
        }
        while (p < end && *p++ != '\n') {
        }
        double r[3];
        (molodensky ? Molodensky : Utm)(v[1], v[0], v[2], r);
        for (int k = 0; k < 3; ++k) {
            out.append(number, std::to_chars(number, number + sizeof number,
                                             r[k])
                                   .ptr);
            out += k < 2 ? ' ' : '\n';
        }
        if (out.size() > (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
