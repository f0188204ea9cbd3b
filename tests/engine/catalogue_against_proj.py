#!/usr/bin/python3
"""The built-in catalogue against PROJ's published values, row by row.

    catalogue_against_proj.py NOLVEX_CONVERT PROJ_DB CS2CS

The rows are the product's, as `nolvex-convert --list ellipsoids` and
`--list datums` print them from an engine; nothing here copies a row. The
reference values are PROJ's:

- each ellipsoid: PROJ's own list (`cs2cs -le`) and the ellipsoid table of
  proj.db, paired with the rows by name in ELLIPSOIDS; a agrees within
  0.5 mm, 1/f within 1e-8 (the rows give both to the published digits), and
  where PROJ gives b instead of 1/f, the row's b agrees to the last digit PROJ
  gives;
- each datum's shift: EPSG's three-parameter transformations in proj.db
  (Geocentric translations, EPSG methods 9603 in the geog2D domain, 1035
  geog3D and 1031 geocentric), from any CRS on the row's datum to WGS 84 (or
  from WGS 84, reversed). The row agrees when one of them is within 0.5 m in
  each of dx, dy and dz. Deprecated transformations take no part;
- each datum's ellipsoid: the ellipsoid of that datum in proj.db, within
  0.1 m in a and 0.002 in 1/f, the spread of one ellipsoid's published
  definitions (Clarke 1880 by the RGS, for the Arc and by the IGN). That
  tells every two ellipsoids of the catalogue apart (the nearest: Everest
  1956 and Everest(Sabah Sarawak), 2.7 m in a; Australian National and
  Indonesian 1974, 0.003 in 1/f) but GRS 1980 from WGS 84, and South
  American 1969 from Australian National, whose values are the same.

Which datum a row is: the row's name without its code, compared without
case, blanks and punctuation, is the name or an alias (EPSG's, ESRI's or
PROJ's, in proj.db) of an EPSG datum or of an EPSG geographic CRS; or DATUMS
names the row's geographic CRSs and says where the pairing comes from. Where
EPSG has no such datum, DATUMS may name ESRI's entry in proj.db instead.

The documented catalogue wins: a row that differs from its reference stands
on one of the lists below (ELLIPSOID_DIFFERENCES, SHIFT_DIFFERENCES,
DATUM_ELLIPSOID_DIFFERENCES) with the way it differs, and a row without a
reference on UNMATCHED_ELLIPSOIDS or UNMATCHED with the reason. The check
fails on any difference not listed, on a listed row that differs in another
way or no longer differs, and on a row for which neither a reference nor a
reason is found. It prints every row's outcome, then the lists. A row without
a reference is checked here only for being one: the values of "Tokyo(---)"
and WGS 84 are held to their documented values by CatalogueTest.
"""
import re
import sqlite3
import subprocess
import sys

SHIFT_TOLERANCE = 0.5  # metres, in each of dx, dy, dz
A_TOLERANCE = 0.0005  # metres
INVF_TOLERANCE = 1e-8
VARIANT_A = 0.1  # metres: one ellipsoid's published definitions
VARIANT_INVF = 0.002
GEOCENTRIC_TRANSLATIONS = ("9603", "1035", "1031")
WGS84_DATUM = ("EPSG", "6326")

