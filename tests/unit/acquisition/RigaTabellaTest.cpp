#include "acquisition/RigaTabella.h"
#include "StampaQString.h"

#include <gtest/gtest.h>

using namespace kinetra;

namespace {
const QLocale italiano(QLocale::Italian, QLocale::Italy);
const QLocale inglese(QLocale::English, QLocale::UnitedStates);
} // namespace

TEST(TestiRiga, FormatsTimesWithTwoDecimalsAndTheRestAsWholeNumbersInTheLocale) {
    Ripetizione r;
    r.Tempo = 12.345f;
    r.Durata_con = 1.237f;
    r.Spost_con = 412.5f; // halves away from zero
    r.Vmedia_con = 333.49f;
    r.Vmax_con = 612.5f;
    r.TdiVmax_con = 0.005f; // just below the half in binary
    r.SdiVmax_con = 0.4f;
    r.Durata_ecc = 0.994f;
    r.Spost_ecc = -412.6f;
    r.Vmedia_ecc = -0.4f; // a minus sign is kept on a zero
    r.Vmax_ecc = -1000;
    r.TdiVmax_ecc = 2;
    r.SdiVmax_ecc = 99.5f;
    r.Nota = QStringLiteral("presa larga; 80%");
    const TestiRiga inglesi = {"7",   "12.35", "1.24", "413",  "333",
                               "613", "0.00",  "0",    "0.99", "-413",
                               "-0",  "-1000", "2.00", "100",  "presa larga; 80%"};
    EXPECT_EQ(testiRiga(r, 7, inglese), inglesi);
    const TestiRiga italiani = testiRiga(r, 7, italiano);
    EXPECT_EQ(italiani[1], "12,35");
    EXPECT_EQ(italiani[2], "1,24");
    EXPECT_EQ(italiani[9], "-413");
    EXPECT_EQ(italiani[14], r.Nota);
}

TEST(TestiRiga, TheTableListsRecordsFromOneOnAndNeverRecordZero) {
    Stato stato;
    stato.Ripetizioni.resize(4);
    for (int k = 0; k < 4; ++k)
        stato.Ripetizioni[static_cast<std::size_t>(k)].Spost_con = 100.0f * k;
    const ColonneTabella colonne = colonneTabella(stato, 2, inglese);
    EXPECT_EQ(colonne[0], (QStringList{"1", "2"}));
    EXPECT_EQ(colonne[3], (QStringList{"100", "200"}));
    // More rows than records: only the records there are.
    EXPECT_EQ(colonneTabella(stato, 9, inglese)[0].size(), 3);

    ColonneTabella unaRiga;
    aggiungiRiga(unaRiga, testiRiga(stato.Ripetizioni[3], 3, inglese));
    for (const QStringList& colonna : unaRiga)
        EXPECT_EQ(colonna.size(), 1);
}

TEST(ColoreAllarme, YellowAboveRedBelowGreenBetweenTheLimitsIncluded) {
    DatiEsercizio dati;
    dati.Vel_max = 1000;
    dati.Limite_sup = 90;
    dati.Limite_inf = 70;
    struct Caso {
        float v;
        std::uint32_t colore;
    };
    const Caso casi[] = {{950, ColoreGiallo},    {800, ColoreVerde}, {650, ColoreRosso},
                         {900, ColoreVerde},     {700, ColoreVerde}, {900.0001f, ColoreGiallo},
                         {699.99f, ColoreRosso}, {0, ColoreRosso}};
    for (const Caso& c : casi)
        EXPECT_EQ(coloreAllarme(c.v, dati), c.colore) << c.v;
    EXPECT_EQ(ColoreGiallo, 65535u);
    EXPECT_EQ(ColoreVerde, 65280u);
    EXPECT_EQ(ColoreRosso, 255u);
}
