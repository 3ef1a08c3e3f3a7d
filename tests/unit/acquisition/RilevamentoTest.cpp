#include "Banco.h"

#include <cmath>

using namespace kinetra;

namespace {

const QLocale inglese(QLocale::English, QLocale::UnitedStates);

// A HID acquisition driven step by step; each step's factor is its length: v = 1000 x mm / ms.
struct Sessione : test::Banco {
    double pos = 0;

    // One step to `a` (mm) lasting `ms`; a step of no length lasting 0 ms is a still sample.
    void passo(double a, double ms) {
        double per = a < pos ? -ms : ms;
        stato.Fattore_spostamento = static_cast<float>(std::fabs(a - pos));
        pos = a;
        motore.Elabora_blocco(0, &pos, &per);
    }
    void movimento(double a, double mm, double ms) {
        while (std::fabs(a - pos) > 1e-9)
            passo(pos + std::copysign(std::min(mm, std::fabs(a - pos)), a - pos), ms);
    }
    void fermo() { passo(pos, 0); }
    // Standing still: one long step (total time only), then a still sample.
    void pausa(double ms) {
        passo(pos, ms);
        fermo();
    }
    // A lift long enough (1.25 s) to be the first valid rise: time 0 is its end.
    void sollevamentoIniziale(double a) {
        movimento(a, (a - pos) / 40, 31.25);
        fermo();
    }
    const Ripetizione& record(int k) const { return stato.Ripetizioni.at(std::size_t(k)); }
};

} // namespace

TEST(Elabora_dati, VelocitiesOfExactly15And20LeaveTheDirectionAsItIs) {
    const struct {
        float prima, poi;
        std::int16_t atteso;
    } casi[] = {
        {30, 20, 0}, {30, 15, 0}, {30, 17.5f, 0},  {30, 14.999f, 1},
        {0, 15, 1},  {0, 20, 1},  {0, 20.001f, 0}, {-50, 20, 1},
    };
    for (const auto& c : casi) {
        Sessione s;
        s.motore.Elabora_dati(0, c.prima);
        s.motore.Elabora_dati(0, c.poi);
        EXPECT_EQ(s.motore.Stato_fase()[0], c.atteso) << c.prima << " then " << c.poi;
    }
}

TEST(Elabora_dati, AWholeRepetitionGivesTheValuesWorkedOutByHandAndAResetStartsAgain) {
    Sessione s;
    s.sollevamentoIniziale(400);
    // The end of the first valid rise is time 0: no row, a new record, an empty sample store.
    EXPECT_EQ(s.stato.Rip_corrente, 1);
    EXPECT_TRUE(s.vista.righe.empty());
    EXPECT_EQ(s.vista.quante("svuota tempo"), 1);
    EXPECT_EQ(s.stato.N_campioni, 0);
    EXPECT_EQ(s.record(1).Pos_inizio_ecc, 400.0f);

    s.pausa(500);
    s.movimento(300, 10, 62.5);           // -160 mm/s
    s.movimento(200, 10, 31.25);          // -320 mm/s: the eccentric peak at 290 mm, 0.65625 s
    EXPECT_EQ(s.vista.quante("beep"), 2); // one per new low
    s.pausa(250);
    s.movimento(300, 10, 62.5);  // 160 mm/s; the rise starts at 210 mm, 1.0 s
    s.movimento(400, 10, 31.25); // 320 mm/s: the concentric peak at 310 mm, 1.59375 s
    s.movimento(500, 10, 62.5);
    EXPECT_TRUE(s.vista.righe.empty());
    s.fermo(); // the end of the rise at 2.5 s of active time, 3.25 s in all

    ASSERT_EQ(s.vista.righe, std::vector<int>{1});
    EXPECT_EQ(s.vista.chiamate.mid(s.vista.chiamate.size() - 3),
              (QStringList{"cursori 3.25 0", "riga 1", "mostra 1"}));
    const TestiRiga attesi = {"1",    "0.00", "1.50", "290",  "193",  "320", "0.59", "100",
                              "1.00", "-190", "-190", "-320", "0.66", "110", ""};
    EXPECT_EQ(testiRiga(s.record(1), 1, inglese), attesi);
    EXPECT_EQ(s.record(2).Inizio_ecc, 2.5f);
    EXPECT_EQ(s.record(2).Pos_inizio_ecc, 500.0f);
    EXPECT_EQ(s.motore.Vmax_corrente(), 0.0f);
    EXPECT_EQ(s.motore.Vmin_corrente(), 0.0f);

    s.vista.chiamate.clear();
    s.motore.Reset_dati();
    EXPECT_EQ(s.vista.chiamate, (QStringList{"svuota liste", "svuota ripetizioni", "slide 0",
                                             "svuota tempo", "riavvia tempo"}));
    EXPECT_EQ(s.stato.Rip_corrente, 0);
    EXPECT_EQ(s.stato.N_campioni, 0);
    EXPECT_EQ(s.motore.Pos_alta(), 0.0f);
    for (Ripetizione& r : s.stato.Ripetizioni) { // stale records must not leak into the new ones
        r.Durata_ecc = 9;
        r.Spost_ecc = -999;
        r.Nota = QStringLiteral("vecchia");
    }
    s.motore.Azzera_tempi();
    s.sollevamentoIniziale(900);
    s.pausa(500);
    s.movimento(840, 10, 25); // a descent of 60 mm, less than the minimum
    s.pausa(300);
    s.movimento(1000, 10, 100);
    s.fermo();
    ASSERT_EQ(s.vista.righe, (std::vector<int>{1, 1}));
    // Spost_con 1000 - 850: the rise starts a step above the bottom; the eccentric peak is kept.
    const TestiRiga italiani = {"1",    "0,00", "1,50", "150",  "100",  "100", "0,25", "850",
                                "0,00", "0",    "0",    "-400", "0,03", "10",  ""};
    EXPECT_EQ(testiRiga(s.record(1), 1, QLocale(QLocale::Italian, QLocale::Italy)), italiani);
    const TestiRiga vecchia = testiRiga(s.record(0), 0, inglese); // record 0 keeps its old values
    EXPECT_EQ((QStringList{vecchia[8], vecchia[9], vecchia[14]}),
              (QStringList{"9.00", "-999", "vecchia"}));
}

