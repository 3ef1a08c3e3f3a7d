#include "StampaQString.h"
#include "VistaRegistrata.h"
#include "acquisition/MotoreAcquisizione.h"
#include "acquisition/RigaTabella.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kinetra;
using kinetra::test::VistaRegistrata;

namespace {

const QLocale inglese(QLocale::English, QLocale::UnitedStates);

// A HID acquisition driven sample by sample. Each sample's velocity comes out of the block
// processing exactly: the factor is chosen so that factor x 1000 / period is that velocity.
struct Sessione {
    Stato stato;
    VistaRegistrata vista;
    MotoreAcquisizione motore{stato, vista};
    double pos = 0;

    explicit Sessione(float ampiezzaMinima = 100) {
        stato.Hid_connesso = true;
        stato.Dati_esercizio.Ampiezza_minima = ampiezzaMinima;
        stato.Memo_attivo = true;
        avvia();
    }
    void avvia() {
        motore.Reset_dati();
        stato.Acquisizione_attiva = true;
        stato.Traccia_attiva = true;
        motore.Azzera_tempi();
    }
    // One step to `a` (mm) lasting `ms`; the velocity is the step over the period.
    void passo(double a, double ms) {
        const double spostamento = a - pos;
        double per = spostamento < 0 ? -ms : ms;
        stato.Fattore_spostamento = static_cast<float>(std::fabs(spostamento));
        pos = a;
        motore.Elabora_blocco(0, &pos, &per);
    }
    // Steps of `mm` from the current position to `a`, each lasting `ms`.
    void movimento(double a, double mm, double ms) {
        while (std::fabs(a - pos) > 1e-9)
            passo(pos + std::copysign(std::min(mm, std::fabs(a - pos)), a - pos), ms);
    }
    // Standing still for `ms`: one long step of no movement (total time only), then a still
    // sample.
    void pausa(double ms) {
        double per = ms;
        stato.Fattore_spostamento = 0;
        motore.Elabora_blocco(0, &pos, &per);
        fermo();
    }
    void fermo() {
        double per = 0;
        motore.Elabora_blocco(0, &pos, &per);
    }
    const Ripetizione& record(int k) const {
        return stato.Ripetizioni[static_cast<std::size_t>(k)];
    }

    // An unracking lift long enough (1.25 s) to be the first valid rise: time 0 is its end.
    void sollevamentoIniziale(double a) {
        movimento(a, (a - pos) / 40, 31.25);
        fermo();
    }
};

} // namespace

TEST(Elabora_dati, ARiseStartsAbove20AndEndsBelow15AfterTheFirstSecond) {
    Sessione s(10);
    s.pos = 0;
    s.passo(0, 40);         // standing: the first sample of an acquisition is a transition
    s.movimento(30, 1, 40); // 25 mm/s for 1.2 s
    EXPECT_EQ(s.record(0).Pos_inizio_con, 1.0f);
    EXPECT_FLOAT_EQ(s.record(0).Inizio_con, 0.08f);
    EXPECT_EQ(s.motore.Stato_fase()[0], 0);
    EXPECT_EQ(s.stato.Rip_corrente, 0);

    s.motore.Elabora_dati(30, 10);
    EXPECT_EQ(s.stato.Rip_corrente, 1);
    EXPECT_EQ(s.motore.Pos_alta(), 30.0f);
    EXPECT_FLOAT_EQ(s.record(0).Spost_con, 29.0f);
    EXPECT_TRUE(s.vista.righe.empty());
}

TEST(Elabora_dati, VelocitiesOfExactly15And20LeaveTheDirectionAsItIs) {
    struct Caso {
        float prima;
        float poi;
        std::int16_t atteso;
    };
    const Caso casi[] = {
        {30, 20, 0}, {30, 15, 0}, {30, 17.5f, 0},  {30, 14.999f, 1},
        {0, 15, 1},  {0, 20, 1},  {0, 20.001f, 0}, {-50, 20, 1},
    };
    for (const Caso& c : casi) {
        Sessione s;
        s.motore.Elabora_dati(0, c.prima);
        s.motore.Elabora_dati(0, c.poi);
        EXPECT_EQ(s.motore.Stato_fase()[0], c.atteso) << c.prima << " then " << c.poi;
        EXPECT_EQ(s.motore.Stato_fase()[1], c.atteso) << c.prima << " then " << c.poi;
    }
}