# Catalogue ellipsoid -> (name in PROJ's list, proj.db ellipsoid): the same
# name, or, where the names differ, the pairing said in a comment. None where
# that source has no such ellipsoid.
ELLIPSOIDS = {
    # The user's slot starts with WGS 84's values.
    "User Ellipsoid": ("WGS84", "EPSG:7030"),
    "Airy 1830(AA)": ("airy", "EPSG:7001"),
    # EPSG: Airy Modified 1849.
    "Modified Airy(AM)": ("mod_airy", "EPSG:7002"),
    # PROJ: Australian Natl & S. Amer. 1969; EPSG: Australian National
    # Spheroid.
    "Australian National(AN)": ("aust_SA", "EPSG:7003"),
    "Bessel 1841(BR)": ("bessel", "EPSG:7004"),
    "Clarke 1866(CC)": ("clrk66", "EPSG:7008"),
    # PROJ's clrk80 is "Clarke 1880 mod." (1/f 293.4663, EPSG's Clarke 1880
    # (Arc)); the row is the RGS definition.
    "Clarke 1880(CD)": (None, "EPSG:7012"),
    # EPSG's Everest 1830 variants are named by adjustment, not by year; the
    # PROJ list's names are the rows'.
    "Everest 1830(EA)": ("evrst30", None),
    "Everest 1948(EE)": ("evrst48", None),
    "Fischer 1960": ("fschr60", "ESRI:107002"),
    "Modified Fischer 1960": ("fschr60m", "ESRI:107004"),
    "Fischer 1968": ("fschr68", "ESRI:107003"),
    "Geodetic Reference System 1980(RF)": ("GRS80", "EPSG:7019"),
    "Helmert 1906(HE)": ("helmert", "EPSG:7020"),
    "Hough 1960(HO)": ("hough", "EPSG:7053"),
    "International 1924(IN)": ("intl", "EPSG:7022"),
    "Krassovsky 1940(KA)": ("krass", "EPSG:7024"),
    # PROJ: Australian Natl & S. Amer. 1969.
    "South American 1969(SA)": ("aust_SA", None),
    "WGS 60": ("WGS60", None),
    "WGS 66": ("WGS66", "ESRI:107001"),
    "WGS 72(WD)": ("WGS72", "EPSG:7043"),
    "WGS 84(WE)": ("WGS84", "EPSG:7030"),
    # PROJ: Bessel 1841 (Namibia); EPSG: Bessel Namibia (GLM), whose a is
    # given in German legal metres.
    "Bessel 1841(BN)": ("bess_nam", "EPSG:7046"),
    "Everest 1956(EC)": ("evrst56", None),
    "Everest 1969(ED)": ("evrst69", None),
    # PROJ: Everest (Sabah & Sarawak).
    "Everest(Sabah Sarawak)(EB)": ("evrstSS", None),
    "SGS 85": ("SGS85", None),
    # EPSG: Indonesian National Spheroid, the ellipsoid of ID74.
    "Indonesian 1974(ID)": (None, "EPSG:7021"),
}

# Catalogue ellipsoid -> why neither PROJ's list nor proj.db serves.
UNMATCHED_ELLIPSOIDS = {
    "Everest(Pakistan)(EF)": (
        "no Everest in PROJ's list or in proj.db has the row's a; EPSG's "
        "Everest 1830 definitions (1937, 1962, 1967, 1975, RSO 1969, "
        "Modified) are other ellipsoids"),
}

# (catalogue ellipsoid, reference) -> (quantity, largest difference, why).
ELLIPSOID_DIFFERENCES = {
    ("Modified Airy(AM)", "mod_airy"): (
        "b", 0.0025,
        "PROJ's list defines it by b = 6356034.446 m; the row's 1/f gives a "
        "b 1.9 mm longer. EPSG:7002 defines it by the row's 1/f and agrees."),
}