TEST(Elabora_dati, ARiseOfExactlyTheMinimumIsRejectedButTheCursorsAndTheTopMove) {
    const struct {
        double salita;
        bool accettata;
    } casi[] = {{50, false}, {50.5, true}, {20, false}};
    for (const auto& c : casi) {
        Sessione s;
        s.stato.Dati_esercizio.Ampiezza_minima = 50;
        s.sollevamentoIniziale(400);
        s.movimento(100, 10, 40); // -250 mm/s for 1.2 s: past the first second
        s.fermo();
        const int cursoriPrima = s.vista.quante("cursori");
        // The rise starts at the first step, 105 mm, and rises `salita` mm from there.
        s.movimento(105 + c.salita, 5, 25); // 200 mm/s
        s.fermo();
        EXPECT_EQ(s.stato.Rip_corrente, c.accettata ? 2 : 1) << c.salita;
        EXPECT_EQ(s.vista.quante("cursori"), cursoriPrima + 1) << c.salita;
        EXPECT_EQ(s.motore.Pos_alta(), static_cast<float>(105 + c.salita)) << c.salita;
        EXPECT_EQ(s.vista.righe.size(), c.accettata ? 1u : 0u) << c.salita;
        // The running peaks restart only with an accepted repetition.
        EXPECT_EQ(s.motore.Vmax_corrente(), c.accettata ? 0.0f : 200.0f) << c.salita;
        EXPECT_EQ(s.motore.Vmin_corrente(), c.accettata ? 0.0f : -250.0f) << c.salita;
        // A rejected rise still overwrites the current record's concentric values.
        EXPECT_EQ(s.record(1).Spost_con, static_cast<float>(c.salita)) << c.salita;
    }
}

TEST(Elabora_dati, WithinTheFirstSecondStoppingOverwritesTheStartOfTheRise) {
    Sessione s;
    s.pos = 50;
    s.fermo(); // the first sample of an acquisition is a transition
    EXPECT_EQ(s.record(0).Pos_inizio_con, 50.0f);
    s.movimento(80, 5, 50); // 100 mm/s for 0.3 s
    EXPECT_EQ(s.record(0).Pos_inizio_con, 55.0f);
    s.fermo();
    EXPECT_EQ(s.stato.Rip_corrente, 0);
    EXPECT_EQ(s.record(0).Pos_inizio_con, 80.0f);
    EXPECT_FLOAT_EQ(s.record(0).Inizio_con, 0.3f);
    EXPECT_EQ(s.motore.Pos_bassa(), 80.0f);
    EXPECT_EQ(s.vista.quante("cursori"), 0);

    // The end of the first valid rise moves the time origin from the next sample of its block.
    s.movimento(400, 10, 31.25);
    s.stato.Fattore_spostamento = 10;
    s.blocco({400, 410}, {0, 62.5});
    EXPECT_EQ(s.stato.Rip_corrente, 1);
    EXPECT_EQ(s.motore.Tempo_totale(), 0.0625f);
    EXPECT_EQ(s.motore.Tempo_attivo(), 0.0625f);
    ASSERT_EQ(s.stato.N_campioni, 1);
    EXPECT_EQ(s.stato.Campioni[0].Posizione, 410.0f);
    EXPECT_EQ(s.stato.Campioni[0].Tempo, 0.0625f);
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
