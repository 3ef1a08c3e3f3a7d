// A simulated set, from the board's bytes to the table rows, over both links and the three
// board types, compared with what the load really did.

#include "AcquisizioneSimulata.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace kinetra;

namespace {

constexpr float AmpiezzaMinima = 100;

sim::SetSpec serie(double sollevamentoMm, double sollevamentoMmS) {
    sim::SetSpec s;
    s.startPositionMm = 200;
    s.initialLiftMm = sollevamentoMm;
    s.initialLiftMmS = sollevamentoMmS;
    s.restBeforeS = 1.0;
    s.restAfterS = 1.0;
    s.fatigue = 0.04;
    s.noise = 0.1;
    s.seed = 11;
    for (int i = 0; i < 6; ++i) {
        sim::RepetitionSpec r;
        r.rangeMm = 500 - 10 * i;
        r.meanConcentricMmS = 550;
        r.eccentricMmS = 420;
        r.pauseTopS = 0.6;
        r.pauseBottomS = 0.3;
        s.repetitions.push_back(r);
    }
    return s;
}

// What the detection rules make of one rise, worked out straight from the board's samples: the
// rise starts at the first sample above 20 mm/s after the load leaves the bottom and ends at the
// first one below 15 mm/s after that; its duration is the sum of the periods shorter than
// 0.22 s in between. The first step of a rise carries the whole pause at the bottom as its
// period, so it reads as standstill and the rise starts one step up. On HID a report that takes
// over 100 ms to fill is completed with still samples; one early in a rise ends it there, the
// few millimetres do not count, and the rise starts again with the next step.
struct SalitaRegola {
    double spost = 0, durata = 0;
    bool trovata = false;
};
SalitaRegola salitaSecondoLeRegole(const sim::BoardModel& modello, sim::Link link, int tipo,
                                   double inizioS) {
    const ScalaScheda scala = scalaScheda(tipo);
    const double mmPasso = sim::BoardModel::stepCounts(link) * double(scala.Fattore_spostamento);
    SalitaRegola r;
    double t = 0, posInizio = 0;
    bool inSalita = false;
    for (const sim::BoardSample& c : modello.samples()) {
        const double perMs = c.ticks * scala.Base_tempi;
        const double dt = std::fabs(perMs) / 1000;
        t += dt;
        double v = perMs == 0 ? 0 : mmPasso * 1000 / perMs;
        if (std::fabs(v) < 12)
            v = 0;
        const double pos = double(float(c.count) * scala.Fattore_spostamento);
        if (!inSalita) {
            if (t >= inizioS && v > 20) {
                r.durata = 0;
                inSalita = true;
                posInizio = pos;
            }
        } else {
            if (dt < 0.22)
                r.durata += dt;
            if (v < 15) {
                r.spost = pos - posInizio;
                if (r.spost > AmpiezzaMinima) {
                    r.trovata = true;
                    return r;
                }
                // Too small to count: the rise starts again at the next sample above 20.
                inSalita = false;
                r.durata = 0;
            }
        }
    }
    return r;
}

const char* nomeLink(sim::Link l) {
    return l == sim::Link::Serial ? "serial" : "HID";
}

struct Scenario {
    const char* nome;
    double sollevamentoMm, sollevamentoMmS;
    // The first valid rise sets the time origin and gives no row. A lift of 1.33 s of movement
    // ends after the first second of active time: it is that rise, and every repetition gives a
    // row. A lift of 0.375 s ends within the first second, where every transition is a
    // concentric start: the first repetition's rise becomes the first valid rise, so only
    // repetitions 2 to 6 give rows.
    int primaRipetizione; // 0-based repetition shown in row 1
};

} // namespace