# Catalogue datum -> (geographic CRSs in proj.db, where the pairing comes
# from), for rows whose name is no name or alias of their datum there.
# The areas are those proj.db gives for the transformations.
DATUMS = {
    "Anna 1 Astro 1965(ANO)": (
        ["EPSG:4708"], "Cocos Islands 1965; ESRI's alias Anna_1_1965"),
    "Antigua Island Astro 1943(AIA)": (["EPSG:4601"], "Antigua 1943"),
    'Astro Beacon "E" 1945(ATF)': (
        ["EPSG:4709"], "Iwo Jima 1945; ESRI's alias Beacon_E_1945"),
    "Astro Tern Island(FRIG) 1961(TRN)": (["EPSG:4707"], "Tern Island 1961"),
    "Astronomical Station 1952(ASQ)": (
        ["EPSG:4711"], "Marcus Island 1952; ESRI's alias Astro_1952"),
    "Australian Geodetic 1966(AUA)": (
        ["EPSG:4202"], "AGD66, Australian Geodetic Datum 1966"),
    "Australian Geodetic 1984(AUG)": (
        ["EPSG:4203"], "AGD84, Australian Geodetic Datum 1984"),
    "Bogota Observatory(BOO)": (
        ["EPSG:4218"], "Bogota 1975, EPSG's alias Bogota"),
    "Campo Inchauspe 1969(CAI)": (["EPSG:4221"], "Campo Inchauspe"),
    "Canton Astro 1966(CAO)": (
        ["EPSG:4716"], "Phoenix Islands 1966; ESRI's alias Canton_1966"),
    "Chatham Island Astro 1971(CHI)": (["EPSG:4672"], "Chatham Islands 1971"),
    "Chua Astro(CHU)": (["EPSG:4224"], "Chua"),
    "Co-Ordinate System 1937 of Estonia(EST)": (
        ["ESRI:104101"], "EPSG has no Estonia 1937; ESRI's GCS_Estonia_1937"),
    "Dabola(DAL)": (["EPSG:4155"], "Dabola 1981"),
    "Djakarta(BATAVIA)(BAT)": (
        ["EPSG:4211"], "Batavia, the name in the row's parentheses"),
    "DOS 1968(GIZ)": (
        ["EPSG:4718"], "Solomon 1968, on Ghizo (Gizo), the row's code"),
    "European 1950(EUR-F)": (["EPSG:4230"], "ED50, European Datum 1950"),
    "European 1950(EUR-H)": (
        ["EPSG:4230", "EPSG:4154"],
        "ED50, and ED50(ED77), its 1977 readjustment in Iran (EUR-H)"),
    "European 1950(EUR-M)": (["EPSG:4230"], "ED50, European Datum 1950"),
    "European 1979(EUS)": (["EPSG:4668"], "ED79, European Datum 1979"),
    "Fort Thomas 1955(FOT)": (
        ["EPSG:4605"],
        "St. Kitts 1955, EPSG's datum of St Kitts and Nevis, the islands of "
        "the published Fort Thomas 1955"),
    "Geodetic Datum 1949(GEO)": (
        ["EPSG:4272"], "NZGD49, New Zealand Geodetic Datum 1949"),
    "Graciosa Base SW 1948(GRA)": (
        ["EPSG:4183"],
        "Azores Central 1948; EPSG's aliases Graciosa, Base SW"),
    "GUX 1 Astro(DOB)": (
        ["EPSG:4718"], "Solomon 1968, on Guadalcanal, where GUX 1 stands"),
    "Hong Kong 1963(HKD)": (
        ["EPSG:4739"],
        "Hong Kong 1963(67): EPSG's Hong Kong 1963 (EPSG:4738) is on Clarke "
        "1858 and has no transformation to WGS 84; its 1967 readjustment is "
        "on International 1924, the row's ellipsoid"),
    "Indian(IND-B)": (
        ["EPSG:4144"], "Kalianpur 1937, the Indian datum in Bangladesh"),
    "Indian(IND-I)": (
        ["EPSG:4146"], "Kalianpur 1975, the Indian datum in India and Nepal"),
    "Indonesian 1974(IDN)": (["EPSG:4238"], "ID74, Indonesian Datum 1974"),
    "Ireland 1965(IRL)": (
        ["EPSG:4299", "EPSG:4300"],
        "TM65 (PROJ's alias ire65) and TM75, Geodetic Datum of 1965"),
    "ISTS 061 Astro 1968(ISG)": (
        ["EPSG:4722"], "South Georgia 1968; ESRI's alias ISTS_061_1968"),
    "ISTS 073 Astro 1969(IST)": (
        ["EPSG:4724"], "Diego Garcia 1969; ESRI's alias ISTS_073_1969"),
    "Kertau 1948(KEA)": (["EPSG:4245"], "Kertau 1968; ESRI's alias Kertau"),
    "Kusaie Astro 1951(KUS)": (["EPSG:4735"], "Kusaie 1951"),
    "L.C. 5 Astro 1961(LCF)": (
        ["EPSG:4726"], "SIGD61; EPSG's alias Little Cayman 1961"),
    "Liberia(LIB)": (["EPSG:4251"], "Liberia 1964"),
    "Luzon(LUZ-A)": (["EPSG:4253"], "Luzon 1911"),
    "Luzon(LUZ-B)": (["EPSG:4253"], "Luzon 1911"),
    "Midway Astro 1961(MID)": (["EPSG:4727"], "Midway 1961"),
    "Montserrat Island Astro 1958(ASM)": (["EPSG:4604"], "Montserrat 1958"),
    "Nahrwan(NAH-A)": (["EPSG:4270"], "Nahrwan 1967"),
    "Nahrwan(NAH-B)": (["EPSG:4270"], "Nahrwan 1967"),
    "Nahrwan(NAH-C)": (["EPSG:4270"], "Nahrwan 1967"),
    "Naparima, BWI(NAP)": (
        ["EPSG:4271", "EPSG:4158"], "Naparima 1972 and Naparima 1955"),
    **{f"North American 1927(NAS-{region})": (
        ["EPSG:4267"], "NAD27, North American Datum 1927")
       for region in "CDELNOPQRTU"},
    "North American 1983(NAR-C)": (
        ["EPSG:4269"], "NAD83, North American Datum 1983"),
    "North Sahara 1959(NSD)": (["EPSG:4307"], "Nord Sahara 1959"),
    "Old Egyptian 1907(OEG)": (
        ["EPSG:4229"], "Egypt 1907, EPSG's alias Old Egyptian"),
    "Oman(FAH)": (["EPSG:4232"], "Fahud, the row's code"),
    "Pitcairn Astro 1967(PIT)": (["EPSG:4729"], "Pitcairn 1967"),
    "Pointe Noire 1948(PTN)": (
        ["EPSG:4282"], "Pointe Noire, Congo 1960 Pointe Noire"),
    "Provisional South American 1956(PRP-M)": (
        ["EPSG:4248"], "PSAD56, Provisional South American Datum 1956"),
    "Qornoq(QUO)": (
        ["EPSG:4287", "EPSG:4194"],
        "Qornoq, and Qornoq 1927, to which EPSG moved its transformation"),
    "Provisional South Chilean 1963(HIT)": (
        ["EPSG:4254"], "Hito XVIII 1963, the row's code"),
    "Qatar National(QAT)": (["EPSG:4285"], "Qatar 1974"),
    "Reunion(REU)": (["EPSG:4626"], "Reunion 1947"),
    "S-42(Pulkovo 1942)(SPK-A)": (
        ["EPSG:4284", "EPSG:4179", "EPSG:4178"],
        "Pulkovo 1942, the name in the row's parentheses, and its 1958 and "
        "1983 adjustments, to which EPSG moved the values of Eastern Europe"),
    "S-42(Pulkovo 1942)(SPK-B)": (
        ["EPSG:4284", "EPSG:4179"],
        "Pulkovo 1942, the name in the row's parentheses, and its 1958 "
        "adjustment, to which EPSG moved the values of Eastern Europe"),
    "Sao Braz(SAO)": (
        ["EPSG:4184"], "Azores Oriental 1940, EPSG's alias Sao Bras"),
    "Sierra Leone(SRL)": (["EPSG:4175"], "Sierra Leone 1968"),
    "South American 1969(SAN)": (
        ["EPSG:4618"], "SAD69, South American Datum 1969"),
    "South Asia(SOA)": (
        ["ESRI:37207"],
        "EPSG has no South Asia datum; ESRI's GCS_South_Asia_Singapore"),
    "Tristan Astro 1968(TDC)": (["EPSG:4734"], "Tristan 1968"),
    "Voirol 1960(VOR)": (
        ["ESRI:4305"],
        "EPSG has Voirol 1875 and 1879 but no Voirol 1960; ESRI's Voirol "
        "Unifie 1960 (grads)"),
    "Wake Island Astro 1952(WAK)": (["EPSG:4733"], "Wake Island 1952"),
}

