// A simulated set, from the board's bytes to the table rows, over both links and the three
// board types, compared with what the detection rules predict, with what the load really did and
// with what kinetra-analyze makes of the same stream.

#include "Banco.h"
#include "athlete/EsportazioneCsv.h"
#include "core/Testo.h"

#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <numeric>

using namespace kinetra;

namespace {

constexpr float AmpiezzaMinima = 120; // not the analyser's default

// The rise after `inizioS` as the rules read it from the board's samples: from the first sample
// above 20 mm/s to the first below 15 mm/s, timed by the periods under 0.22 s in between; one too
// small to count (an early still sample filling a slow HID report) starts again. The first step
// of a rise carries the pause at the bottom and reads as standstill: the rise starts a step up.
// Gives the displacement and the duration.
std::pair<double, double> salitaSecondoLeRegole(const sim::BoardModel& modello, double inizioS) {
    const ScalaScheda scala = scalaScheda(modello.boardType());
    const double mmPasso =
        sim::BoardModel::stepCounts(modello.link()) * double(scala.Fattore_spostamento);
    double t = 0, posInizio = 0, durata = 0;
    bool inSalita = false;
    for (const sim::BoardSample& c : modello.samples()) {
        const double perMs = c.ticks * scala.Base_tempi, dt = std::fabs(perMs) / 1000;
        const double v = perMs == 0 ? 0 : mmPasso * 1000 / perMs;
        const double pos = double(float(c.count) * scala.Fattore_spostamento);
        t += dt;
        if (!inSalita && t >= inizioS && v > 20) {
            inSalita = true;
            posInizio = pos;
            durata = 0;
        } else if (inSalita) {
            durata += dt < 0.22 ? dt : 0;
            if (v < 15 && pos - posInizio > AmpiezzaMinima)
                return {pos - posInizio, durata};
            inSalita = v >= 15;
        }
    }
    return {0, 0};
}

} // namespace

TEST(SerieSimulata, GivesTheRowsTheRulesPredictCloseToWhatTheLoadDidAndAsTheAnalyserDoes) {
    // The first valid rise sets the time origin and gives no row. A lift of 1.33 s of movement
    // ends after the first second of active time: it is that rise, and all 6 repetitions give a
    // row. One of 0.375 s ends within the first second, where every transition is a concentric
    // start: repetition 1's rise becomes the first valid one and only 2 to 6 give rows.
    const struct {
        const char* nome;
        double sollevamentoMm, sollevamentoMmS;
        int primaRipetizione; // 0-based repetition shown in row 1
    } scenari[] = {{"long initial lift", 400, 300, 0}, {"short initial lift", 150, 400, 1}};
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QString flussoFile = cartella.filePath(QStringLiteral("set.bin"));
    const QString tabellaFile = cartella.filePath(QStringLiteral("tabella.csv"));
    const QString grezziFile = cartella.filePath(QStringLiteral("grezzi.csv"));
    for (int i = 0; i < 12; ++i) {
        const auto& sc = scenari[i / 6];
        const bool seriale = i % 6 < 3;
        const sim::Link link = seriale ? sim::Link::Serial : sim::Link::Hid;
        const int tipo = i % 3 + 1;
        SCOPED_TRACE(testing::Message()
                     << sc.nome << ", " << (seriale ? "serial" : "HID") << ", board type " << tipo);
        const sim::BoardModel modello(test::serie(sc.sollevamentoMm, sc.sollevamentoMmS), tipo,
                                      link);
        Stato stato;
        stato.Dati_esercizio.Ampiezza_minima = AmpiezzaMinima;
        stato.Memo_attivo = true;
        test::VistaRegistrata vista;
        ASSERT_TRUE(scriviFile(flussoFile, test::acquisisciDalModello(modello, stato, vista), false)
                        .isEmpty());

        const auto& verita = modello.truth();
        const int righe = static_cast<int>(verita.size()) - sc.primaRipetizione;
        std::vector<int> attese(static_cast<std::size_t>(righe));
        std::iota(attese.begin(), attese.end(), 1);
        ASSERT_EQ(vista.righe, attese);

        const double passo =
            sim::BoardModel::stepCounts(link) * double(scalaScheda(tipo).Fattore_spostamento);
        std::printf("%s, %s, board type %d (step %.3f mm):\n", sc.nome, seriale ? "serial" : "HID",
                    tipo, passo);
        for (int k = 1; k <= righe; ++k) {
            const Ripetizione& r = stato.Ripetizioni[static_cast<std::size_t>(k)];
            const sim::RepetitionTruth& v =
                verita[static_cast<std::size_t>(k - 1 + sc.primaRipetizione)];
            // The engine follows the rules exactly (up to single-precision sums).
            const auto [spost, durata] = salitaSecondoLeRegole(modello, v.concentricStartS);
            EXPECT_NEAR(r.Spost_con, spost, 1e-3) << "row " << k;
            EXPECT_NEAR(r.Durata_con, durata, 2e-3) << "row " << k;

            const double errSpost = r.Spost_con - v.displacementMm;
            const double errVmedia = r.Vmedia_con / v.meanConcentricMmS - 1;
            std::printf("  row %d: Spost %.1f mm (%+.1f mm = %+.2f steps), Vmedia %.1f "
                        "mm/s (%+.1f%%)\n",
                        k, r.Spost_con, errSpost, errSpost / passo, r.Vmedia_con, 100 * errVmedia);
            // Against the truth: the rise counts from its second step and both ends sit
            // on the step grid, so it reads 1 to 3 steps short; its duration leaves out
            // the slow start and the stop after the last step, so the mean velocity
            // reads high, more so for the coarse serial step.
            EXPECT_GE(errSpost, -3.5 * passo) << "row " << k;
            EXPECT_LE(errSpost, 0.5 * passo) << "row " << k;
            EXPECT_GE(errVmedia, 0.0) << "row " << k;
            EXPECT_LE(errVmedia, seriale ? 0.20 : 0.08) << "row " << k;
        }

        // kinetra-analyze on the recorded stream: the table on standard output for
        // serial, in files with the raw samples for HID.
        const QLocale locale = seriale ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(QLocale::Italian, QLocale::Italy);
        QStringList argomenti = {"--link",
                                 seriale ? "serial" : "hid",
                                 "--board-type",
                                 QString::number(tipo),
                                 "--min-displacement",
                                 QString::number(AmpiezzaMinima),
                                 "--locale",
                                 seriale ? "en" : "it",
                                 flussoFile};
        if (!seriale)
            argomenti << "-o" << tabellaFile << "--raw" << grezziFile;
        const test::Uscita u = test::analizza(argomenti);
        ASSERT_EQ(u.codice, 0) << u.err.constData();
        EXPECT_TRUE(u.err.isEmpty()) << u.err.constData();
        EXPECT_EQ(u.out.isEmpty(), !seriale);
        const QByteArray tabella = contenutoFileDati(colonneTabella(stato, righe, locale), stato,
                                                     locale, QDateTime::currentDateTime());
        auto senzaData = [](const QByteArray& t) { return t.mid(t.indexOf("\r\n") + 2); };
        EXPECT_EQ(senzaData(seriale ? u.out : leggiFile(tabellaFile).value_or("")),
                  senzaData(tabella));
        if (!seriale) {
            EXPECT_EQ(leggiFile(grezziFile).value_or(""), contenutoFileCampioni(stato, locale));
        }
    }
}