TEST(Elabora_dati, AWholeRepetitionGivesTheValuesWorkedOutByHand) {
    Sessione s(100);
    s.sollevamentoIniziale(400);
    // The end of the first valid rise is time 0: no row, a new record, an empty sample store.
    EXPECT_EQ(s.stato.Rip_corrente, 1);
    EXPECT_TRUE(s.vista.righe.empty());
    EXPECT_EQ(s.vista.svuotamentiGraficoTempo, 2); // Reset_dati, then the time origin
    EXPECT_EQ(s.motore.Tempo_attivo(), 0.0f);
    EXPECT_EQ(s.motore.Tempo_totale(), 0.0f);
    EXPECT_EQ(s.stato.N_campioni, 0);
    EXPECT_EQ(s.stato.Campioni.size(), 1u);
    EXPECT_EQ(s.record(1).Pos_inizio_ecc, 400.0f);

    s.pausa(500);
    s.movimento(300, 10, 62.5);  // -160 mm/s
    s.movimento(200, 10, 31.25); // -320 mm/s: the eccentric peak at 290 mm, 0.65625 s
    EXPECT_EQ(s.vista.beep, 2);  // one per new low
    s.pausa(250);
    s.movimento(300, 10, 62.5);  // 160 mm/s; the rise starts at 210 mm, 1.0 s
    s.movimento(400, 10, 31.25); // 320 mm/s: the concentric peak at 310 mm, 1.59375 s
    s.movimento(500, 10, 62.5);
    EXPECT_TRUE(s.vista.righe.empty());
    s.fermo(); // the end of the rise at 2.5 s of active time, 3.25 s in all

    ASSERT_EQ(s.vista.righe, std::vector<int>{1});
    const QStringList ultime = s.vista.chiamate.mid(s.vista.chiamate.size() - 3);
    EXPECT_EQ(ultime, (QStringList{"cursori 3.25 0", "riga 1", "mostra 1"}));
    const TestiRiga attesi = {"1",    "0.00", "1.50", "290",  "193",  "320", "0.59", "100",
                              "1.00", "-190", "-190", "-320", "0.66", "110", ""};
    EXPECT_EQ(testiRiga(s.record(1), 1, inglese), attesi);
    EXPECT_EQ(s.record(2).Inizio_ecc, 2.5f);
    EXPECT_EQ(s.record(2).Tempo, 3.25f);
    EXPECT_EQ(s.record(2).Pos_inizio_ecc, 500.0f);
    EXPECT_EQ(s.motore.Vmax_corrente(), 0.0f);
    EXPECT_EQ(s.motore.Vmin_corrente(), 0.0f);
}

TEST(Elabora_dati, ARiseOfExactlyTheMinimumIsRejectedButTheCursorsAndTheTopMove) {
    struct Caso {
        double salita;
        bool accettata;
    };
    const Caso casi[] = {{50, false}, {50.5, true}, {20, false}};
    for (const Caso& c : casi) {
        Sessione s(50);
        s.sollevamentoIniziale(400);
        s.movimento(100, 10, 40); // -250 mm/s for 1.2 s: past the first second
        s.fermo();
        const int cursoriPrima = static_cast<int>(s.vista.chiamate.filter("cursori").size());
        // The rise starts at the first step, 105 mm, and rises `salita` mm from there.
        s.movimento(105 + c.salita, 5, 25); // 200 mm/s
        s.fermo();
        EXPECT_EQ(s.stato.Rip_corrente, c.accettata ? 2 : 1) << c.salita;
        EXPECT_EQ(s.vista.chiamate.filter("cursori").size(), cursoriPrima + 1) << c.salita;
        EXPECT_EQ(s.motore.Pos_alta(), static_cast<float>(105 + c.salita)) << c.salita;
        EXPECT_EQ(s.vista.righe.size(), c.accettata ? 1u : 0u) << c.salita;
        // The running peaks restart only with an accepted repetition.
        EXPECT_EQ(s.motore.Vmax_corrente(), c.accettata ? 0.0f : 200.0f) << c.salita;
        EXPECT_EQ(s.motore.Vmin_corrente(), c.accettata ? 0.0f : -250.0f) << c.salita;
        // A rejected rise still overwrites the current record's concentric values.
        EXPECT_EQ(s.record(1).Spost_con, static_cast<float>(c.salita)) << c.salita;
    }
}

TEST(Elabora_dati, AShortDescentLeavesTheEccentricValuesOfANewRecordAtZero) {
    Sessione s(100);
    s.sollevamentoIniziale(400);
    s.pausa(500);
    s.movimento(340, 10, 25); // 60 mm: less than the minimum
    s.pausa(300);
    s.movimento(500, 10, 100); // 100 mm/s: the rise ends after the first second
    s.fermo();
    ASSERT_EQ(s.vista.righe, std::vector<int>{1});
    const TestiRiga riga = testiRiga(s.record(1), 1, inglese);
    EXPECT_EQ(riga[8], "0.00");
    EXPECT_EQ(riga[9], "0");
    EXPECT_EQ(riga[10], "0");
    EXPECT_EQ(riga[11], "-400"); // the peak is tracked all the same
    EXPECT_EQ(riga[3], "150");   // 500 - 350: the rise starts one step above the bottom
}