# Catalogue datum -> (transformation, {component: how it differs}, why). The
# transformation may be of any Helmert method (only its translations count);
# "opposite sign": the row's value is the transformation's negated, and every
# other component agrees.
SHIFT_DIFFERENCES = {
    "Gan 1970(GAA)": (
        "EPSG:15713", {"dy": "opposite sign"},
        "EPSG's Gan 1970 to WGS 84 (1) has ty = -321 m; the row has +321"),
    "S-42(Pulkovo 1942)(SPK-A)": (
        "EPSG:15996", {"dz": "opposite sign"},
        "EPSG's Pulkovo 1942(83) to WGS 84 (3) has tz = -77 m (so have "
        "Pulkovo 1942(58) to WGS 84 (9) and the deprecated Pulkovo 1942 to "
        "WGS 84 (3) for Hungary); the row has +77"),
    "S-42(Pulkovo 1942)(SPK-B)": (
        "EPSG:15997", {"dz": "opposite sign"},
        "EPSG's Pulkovo 1942(58) to WGS 84 (4), Poland, has tz = -82 m (so "
        "has the deprecated Pulkovo 1942 to WGS 84 (4)); the row has +82"),
    "World Geodetic System 1972": (
        "EPSG:1237", {"dz": "opposite sign"},
        "EPSG gives WGS 72 to WGS 84 only with seven parameters (WGS 72 to "
        "WGS 84 (1) and (2), Position Vector: tz = +4.5 m, rz = 0.554\", "
        "scale 0.2263 or 0.219 ppm), no three-parameter shift; the row's "
        "dz is -4.5 m"),
}

# Catalogue datum -> why no transformation in proj.db serves as its
# reference. The transformations compared are printed with the row.
UNMATCHED = {
    "User Datum": "the user's slot, no published datum",
    "Tokyo(---)": (
        "none of EPSG's six Tokyo to WGS 84 geocentric translations, (1) to "
        "(5) and (108), is within 0.5 m; the nearest, (1) and (2), differ "
        "by 42, 45 and 42 m (the row's constants are held to their "
        "documented values by CatalogueTest)"),
    "World Geodetic System 1984": "WGS 84 itself, the target of every shift",
}

# Catalogue datum -> (the ellipsoid the row is on instead, as in
# ELLIPSOIDS, why): rows on another ellipsoid than their datum in proj.db.
DATUM_ELLIPSOID_DIFFERENCES = {
    "Indian(IND-I)": (
        "evrst56",
        "the row is on Everest 1956; EPSG's Kalianpur 1975 is on Everest "
        "1830 (1975 Definition), 2.1 m shorter in a"),
    "Deception Island(DID)": (
        "bessel",
        "the row is on Bessel 1841; EPSG's Deception Island is on Clarke "
        "1880 (RGS)"),
    "Porto Santo 1936(POS)": (
        "EPSG:7012",
        "the row is on Clarke 1880 (RGS); EPSG's Porto Santo 1936 is on "
        "International 1924"),
}