TEST(SerieSimulata, GivesTheRowsTheRulesPredictCloseToWhatTheLoadDid) {
    const Scenario scenari[] = {
        {"long initial lift", 400, 300, 0},
        {"short initial lift", 150, 400, 1},
    };
    for (const Scenario& sc : scenari) {
        for (sim::Link link : {sim::Link::Serial, sim::Link::Hid}) {
            for (int tipo = 1; tipo <= 3; ++tipo) {
                SCOPED_TRACE(testing::Message()
                             << sc.nome << ", " << nomeLink(link) << ", board type " << tipo);
                const sim::SetSpec descrizione = serie(sc.sollevamentoMm, sc.sollevamentoMmS);
                const sim::BoardModel modello(descrizione, tipo, link);
                Stato stato;
                stato.Dati_esercizio.Ampiezza_minima = AmpiezzaMinima;
                test::VistaConTabella vista(stato, QLocale::c());
                test::acquisisciDalModello(modello, stato, vista);

                const auto& verita = modello.truth();
                const int righe = static_cast<int>(verita.size()) - sc.primaRipetizione;
                std::vector<int> attese;
                for (int k = 1; k <= righe; ++k)
                    attese.push_back(k);
                ASSERT_EQ(vista.righe, attese);

                const double passo = sim::BoardModel::stepCounts(link) *
                                     static_cast<double>(scalaScheda(tipo).Fattore_spostamento);
                // Time 0 is the end of the first valid rise.
                const double origine = sc.primaRipetizione == 0 ? descrizione.restBeforeS +
                                                                      descrizione.initialLiftMm /
                                                                          descrizione.initialLiftMmS
                                                                : verita[0].concentricEndS;
                std::printf("%s, %s, board type %d (step %.3f mm):\n", sc.nome, nomeLink(link),
                            tipo, passo);
                for (int k = 1; k <= righe; ++k) {
                    const Ripetizione& r = stato.Ripetizioni[static_cast<std::size_t>(k)];
                    const sim::RepetitionTruth& v =
                        verita[static_cast<std::size_t>(k - 1 + sc.primaRipetizione)];
                    const double fineEcc =
                        k - 2 + sc.primaRipetizione < 0
                            ? origine
                            : verita[static_cast<std::size_t>(k - 2 + sc.primaRipetizione)]
                                  .concentricEndS;
                    const SalitaRegola regola =
                        salitaSecondoLeRegole(modello, link, tipo, v.concentricStartS);
                    ASSERT_TRUE(regola.trovata) << "row " << k;
                    // The engine follows the rules exactly (up to single-precision sums).
                    EXPECT_NEAR(r.Spost_con, regola.spost, 1e-3) << "row " << k;
                    EXPECT_NEAR(r.Durata_con, regola.durata, 2e-3) << "row " << k;

                    const double errSpost = r.Spost_con - v.displacementMm;
                    const double errVmedia = r.Vmedia_con / v.meanConcentricMmS - 1;
                    const double errTempo = r.Tempo - (fineEcc - origine);
                    std::printf("  row %d: Spost %.1f mm (%+.1f mm = %+.2f steps), Vmedia %.1f "
                                "mm/s (%+.1f%%), Tempo %.2f s (%+.3f s)\n",
                                k, r.Spost_con, errSpost, errSpost / passo, r.Vmedia_con,
                                100 * errVmedia, r.Tempo, errTempo);
                    // Against the truth: the rise counts from its second step and both ends
                    // sit on the step grid, so it reads 1 to 3 steps short. Its duration leaves
                    // out the slow start and the stop after the last step, so the mean velocity
                    // reads high, the more so for the coarse serial step.
                    EXPECT_GE(errSpost, -3.5 * passo) << "row " << k;
                    EXPECT_LE(errSpost, 0.5 * passo) << "row " << k;
                    EXPECT_GE(errVmedia, 0.0) << "row " << k;
                    EXPECT_LE(errVmedia, link == sim::Link::Serial ? 0.20 : 0.08) << "row " << k;
                    // Tempo: both the origin and the row's eccentric start are the last step of
                    // a rise, so the error is the difference of two such delays.
                    EXPECT_NEAR(errTempo, 0, 0.06) << "row " << k;
                }
            }
        }
    }
}