TEST(Elabora_dati, WithinTheFirstSecondStoppingOverwritesTheStartOfTheRise) {
    Sessione s(100);
    s.pos = 50;
    s.fermo();              // the first sample of an acquisition is a transition
    s.movimento(80, 5, 50); // 100 mm/s for 0.3 s
    EXPECT_EQ(s.record(0).Pos_inizio_con, 55.0f);
    s.fermo();
    EXPECT_EQ(s.stato.Rip_corrente, 0);
    EXPECT_EQ(s.record(0).Pos_inizio_con, 80.0f);
    EXPECT_FLOAT_EQ(s.record(0).Inizio_con, 0.3f);
    EXPECT_EQ(s.motore.Pos_bassa(), 80.0f);
    EXPECT_EQ(s.vista.chiamate.filter("cursori").size(), 0);
}

TEST(Elabora_dati, TheTimeOriginMovesFromTheNextSampleOfTheSameBlock) {
    Sessione s(100);
    s.movimento(400, 10, 31.25);
    // The end of the rise and one more step in the same block.
    double pos[] = {400, 410};
    double per[] = {0, 62.5};
    s.stato.Fattore_spostamento = 10;
    s.motore.Elabora_blocco(1, pos, per);
    EXPECT_EQ(s.stato.Rip_corrente, 1);
    EXPECT_EQ(s.motore.Tempo_totale(), 0.0625f);
    EXPECT_EQ(s.motore.Tempo_attivo(), 0.0625f);
    ASSERT_EQ(s.stato.N_campioni, 1);
    EXPECT_EQ(s.stato.Campioni[0].Posizione, 410.0f);
    EXPECT_EQ(s.stato.Campioni[0].Tempo, 0.0625f);
}

TEST(Elabora_dati, ANewRecordStartsEmptyWhateverAnEarlierAcquisitionLeftThere) {
    Sessione s(100);
    s.stato.Ripetizioni.resize(6);
    for (Ripetizione& r : s.stato.Ripetizioni) {
        r.Durata_ecc = 9;
        r.Spost_ecc = -999;
        r.Vmax_con = 4321;
        r.Nota = QStringLiteral("vecchia");
    }
    s.sollevamentoIniziale(400);
    EXPECT_EQ(s.stato.Ripetizioni.size(), 2u); // resized to the new count
    s.pausa(500);
    s.movimento(340, 10, 25);
    s.movimento(500, 10, 100);
    s.fermo();
    ASSERT_EQ(s.vista.righe, std::vector<int>{1});
    EXPECT_EQ(s.record(1).Durata_ecc, 0.0f);
    EXPECT_EQ(s.record(1).Spost_ecc, 0.0f);
    EXPECT_EQ(s.record(1).Vmax_con, 100.0f);
    EXPECT_EQ(s.record(1).Nota, QString());
    EXPECT_EQ(s.record(0).Nota, QStringLiteral("vecchia")); // record 0 keeps its old values
}

TEST(Reset_dati, ClearsTheDataAndTheDisplayAndCountsAgainFromOne) {
    Sessione s(100);
    s.sollevamentoIniziale(400);
    for (int r = 0; r < 2; ++r) {
        s.pausa(500);
        s.movimento(150, 10, 25);
        s.pausa(300);
        s.movimento(400, 10, 25);
        s.fermo();
    }
    ASSERT_EQ(s.vista.righe, (std::vector<int>{1, 2}));
    const std::size_t record = s.stato.Ripetizioni.size();

    s.vista.chiamate.clear();
    s.motore.Reset_dati();
    EXPECT_EQ(s.vista.chiamate, (QStringList{"svuota liste", "svuota ripetizioni", "slide 0",
                                             "svuota tempo", "riavvia tempo"}));
    EXPECT_EQ(s.stato.Rip_corrente, 0);
    EXPECT_EQ(s.stato.N_campioni, 0);
    EXPECT_EQ(s.stato.Campioni.size(), 1u);
    EXPECT_EQ(s.motore.Pos_alta(), 0.0f);
    EXPECT_EQ(s.stato.Ripetizioni.size(), record); // resized only at the next rise's end

    s.stato.Acquisizione_attiva = true;
    s.motore.Azzera_tempi();
    EXPECT_EQ(s.motore.Stato_fase(), (std::array<std::int16_t, 2>{1, 0}));
    s.sollevamentoIniziale(150 + 400);
    s.pausa(500);
    s.movimento(200, 10, 25);
    s.movimento(500, 10, 25);
    s.fermo();
    EXPECT_EQ(s.vista.righe, (std::vector<int>{1, 2, 1}));
}
