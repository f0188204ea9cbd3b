// The built-in catalogue: 29 reference ellipsoids and 134 datums with their
// shift constants to WGS 84. Row indexes are interface: the windows list the
// rows in this order and datum 133 is WGS 84 itself.
#include "Catalogue.h"
#include "Coord.h"

#include <cstring>
#include <iterator>

namespace {

// clang-format off
constexpr EllipsoidRow kEllipsoidRows[] = {
    /* id */ /* name                              a (m)         1/f */
    /*  0 */ {"User Ellipsoid",                     6378137,      298.257223563},
    /*  1 */ {"Airy 1830(AA)",                      6377563.396,  299.3249646},
    /*  2 */ {"Modified Airy(AM)",                  6377340.189,  299.3249646},
    /*  3 */ {"Australian National(AN)",            6378160,      298.25},
    /*  4 */ {"Bessel 1841(BR)",                    6377397.155,  299.1528128},
    /*  5 */ {"Clarke 1866(CC)",                    6378206.4,    294.9786982},
    /*  6 */ {"Clarke 1880(CD)",                    6378249.145,  293.465},
    /*  7 */ {"Everest 1830(EA)",                   6377276.345,  300.8017},
    /*  8 */ {"Everest 1948(EE)",                   6377304.063,  300.8017},
    /*  9 */ {"Fischer 1960",                       6378166,      298.3},
    /* 10 */ {"Modified Fischer 1960",              6378155,      298.3},
    /* 11 */ {"Fischer 1968",                       6378150,      298.3},
    /* 12 */ {"Geodetic Reference System 1980(RF)", 6378137,      298.257222101},
    /* 13 */ {"Helmert 1906(HE)",                   6378200,      298.3},
    /* 14 */ {"Hough 1960(HO)",                     6378270,      297},
    /* 15 */ {"International 1924(IN)",             6378388,      297},
    /* 16 */ {"Krassovsky 1940(KA)",                6378245,      298.3},
    /* 17 */ {"South American 1969(SA)",            6378160,      298.25},
    /* 18 */ {"WGS 60",                             6378165,      298.3},
    /* 19 */ {"WGS 66",                             6378145,      298.25},
    /* 20 */ {"WGS 72(WD)",                         6378135,      298.26},
    /* 21 */ {"WGS 84(WE)",                         6378137,      298.257223563},
    /* 22 */ {"Bessel 1841(BN)",                    6377483.865,  299.1528128},
    /* 23 */ {"Everest 1956(EC)",                   6377301.243,  300.8017},
    /* 24 */ {"Everest 1969(ED)",                   6377295.664,  300.8017},
    /* 25 */ {"Everest(Sabah Sarawak)(EB)",         6377298.556,  300.8017},
    /* 26 */ {"SGS 85",                             6378136,      298.257},
    /* 27 */ {"Everest(Pakistan)(EF)",              6377309.613,  300.8017},
    /* 28 */ {"Indonesian 1974(ID)",                6378160,      298.247},
};

// Row 33 (Djakarta, Batavia) is published on the Bessel 1841 ellipsoid with the
// shift -377, 681, -50.
constexpr DatumRow kDatumRows[] = {
    /* id  */ /* name                                       ell  dx        dy       dz */
    /*   0 */ {"User Datum",                                   0,  0,        0,       0},
    /*   1 */ {"Adindan(ADI-M)",                               6,  -166,     -15,     204},
    /*   2 */ {"Afgooye(AFG)",                                 16, -43,      -163,    45},
    /*   3 */ {"Ain el Abd 1970(AIN-A)",                       15, -150,     -250,    -1},
    /*   4 */ {"Ain el Abd 1970(AIN-B)",                       15, -143,     -236,    7},
    /*   5 */ {"American Samoa 1962(AMA)",                     5,  -115,     118,     426},
    /*   6 */ {"Anna 1 Astro 1965(ANO)",                       3,  -491,     -22,     435},
    /*   7 */ {"Antigua Island Astro 1943(AIA)",               6,  -270,     13,      62},
    /*   8 */ {"Arc 1950(ARF-M)",                              6,  -143,     -90,     -294},
    /*   9 */ {"Arc 1960(ARS-M)",                              6,  -160,     -6,      -302},
    /*  10 */ {"Ascension Island 1958(ASC)",                   15, -205,     107,     53},
    /*  11 */ {"Astro Beacon \"E\" 1945(ATF)",                 15, 145,      75,      -272},
    /*  12 */ {"Astro DOS 71/4(SHB)",                          15, -320,     550,     -494},
    /*  13 */ {"Astro Tern Island(FRIG) 1961(TRN)",            15, 114,      -116,    -333},
    /*  14 */ {"Astronomical Station 1952(ASQ)",               15, 124,      -234,    -25},
    /*  15 */ {"Australian Geodetic 1966(AUA)",                3,  -133,     -48,     148},
    /*  16 */ {"Australian Geodetic 1984(AUG)",                3,  -134,     -48,     149},
    /*  17 */ {"Ayabelle Lighthouse(PHA)",                     6,  -79,      -129,    145},
    /*  18 */ {"Bellevue(IGN)(IBE)",                           15, -127,     -769,    472},
    /*  19 */ {"Bermuda 1957(BER)",                            5,  -73,      213,     296},
    /*  20 */ {"Bissau(BID)",                                  15, -173,     253,     27},
    /*  21 */ {"Bogota Observatory(BOO)",                      15, 307,      304,     -318},
    /*  22 */ {"Campo Inchauspe 1969(CAI)",                    15, -148,     136,     90},
    /*  23 */ {"Canton Astro 1966(CAO)",                       15, 298,      -304,    -375},
    /*  24 */ {"Cape(CAP)",                                    6,  -136,     -108,    -292},
    /*  25 */ {"Cape Canaveral(CAC)",                          5,  -2,       151,     181},
    /*  26 */ {"Carthage(CGE)",                                6,  -263,     6,       431},
    /*  27 */ {"Chatham Island Astro 1971(CHI)",               15, 175,      -38,     113},
    /*  28 */ {"Chua Astro(CHU)",                              15, -134,     229,     -29},
    /*  29 */ {"Co-Ordinate System 1937 of Estonia(EST)",      4,  374,      150,     588},
    /*  30 */ {"Corrego Alegre(COA)",                          15, -206,     172,     -6},
    /*  31 */ {"Dabola(DAL)",                                  6,  -83,      37,      124},
    /*  32 */ {"Deception Island(DID)",                        4,  260,      12,      -147},
    /*  33 */ {"Djakarta(BATAVIA)(BAT)",                       4,  -377,     681,     -50},
    /*  34 */ {"DOS 1968(GIZ)",                                15, 230,      -199,    -752},
    /*  35 */ {"Easter Island 1967(EAS)",                      15, 211,      147,     111},
    /*  36 */ {"European 1950(EUR-F)",                         15, -130,     -117,    -151},
    /*  37 */ {"European 1950(EUR-H)",                         15, -117,     -132,    -164},
    /*  38 */ {"European 1950(EUR-M)",                         15, -87,      -98,     -121},
    /*  39 */ {"European 1979(EUS)",                           15, -86,      -98,     -119},
    /*  40 */ {"Fort Thomas 1955(FOT)",                        6,  -7,       215,     225},
    /*  41 */ {"Gan 1970(GAA)",                                15, -133,     321,     50},
    /*  42 */ {"Geodetic Datum 1949(GEO)",                     15, 84,       -22,     209},
    /*  43 */ {"Graciosa Base SW 1948(GRA)",                   15, -104,     167,     -38},
    /*  44 */ {"Guam 1963(GUA)",                               5,  -100,     -248,    259},
    /*  45 */ {"GUX 1 Astro(DOB)",                             15, 252,      -209,    -751},
    /*  46 */ {"Hjorsey 1955(HJO)",                            15, -73,      46,      -86},
    /*  47 */ {"Hong Kong 1963(HKD)",                          15, -156,     -271,    -189},
    /*  48 */ {"Hu-Tzu-Shan(HTN)",                             15, -637,     -549,    -203},
    /*  49 */ {"Indian(IND-B)",                                7,  282,      726,     254},
    /*  50 */ {"Indian(IND-I)",                                23, 295,      736,     257},
    /*  51 */ {"Indian 1954(INF-A)",                           7,  217,      823,     299},
    /*  52 */ {"Indian 1960(ING-A)",                           7,  198,      881,     317},
    /*  53 */ {"Indian 1960(ING-B)",                           7,  182,      915,     344},
    /*  54 */ {"Indian 1975(INH-A)",                           7,  210,      814,     289},
    /*  55 */ {"Indonesian 1974(IDN)",                         28, -24,      -15,     5},
    /*  56 */ {"Ireland 1965(IRL)",                            2,  506,      -122,    611},
    /*  57 */ {"ISTS 061 Astro 1968(ISG)",                     15, -794,     119,     -298},
    /*  58 */ {"ISTS 073 Astro 1969(IST)",                     15, 208,      -435,    -229},
    /*  59 */ {"Johnston Island 1961(JOH)",                    15, 189,      -79,     -202},
    /*  60 */ {"Kandawala(KAN)",                               7,  -97,      787,     86},
    /*  61 */ {"Kerguelen Island 1949(KEG)",                   15, 145,      -187,    103},
    /*  62 */ {"Kertau 1948(KEA)",                             8,  -11,      851,     5},
    /*  63 */ {"Kusaie Astro 1951(KUS)",                       15, 647,      1777,    -1124},
    /*  64 */ {"L.C. 5 Astro 1961(LCF)",                       5,  42,       124,     147},
    /*  65 */ {"Leigon(LEH)",                                  6,  -130,     29,      364},
    /*  66 */ {"Liberia(LIB)",                                 6,  -90,      40,      88},
    /*  67 */ {"Luzon(LUZ-A)",                                 5,  -133,     -77,     -51},
    /*  68 */ {"Luzon(LUZ-B)",                                 5,  -133,     -79,     -72},
    /*  69 */ {"Mahe 1971(MIK)",                               6,  41,       -220,    -134},
    /*  70 */ {"Massawa(MAS)",                                 4,  639,      405,     60},
    /*  71 */ {"Merchich(MER)",                                6,  31,       146,     47},
    /*  72 */ {"Midway Astro 1961(MID)",                       15, 912,      -58,     1227},
    /*  73 */ {"Minna(MIN-A)",                                 6,  -81,      -84,     115},
    /*  74 */ {"Minna(MIN-B)",                                 6,  -92,      -93,     122},
    /*  75 */ {"Montserrat Island Astro 1958(ASM)",            6,  174,      359,     365},
    /*  76 */ {"M'Poraloko(MPO)",                              6,  -74,      -130,    42},
    /*  77 */ {"Nahrwan(NAH-A)",                               6,  -247,     -148,    369},
    /*  78 */ {"Nahrwan(NAH-B)",                               6,  -249,     -156,    381},
    /*  79 */ {"Nahrwan(NAH-C)",                               6,  -243,     -192,    477},
    /*  80 */ {"Naparima, BWI(NAP)",                           15, -10,      375,     165},
    /*  81 */ {"North American 1927(NAS-C)",                   5,  -8,       160,     176},
    /*  82 */ {"North American 1927(NAS-D)",                   5,  -5,       135,     172},
    /*  83 */ {"North American 1927(NAS-E)",                   5,  -10,      158,     187},
    /*  84 */ {"North American 1927(NAS-L)",                   5,  -12,      130,     190},
    /*  85 */ {"North American 1927(NAS-N)",                   5,  0,        125,     194},
    /*  86 */ {"North American 1927(NAS-O)",                   5,  0,        125,     201},
    /*  87 */ {"North American 1927(NAS-P)",                   5,  -3,       142,     183},
    /*  88 */ {"North American 1927(NAS-Q)",                   5,  -4,       154,     178},
    /*  89 */ {"North American 1927(NAS-R)",                   5,  1,        140,     165},
    /*  90 */ {"North American 1927(NAS-T)",                   5,  -9,       152,     178},
    /*  91 */ {"North American 1927(NAS-U)",                   5,  11,       114,     195},
    /*  92 */ {"North American 1983(NAR-C)",                   12, 0,        0,       0},
    /*  93 */ {"North Sahara 1959(NSD)",                       6,  -186,     -93,     310},
    /*  94 */ {"Observatorio Meteorologico 1939(FLO)",         15, -425,     -169,    81},
    /*  95 */ {"Old Egyptian 1907(OEG)",                       13, -130,     110,     -13},
    /*  96 */ {"Old Hawaiian(OHA-M)",                          5,  61,       -285,    -181},
    /*  97 */ {"Oman(FAH)",                                    6,  -346,     -1,      224},
    /*  98 */ {"Ordnance Survey of Great Britain 1936(OGB-M)", 1,  375,      -111,    431},
    /*  99 */ {"Pico de las Nieves(PLN)",                      15, -307,     -92,     127},
    /* 100 */ {"Pitcairn Astro 1967(PIT)",                     15, 185,      165,     42},
    /* 101 */ {"Point 58(PTB)",                                6,  -106,     -129,    165},
    /* 102 */ {"Pointe Noire 1948(PTN)",                       6,  -148,     51,      -291},
    /* 103 */ {"Porto Santo 1936(POS)",                        6,  -499,     -249,    314},
    /* 104 */ {"Provisional South American 1956(PRP-M)",       15, -288,     175,     -376},
    /* 105 */ {"Provisional South Chilean 1963(HIT)",          15, 16,       196,     93},
    /* 106 */ {"Puerto Rico(PUR)",                             5,  11,       72,      -101},
    /* 107 */ {"Qatar National(QAT)",                          15, -128,     -283,    22},
    /* 108 */ {"Qornoq(QUO)",                                  15, 164,      138,     -189},
    /* 109 */ {"Reunion(REU)",                                 15, 94,       -948,    -1262},
    /* 110 */ {"Rome 1940(MOD)",                               15, -225,     -65,     9},
    /* 111 */ {"S-42(Pulkovo 1942)(SPK-A)",                    16, 28,       -121,    77},
    /* 112 */ {"S-42(Pulkovo 1942)(SPK-B)",                    16, 23,       -124,    82},
    /* 113 */ {"Santo (DOS) 1965(SAE)",                        15, 170,      42,      84},
    /* 114 */ {"Sao Braz(SAO)",                                15, -203,     141,     53},
    /* 115 */ {"Sapper Hill 1943(SAP)",                        15, -355,     21,      72},
    /* 116 */ {"Schwarzeck(SCK)",                              22, 616,      97,      -251},
    /* 117 */ {"Selvagem Grande 1938(SGM)",                    15, -289,     -124,    60},
    /* 118 */ {"Sierra Leone(SRL)",                            6,  -88,      4,       101},
    /* 119 */ {"S-JTSK(CCD)",                                  4,  589,      76,      480},
    /* 120 */ {"South American 1969(SAN)",                     17, -57,      1,       -41},
    /* 121 */ {"South Asia(SOA)",                              10, 7,        -10,     -26},
    /* 122 */ {"Timbalai 1948(TIL)",                           25, -679,     669,     -48},
    /* 123 */ {"Tokyo(TOY-B)",                                 4,  -147,     506,     687},
    /* 124 */ {"Tokyo(TOY-M)",                                 4,  -148,     507,     685},
    /* 125 */ {"Tokyo(---)",                                   4,  -105.627, 462.37,  643.258},
    /* 126 */ {"Tristan Astro 1968(TDC)",                      15, -632,     438,     -609},
    /* 127 */ {"Viti Levu 1916(MVS)",                          6,  51,       391,     -36},
    /* 128 */ {"Voirol 1960(VOR)",                             6,  -123,     -206,    219},
    /* 129 */ {"Wake-Eniwetok 1960(ENW)",                      14, 102,      52,      -38},
    /* 130 */ {"Wake Island Astro 1952(WAK)",                  15, 276,      -57,     149},
    /* 131 */ {"Zanderij(ZAN)",                                15, -265,     120,     -358},
    /* 132 */ {"World Geodetic System 1972",                   20, 0,        0,       -4.5},
    /* 133 */ {"World Geodetic System 1984",                   21, 0,        0,       0},
};
// clang-format on

static_assert(std::size(kEllipsoidRows) == ELLIPSOID_COUNT,
              "ellipsoid table size mismatch");
static_assert(std::size(kDatumRows) == DATUM_COUNT,
              "datum table size mismatch");

template <std::size_t N> void CopyName(char (&field)[N], const char *name) {
    static_assert(N > 0);
    std::strncpy(field, name, N - 1);
    field[N - 1] = '\0';
}

} // namespace

std::span<const EllipsoidRow, ELLIPSOID_COUNT> BuiltInEllipsoids() {
    return kEllipsoidRows;
}

std::span<const DatumRow, DATUM_COUNT> BuiltInDatums() { return kDatumRows; }

void COORD::InitEllipsoids() {
    for (std::int32_t i = 0; i < ELLIPSOID_COUNT; ++i) {
        ELLIPSOID &row = m_Ellipsoid[i];
        std::memset(row.name, 0, sizeof row.name);
        CopyName(row.name, kEllipsoidRows[i].name);
        row.a = kEllipsoidRows[i].a;
        row.invf = kEllipsoidRows[i].invf;
    }
}

void COORD::InitDatums() {
    for (std::int32_t i = 0; i < DATUM_COUNT; ++i) {
        DATUM &row = m_Datum[i];
        std::memset(row.name, 0, sizeof row.name);
        CopyName(row.name, kDatumRows[i].name);
        row.ellipsoid = kDatumRows[i].ellipsoid;
        row.dx = kDatumRows[i].dx;
        row.dy = kDatumRows[i].dy;
        row.dz = kDatumRows[i].dz;
    }
}