def listing(convert, what):
    """The rows of `nolvex-convert --list WHAT` as dictionaries by heading,
    each with its whole catalogue text."""
    out = subprocess.run([convert, "--list", what], capture_output=True,
                         text=True, check=True).stdout
    lines = out.splitlines()
    heading = lines[0].split("\t")
    rows = []
    for line in lines[1:]:
        row = dict(zip(heading, line.split("\t")))
        row["text"] = (row["name"] + "(" + row["code"] + ")" if row["code"]
                       else row["name"])
        rows.append(row)
    return rows


def proj_list(cs2cs):
    """PROJ's ellipsoid list: name -> {"a": text, "rf" or "b": text}."""
    out = subprocess.run([cs2cs, "-le"], capture_output=True, text=True,
                         check=True).stdout
    ellipsoids = {}
    for line in out.splitlines():
        m = re.match(r"\s*(\S+)\s+a=(\S+)\s+(rf|b)=(\S+)", line)
        if m:
            ellipsoids[m.group(1)] = {"a": m.group(2), m.group(3): m.group(4)}
    return ellipsoids


def half_unit(text):
    """Half a unit in the last digit of a decimal text: the rounding of a
    published value."""
    decimals = len(text.split(".")[1]) if "." in text else 0
    return 0.5 * 10.0 ** -decimals


def key(name):
    """A name compared without case, blanks, punctuation or ESRI's D_ and
    GCS_ prefixes."""
    name = name.lower()
    for prefix in ("d_", "gcs_"):
        if name.startswith(prefix):
            name = name[len(prefix):]
    return re.sub(r"[^a-z0-9]", "", name)


def split_code(text):
    """The catalogue's name without its code: the text before the last "("
    when the text ends with ")"."""
    if text.endswith(")") and "(" in text[:-1]:
        return text[:text.rindex("(", 0, len(text) - 1)]
    return text


class Check:
    def __init__(self):
        self.failures = []
        self.lines = []

    def say(self, line):
        self.lines.append(line)

    def fail(self, line):
        self.failures.append(line)
        self.lines.append("FAIL " + line)


class Reference:
    """An ellipsoid as PROJ publishes it: "name" from PROJ's list or
    "AUTH:code" from proj.db; a in metres, and 1/f or b (metres) with b's
    text."""

    def __init__(self, source, plist, db):
        self.label = source
        self.a = self.invf = self.b = self.btext = None
        if ":" not in source:
            entry = plist.get(source)
            if entry is None:
                return
            self.label = f"PROJ {source}"
            self.a = float(entry["a"])
            self.invf = float(entry["rf"]) if "rf" in entry else None
            self.btext = entry.get("b")
            self.b = None if self.btext is None else float(self.btext)
            return
        auth, code = source.split(":")
        row = db.execute(
            "SELECT e.semi_major_axis * u.conv_factor, e.inv_flattening, "
            "e.semi_minor_axis * u.conv_factor, e.semi_minor_axis "
            "FROM ellipsoid e JOIN unit_of_measure u "
            "ON u.auth_name = e.uom_auth_name AND u.code = e.uom_code "
            "WHERE e.auth_name = ? AND e.code = ?", (auth, code)).fetchone()
        if row is not None:
            self.a, self.invf, self.b = row[0], row[1] or None, row[2]
            self.btext = None if row[3] is None else repr(row[3])

    def differences(self, a, invf):
        """What of a row's a and 1/f differs from this ellipsoid, and by how
        much; the row's b where the reference gives b instead of 1/f."""
        found = {}
        if abs(a - self.a) > A_TOLERANCE:
            found["a"] = abs(a - self.a)
        if self.invf:
            if abs(invf - self.invf) > INVF_TOLERANCE:
                found["1/f"] = abs(invf - self.invf)
        else:
            b = a * (1 - 1 / invf)
            if abs(b - self.b) > half_unit(self.btext):
                found["b"] = abs(b - self.b)
        return found

    def __str__(self):
        return f"{self.label} a {self.a} " + (
            f"1/f {self.invf}" if self.invf else f"b {self.b}")


