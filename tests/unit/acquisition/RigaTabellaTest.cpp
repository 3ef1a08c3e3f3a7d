#include "Banco.h"

using namespace kinetra;

TEST(TestiRiga, FormatsTimesWithTwoDecimalsAndTheRestAsWholeNumbersInTheLocale) {
    // 412.5 and 612.5 round away from zero, 0.005f is just below the half, -0.4 keeps its sign.
    const Ripetizione r{.Tempo = 12.345f,
                        .Vmax_con = 612.5f,
                        .Vmax_ecc = -1000,
                        .SdiVmax_con = 0.4f,
                        .SdiVmax_ecc = 99.5f,
                        .TdiVmax_con = 0.005f,
                        .TdiVmax_ecc = 2,
                        .Vmedia_con = 333.49f,
                        .Vmedia_ecc = -0.4f,
                        .Durata_con = 1.237f,
                        .Durata_ecc = 0.994f,
                        .Spost_con = 412.5f,
                        .Spost_ecc = -412.6f,
                        .Nota = QStringLiteral("presa larga; 80%")};
    const TestiRiga inglesi = {"7",   "12.35", "1.24", "413",  "333",
                               "613", "0.00",  "0",    "0.99", "-413",
                               "-0",  "-1000", "2.00", "100",  "presa larga; 80%"};
    EXPECT_EQ(testiRiga(r, 7, QLocale(QLocale::English, QLocale::UnitedStates)), inglesi);
    EXPECT_EQ(testiRiga(r, 7, QLocale(QLocale::Italian, QLocale::Italy))[1], "12,35");
}

TEST(ColoreAllarme, YellowAboveRedBelowGreenBetweenTheLimitsIncluded) {
    DatiEsercizio dati;
    dati.Vel_max = 1000;
    dati.Limite_sup = 90;
    dati.Limite_inf = 70;
    const struct {
        float v;
        std::uint32_t colore;
    } casi[] = {{950, ColoreGiallo},    {800, ColoreVerde}, {650, ColoreRosso},
                {900, ColoreVerde},     {700, ColoreVerde}, {900.0001f, ColoreGiallo},
                {699.99f, ColoreRosso}, {0, ColoreRosso}};
    for (const auto& c : casi)
        EXPECT_EQ(coloreAllarme(c.v, dati), c.colore) << c.v;
}
