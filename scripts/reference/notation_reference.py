#!/usr/bin/env python3
"""Prints the reference rows of tests/notation/NumberTextTest.cpp and
tests/notation/CodeTest.cpp that the documented examples do not cover.

Independent of the C++ code: the number texts are computed from the exact
binary value with Python's decimal module (round to 18 significant digits,
half-even, then to 15, half-up), and the angle routines with exact fractions
rounded to a 64-bit significand after every operation (the x86-64 extended
format), then to a double for the output.
Run: python3 scripts/reference/notation_reference.py
"""
from decimal import Decimal, getcontext, ROUND_HALF_EVEN, ROUND_HALF_UP
from fractions import Fraction
import math

getcontext().prec = 2000


# --- number text -----------------------------------------------------------

def round_sig(d, n, mode):
    return d.quantize(Decimal(1).scaleb(d.adjusted() - n + 1), rounding=mode)


def format_real(x):
    if math.isnan(x):
        return "NAN"
    if math.isinf(x):
        return "-INF" if x < 0 else "INF"
    if x == 0:
        return "0"
    sign = "-" if x < 0 else ""
    d = round_sig(round_sig(abs(Decimal(x)), 18, ROUND_HALF_EVEN), 15,
                  ROUND_HALF_UP)
    digits = d.as_tuple().digits
    digits = "".join(map(str, digits)).rstrip("0") or "0"
    exp = d.adjusted()
    if -4 <= exp < 15:
        if exp < 0:
            return sign + "0." + "0" * (-exp - 1) + digits
        whole, frac = digits[:exp + 1], digits[exp + 1:]
        whole += "0" * (exp + 1 - len(whole))
        return sign + whole + ("." + frac if frac else "")
    text = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    return sign + text + "E" + str(exp)


def direct15(x):
    """Single rounding to 15 digits, for contrast only."""
    return str(round_sig(abs(Decimal(x)), 15, ROUND_HALF_EVEN))


# --- extended-precision arithmetic -----------------------------------------

def round_bits(q, bits):
    if q == 0:
        return Fraction(0)
    sign = -1 if q < 0 else 1
    q = abs(q)
    e = q.numerator.bit_length() - q.denominator.bit_length()
    if Fraction(2) ** e > q:
        e -= 1
    scale = Fraction(2) ** (bits - 1 - e)
    m = q * scale
    n = math.floor(m)
    r = m - n
    if r > Fraction(1, 2) or (r == Fraction(1, 2) and n % 2 == 1):
        n += 1
    return sign * Fraction(n) / scale


def ld(q):
    return round_bits(q, 64)


def dbl(q):
    return float(round_bits(q, 53))


def trunc(q):
    return Fraction(math.trunc(q))


PI = Fraction(3.141592653589793)
ONE_OVER_PI = Fraction(0.3183098861837907)
ONE_OVER_180 = Fraction(0.005555555555555556)
ONE_OVER_60 = Fraction(0.016666666666666666)
ONE_OVER_3600 = Fraction(0.0002777777777777778)


def dd_to_dm(dd):
    a = abs(Fraction(dd))
    d = trunc(a)
    m = ld(ld(a - d) * 60)
    return int(math.copysign(int(d), dd)), dbl(m)


def dd_to_dms(dd):
    a = abs(Fraction(dd))
    d = trunc(a)
    m = ld(ld(a - d) * 60)
    mo = trunc(m)
    s = ld(ld(m - mo) * 60)
    return int(math.copysign(int(d), dd)), int(mo), dbl(s)


def dm_to_dd(deg, mins):
    sign = -1 if deg < 0 else 1
    return dbl(ld(ld(abs(deg) + ld(Fraction(mins) * ONE_OVER_60)) * sign))


def dms_to_dd(deg, mins, secs):
    sign = -1 if deg < 0 else 1
    t = ld(abs(deg) + ld(mins * ONE_OVER_60))
    return dbl(ld(ld(t + ld(ONE_OVER_3600 * Fraction(secs))) * sign))


def dms_to_dm(deg, mins, secs):
    return deg, dbl(ld(mins + ld(ONE_OVER_60 * Fraction(secs))))


def dm_to_dms(deg, mins):
    m = Fraction(mins)
    mo = trunc(m)
    return deg, int(mo), dbl(ld(ld(m - mo) * 60))


def deg_to_rad(deg):
    return dbl(ld(ld(Fraction(deg) * PI) * ONE_OVER_180))


def rad_to_deg(rad):
    return dbl(ld(ld(Fraction(rad) * 180) * ONE_OVER_PI))


def main():
    print("# FormatReal: input, 18-then-15 text, direct 15-digit rounding")
    for text in ["5.422675186440995", "19.71173669476795",
                 "446.7602896241645", "0.30000000000000004",
                 "999.9999999999999", "999999999999999.9",
                 "999999999999999.4", "0.00009999999999999999",
                 "0.0000999999999999999", "0.000123456789012345678",
                 "1e-320", "-1.7976931348623157e308", "2.5e-5",
                 "123456789012345.6", "1234567890123456.7"]:
        x = float(text)
        print(f'{text:28} {format_real(x):24} {direct15(x)}')

    print("# DdToDm / DdToDms (magnitudes; above -1 degree the minutes and"
          " seconds take the sign)")
    for dd in [37.5, -37.5, 37.1, 126.9832, -126.9832, 0.0001, -0.5,
               -0.01, -0.999999, 89.99999999, -179.5, 0.016666666666666666,
               -0.016666666666666666, 400.25]:
        d, m = dd_to_dm(dd)
        d2, m2, s2 = dd_to_dms(dd)
        print(f'{dd!r:14} {d} {format_real(m)} | {d2} {m2} {format_real(s2)}')

    print("# DmToDd, DmToDms")
    for deg, mins in [(-37, 30), (37, -30), (10, 75), (0, -30.5),
                      (127, 0.27252475), (-45, 59.999999),
                      (-126, 30.6)]:
        _, mo, s = dm_to_dms(deg, mins)
        print(f'{deg} {mins!r}: {format_real(dm_to_dd(deg, mins))} '
              f'| {mo} {format_real(s)}')

    print("# DmsToDd, DmsToDm")
    for deg, mins, secs in [(-126, 30, 36), (37, 6, 0), (37, 28, 54.629835),
                            (37, 75, 0), (127, 0, 16.351485),
                            (-33, 51, 35.9), (0, 0, -36),
                            # show the rounding of the stored 1/60 and 1/3600
                            (0, 50, 49), (0, 50, 40.148)]:
        _, m = dms_to_dm(deg, mins, secs)
        print(f'{deg} {mins} {secs!r}: '
              f'{format_real(dms_to_dd(deg, mins, secs))} | {format_real(m)}')

    print("# DegreeToRadian, RadianToDegree of it")
    for deg in [37.5, 180, -90, 1, 127.004542079583, 129]:
        r = deg_to_rad(deg)
        print(f'{deg!r}: {format_real(r)} | {format_real(rad_to_deg(r))}')

    print("# RadianToDegree")
    for rad in [2.8, -1.581]:
        print(f'{rad!r}: {format_real(rad_to_deg(rad))}')


if __name__ == "__main__":
    main()