def check_ellipsoids(check, rows, plist, db):
    check.say("== ellipsoids: a and 1/f against PROJ's list and proj.db")
    seen = set()
    for row in rows:
        text = row["text"]
        a, invf = float(row["a"]), float(row["invf"])
        b = a * (1 - 1 / invf)
        if text in UNMATCHED_ELLIPSOIDS:
            seen.add(text)
            same = [n for n, e in plist.items()
                    if abs(float(e["a"]) - a) <= A_TOLERANCE]
            if same:
                check.fail(f"ellipsoid {row['index']} {text} is listed as "
                           f"unmatched, but PROJ's {same[0]} has its a")
            else:
                check.say(f"unmatched ellipsoid {row['index']} {text}: a {a} "
                          f"1/f {invf}; {UNMATCHED_ELLIPSOIDS[text]}")
            continue
        if text not in ELLIPSOIDS:
            check.fail(f"ellipsoid {row['index']} {text}: no pairing with "
                       "PROJ's ellipsoids (add it to ELLIPSOIDS)")
            continue
        seen.add(text)
        for source in ELLIPSOIDS[text]:
            if source is None:
                continue
            ref = Reference(source, plist, db)
            if ref.a is None:
                check.fail(f"ellipsoid {text}: PROJ has no {source}")
                continue
            diffs = ref.differences(a, invf)
            label = ref.label
            shown = f"row a {a} 1/f {invf} (b {b:.4f}); {ref}"
            listed = ELLIPSOID_DIFFERENCES.get((text, source))
            if not diffs:
                if listed:
                    check.fail(f"ellipsoid {text}: listed as differing from "
                               f"{label} but agrees: {shown}")
                else:
                    check.say(f"agrees   ellipsoid {row['index']} {text} "
                              f"with {label}")
            elif listed and set(diffs) == {listed[0]} and \
                    diffs[listed[0]] <= listed[1]:
                check.say(f"differs  ellipsoid {row['index']} {text} from "
                          f"{label} (listed): {shown}")
            else:
                check.fail(f"ellipsoid {row['index']} {text} differs from "
                           f"{label} in {', '.join(diffs)}: {shown}")
    for text in (set(ELLIPSOIDS) | set(UNMATCHED_ELLIPSOIDS)) - seen:
        check.fail(f"ELLIPSOIDS or UNMATCHED_ELLIPSOIDS name {text}, which "
                   "the catalogue lacks")


class Epsg:
    """The datums and transformations of proj.db."""

    def __init__(self, db):
        self.db = db
        self.names = {}  # key -> {(auth, datum code)}
        for auth, code, name in db.execute(
                "SELECT auth_name, code, name FROM geodetic_datum "
                "WHERE auth_name = 'EPSG'"):
            self.names.setdefault(key(name), set()).add((auth, code))
        for code, name in db.execute(
                "SELECT code, alt_name FROM alias_name "
                "WHERE table_name = 'geodetic_datum' AND auth_name = 'EPSG'"):
            self.names.setdefault(key(name), set()).add(("EPSG", code))
        for auth, code, name in db.execute(
                "SELECT c.datum_auth_name, c.datum_code, c.name "
                "FROM geodetic_crs c WHERE c.auth_name = 'EPSG' "
                "UNION SELECT c.datum_auth_name, c.datum_code, a.alt_name "
                "FROM alias_name a JOIN geodetic_crs c "
                "ON c.auth_name = a.auth_name AND c.code = a.code "
                "WHERE a.table_name = 'geodetic_crs' "
                "AND a.auth_name = 'EPSG'"):
            self.names.setdefault(key(name), set()).add((auth, code))

    def datums_named(self, name):
        return self.names.get(key(name), set())

    def datum_of_crs(self, ref):
        auth, code = ref.split(":")
        row = self.db.execute(
            "SELECT datum_auth_name, datum_code FROM geodetic_crs "
            "WHERE auth_name = ? AND code = ?", (auth, code)).fetchone()
        return None if row is None else (row[0], row[1])

    def datum_name(self, datum):
        row = self.db.execute(
            "SELECT name FROM geodetic_datum WHERE auth_name = ? AND code = ?",
            datum).fetchone()
        return row[0] if row else "?"

    def ellipsoid(self, datum):
        """(name, a in metres, 1/f) of a datum's ellipsoid."""
        name, a, invf, b = self.db.execute(
            "SELECT e.name, e.semi_major_axis * u.conv_factor, "
            "e.inv_flattening, e.semi_minor_axis * u.conv_factor "
            "FROM geodetic_datum d JOIN ellipsoid e "
            "ON e.auth_name = d.ellipsoid_auth_name "
            "AND e.code = d.ellipsoid_code JOIN unit_of_measure u "
            "ON u.auth_name = e.uom_auth_name AND u.code = e.uom_code "
            "WHERE d.auth_name = ? AND d.code = ?", datum).fetchone()
        return name, a, invf if invf else a / (a - b)

    def shifts(self, datum, methods=GEOCENTRIC_TRANSLATIONS):
        """The datum's transformations to WGS 84 by @p methods (EPSG method
        codes; None: any of the Helmert family), of the datum's own
        authority, as ("AUTH:code", name, (tx, ty, tz), area); one from
        WGS 84 reversed. Only the translations are given, whatever else a
        method has."""
        method = "" if methods is None else (
            "AND h.method_auth_name = 'EPSG' AND h.method_code IN "
            f"({','.join('?' * len(methods))}) ")
        found = []
        for direction, near, far in ((1, "source", "target"),
                                     (-1, "target", "source")):
            for auth, code, name, tx, ty, tz in self.db.execute(
                    "SELECT h.auth_name, h.code, h.name, h.tx, h.ty, h.tz "
                    "FROM helmert_transformation_table h "
                    "JOIN geodetic_crs s "
                    f"ON s.auth_name = h.{near}_crs_auth_name "
                    f"AND s.code = h.{near}_crs_code "
                    "JOIN geodetic_crs t "
                    f"ON t.auth_name = h.{far}_crs_auth_name "
                    f"AND t.code = h.{far}_crs_code "
                    "WHERE h.auth_name = ? " + method +
                    "AND h.deprecated = 0 AND h.translation_uom_code = '9001' "
                    "AND s.datum_auth_name = ? AND s.datum_code = ? "
                    "AND t.datum_auth_name = ? AND t.datum_code = ?",
                    (datum[0], *(methods or ()), *datum, *WGS84_DATUM)):
                area = self.db.execute(
                    "SELECT group_concat(e.name, '; ') FROM usage u "
                    "JOIN extent e ON e.auth_name = u.extent_auth_name "
                    "AND e.code = u.extent_code WHERE u.object_table_name = "
                    "'helmert_transformation' AND u.object_auth_name = ? "
                    "AND u.object_code = ?", (auth, code)).fetchone()[0]
                shift = tuple(direction * v for v in (tx, ty, tz))
                found.append((f"{auth}:{code}", name, shift, area or ""))
        return found


COMPONENTS = ("dx", "dy", "dz")


def check_datums(check, rows, ellipsoids, epsg, plist):
    check.say("== datums: dx, dy, dz against EPSG's geocentric translations "
              "to WGS 84, and each datum's ellipsoid")
    by_text = {row["text"]: row for row in ellipsoids}
    seen = set()
    same_ellipsoid = 0
    for row in rows:
        text = row["text"]
        index = row["index"]
        shift = tuple(float(row[c]) for c in COMPONENTS)
        if text in DATUMS:
            seen.add(text)
            crss, why = DATUMS[text]
            datums = set()
            for crs in crss:
                datum = epsg.datum_of_crs(crs)
                if datum is None:
                    check.fail(f"datum {text}: proj.db has no {crs}")
                else:
                    datums.add(datum)
            how = f"paired: {why}"
        else:
            datums = epsg.datums_named(split_code(text))
            how = "same name"
        candidates = [t for d in sorted(datums) for t in epsg.shifts(d)]
        compared = "; ".join(f"{c} {n} {s}" for c, n, s, _ in candidates)
        agreeing = [t for t in candidates
                    if all(abs(v - r) <= SHIFT_TOLERANCE
                           for v, r in zip(shift, t[2]))]
        names = ", ".join(f"{a}:{c} {epsg.datum_name((a, c))}"
                          for a, c in sorted(datums))
        shown = f"row {shift}"
        if text in UNMATCHED:
            if agreeing:
                check.fail(f"datum {index} {text} is listed as unmatched but "
                           f"agrees with {agreeing[0][0]} {agreeing[0][1]}")
            else:
                check.say(f"unmatched datum {index} {text}: {shown}; "
                          f"{UNMATCHED[text]}; compared: {compared or 'none'}")
        elif text in SHIFT_DIFFERENCES:
            ref, differs, why = SHIFT_DIFFERENCES[text]
            found = [t for d in sorted(datums)
                     for t in epsg.shifts(d, None) if t[0] == ref]
            if not found:
                check.fail(f"datum {index} {text}: {ref} is no "
                           "transformation of its datum to WGS 84")
            else:
                _, name, values, area = found[0]
                wrong = []
                for c, v, r in zip(COMPONENTS, shift, values):
                    if c in differs:
                        ok = abs(v + r) <= SHIFT_TOLERANCE < abs(v - r)
                    else:
                        ok = abs(v - r) <= SHIFT_TOLERANCE
                    if not ok:
                        wrong.append(c)
                if agreeing:
                    check.fail(f"datum {index} {text} is listed as differing "
                               f"but agrees with {agreeing[0][0]}")
                elif wrong:
                    check.fail(f"datum {index} {text} differs from {ref} "
                               f"{name} {values} otherwise than listed, in "
                               f"{', '.join(wrong)}: {shown}")
                else:
                    check.say(f"differs  datum {index} {text} (listed): "
                              f"{shown}; {ref} {name} ({area}) {values}; "
                              f"{why}")
        elif not datums:
            check.fail(f"datum {index} {text}: no datum in proj.db of that "
                       "name (pair it in DATUMS or list it in UNMATCHED)")
        elif not agreeing:
            check.fail(f"datum {index} {text} {shown} agrees with none of "
                       f"the transformations of {names}: "
                       f"{compared or 'none'}")
        else:
            code, name, values, area = agreeing[0]
            source = "" if code.startswith("EPSG:") else " (no EPSG datum)"
            check.say(f"agrees   datum {index} {text} with {code} {name} "
                      f"({area}) {values}{source}; {how}")

        # The datum's ellipsoid: that of the datum in proj.db, up to the
        # published variants of one ellipsoid.
        if not datums:
            continue
        ellipsoid = by_text.get(row["ellipsoid"])
        a, invf = float(row["a"]), float(row["invf"])
        theirs = [epsg.ellipsoid(d) for d in sorted(datums)]
        same = any(abs(a - ea) <= VARIANT_A and
                   abs(invf - einvf) <= VARIANT_INVF
                   for _, ea, einvf in theirs)
        listed = DATUM_ELLIPSOID_DIFFERENCES.get(text)
        shown = "; ".join(f"{n} a {ea} 1/f {einvf:.10g}"
                          for n, ea, einvf in theirs)
        if ellipsoid is None:
            check.fail(f"datum {index} {text}: its ellipsoid "
                       f"{row['ellipsoid']} is not in the ellipsoid listing")
        elif same and listed:
            check.fail(f"datum {index} {text}: listed as on another "
                       f"ellipsoid than its datum, but agrees ({shown})")
        elif not same and not listed:
            check.fail(f"datum {index} {text} is on {row['ellipsoid']} "
                       f"(a {a} 1/f {invf}), its datum in proj.db on {shown}")
        elif listed:
            instead = Reference(listed[0], plist, epsg.db)
            if instead.a is None or instead.differences(a, invf):
                check.fail(f"datum {index} {text} is on {row['ellipsoid']} "
                           f"(a {a} 1/f {invf}), not on {instead} as listed")
            else:
                check.say(f"differs  datum {index} {text} ellipsoid "
                          f"(listed): {listed[1]}")
        else:
            same_ellipsoid += 1
    check.say(f"{same_ellipsoid} datums are on the ellipsoid of their datum "
              "in proj.db")
    for table, label in ((DATUMS, "DATUMS"), (SHIFT_DIFFERENCES,
                                               "SHIFT_DIFFERENCES"),
                         (UNMATCHED, "UNMATCHED"),
                         (DATUM_ELLIPSOID_DIFFERENCES,
                          "DATUM_ELLIPSOID_DIFFERENCES")):
        for text in set(table) - {row["text"] for row in rows}:
            check.fail(f"{label} names {text}, which the catalogue lacks")


def main():
    convert, proj_db, cs2cs = sys.argv[1:4]
    ellipsoids = listing(convert, "ellipsoids")
    datums = listing(convert, "datums")
    db = sqlite3.connect(f"file:{proj_db}?mode=ro", uri=True)
    check = Check()
    if len(ellipsoids) != 29 or len(datums) != 134:
        check.fail(f"the listings hold {len(ellipsoids)} ellipsoids and "
                   f"{len(datums)} datums, not 29 and 134")
    plist = proj_list(cs2cs)
    check_ellipsoids(check, ellipsoids, plist, db)
    check_datums(check, datums, ellipsoids, Epsg(db), plist)
    print("\n".join(check.lines))
    print("== listed: the documented rows that differ from PROJ's")
    for (text, source), (what, _, why) in ELLIPSOID_DIFFERENCES.items():
        print(f"ellipsoid {text} against {source}, {what}: {why}")
    for text, (ref, differs, why) in SHIFT_DIFFERENCES.items():
        print(f"datum {text} against {ref}, "
              f"{', '.join(f'{c} {h}' for c, h in differs.items())}: {why}")
    for text, (_, why) in DATUM_ELLIPSOID_DIFFERENCES.items():
        print(f"datum {text}, its ellipsoid: {why}")
    print("== listed: rows with no reference")
    for text, why in UNMATCHED_ELLIPSOIDS.items():
        print(f"ellipsoid {text}: {why}")
    for text, why in UNMATCHED.items():
        print(f"datum {text}: {why}")
    if check.failures:
        print(f"failed: {len(check.failures)} faults")
        return 1
    print("ok: every row agrees with PROJ or stands listed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
