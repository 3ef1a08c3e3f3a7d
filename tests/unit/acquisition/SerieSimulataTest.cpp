// A simulated set through the engine and kinetra-analyze; and what kinetra-analyze refuses.

#include "Banco.h"
#include "athlete/EsportazioneCsv.h"
#include "core/Testo.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <numeric>
#include <tuple>

using namespace kinetra;

namespace {

constexpr float AmpiezzaMinima = 120; // not the analyser's default

// An initial lift, then 6 repetitions of 550 mm/s slowing with fatigue, with jittered steps.
sim::SetPlan serie(double mm, double mmS) {
    sim::SetPlan s{.initialLiftMm = mm, .initialLiftMmS = mmS, .repetitions = {}};
    s.fatigue = 0.04;
    s.noise = 0.1;
    s.seed = 11;
    for (int i = 0; i < 6; ++i)
        s.repetitions.push_back({500.0 - 10 * i, 550, 420, 0.6, 0.3});
    return s;
}

struct Uscita {
    int codice = -1;
    QByteArray out, err;
};

Uscita analizza(const QStringList& argomenti) {
    testApp();
    QProcess p;
    p.start(QStringLiteral(KINETRA_ANALYZE), argomenti);
    EXPECT_TRUE(p.waitForFinished(60000)) << "kinetra-analyze did not finish";
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// The rise after `inizioS` as the rules read the samples: from the first above 20 mm/s to the first
// below 15 mm/s, timed by the periods under 0.22 s; a rise too small starts again. Gives mm and s.
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
            std::tie(inSalita, posInizio, durata) = std::tuple{true, pos, 0.0};
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
    // The first valid rise sets the time origin and gives no row. A lift ending after the first
    // second is that rise; one ending within it is a concentric start, so repetition 1 is.
    const struct {
        const char* nome;
        double sollevamentoMm, sollevamentoMmS;
        int primaRipetizione; // 0-based repetition shown in row 1
    } scenari[] = {{"long initial lift", 400, 300, 0}, {"short initial lift", 150, 400, 1}};
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QString flussoFile = cartella.filePath("set.bin"), tabellaFile = flussoFile + ".csv",
                  grezziFile = flussoFile + ".raw";
    for (int i = 0; i < 12; ++i) {
        const auto& sc = scenari[i / 6];
        const bool seriale = i % 6 < 3;
        const int tipo = i % 3 + 1;
        const char* nomeLink = seriale ? "serial" : "hid";
        SCOPED_TRACE(testing::Message() << sc.nome << ", " << nomeLink << ", board type " << tipo);
        const sim::BoardModel modello(serie(sc.sollevamentoMm, sc.sollevamentoMmS), tipo,
                                      seriale ? sim::Link::Serial : sim::Link::Hid);
        test::Banco b(seriale, tipo);
        b.stato.Dati_esercizio.Ampiezza_minima = AmpiezzaMinima;
        QByteArray flusso = seriale ? modello.serialBytes() : QByteArray();
        for (const QByteArray& r : seriale ? std::vector<QByteArray>() : modello.hidReports())
            flusso += r;
        test::PortaFinta porta; // fed as it arrives: the receive event fires once 12 bytes wait
        for (qsizetype j = 0; seriale && j < flusso.size(); j += ByteFrameSeriale)
            if ((porta.attesa += flusso.mid(j, ByteFrameSeriale)).size() >= 12)
                b.motore.OnComm(porta);
        if (!seriale)
            riproduciRegistrazione(b.motore, flusso, Collegamento::Hid); // one read per report
        ASSERT_TRUE(scriviFile(flussoFile, flusso, false).isEmpty());

        const auto& verita = modello.truth();
        const int righe = static_cast<int>(verita.size()) - sc.primaRipetizione;
        std::vector<int> attese(static_cast<std::size_t>(righe));
        std::iota(attese.begin(), attese.end(), 1);
        ASSERT_EQ(b.vista.righe, attese);
        const double passo = sim::BoardModel::stepCounts(modello.link()) *
                             double(scalaScheda(tipo).Fattore_spostamento);
        std::printf("%s, %s, board type %d (step %.3f mm):\n", sc.nome, nomeLink, tipo, passo);
        for (int k = 1; k <= righe; ++k) {
            const Ripetizione& r = b.stato.Ripetizioni[static_cast<std::size_t>(k)];
            const auto& v = verita[static_cast<std::size_t>(k - 1 + sc.primaRipetizione)];
            const auto [spost, durata] = salitaSecondoLeRegole(modello, v.concentricStartS);
            EXPECT_NEAR(r.Spost_con, spost, 1e-3) << "row " << k; // the rules, exactly
            EXPECT_NEAR(r.Durata_con, durata, 2e-3) << "row " << k;
            const double errSpost = r.Spost_con - v.displacementMm;
            const double errVmedia = r.Vmedia_con / v.meanConcentricMmS - 1;
            std::printf(
                "  row %d: Spost %.1f mm (%+.1f mm = %+.2f steps), Vmedia %.1f mm/s (%+.1f%%)\n", k,
                r.Spost_con, errSpost, errSpost / passo, r.Vmedia_con, 100 * errVmedia);
            // Both ends on the step grid, counted from the second step: 1 to 3 steps short; the
            // slow start and the final stop are left out of the duration: the mean reads high.
            EXPECT_GE(errSpost, -3.5 * passo) << "row " << k;
            EXPECT_LE(errSpost, 0.5 * passo) << "row " << k;
            EXPECT_GE(errVmedia, 0.0) << "row " << k;
            EXPECT_LE(errVmedia, seriale ? 0.20 : 0.08) << "row " << k;
        }

        const QLocale locale = seriale ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(QLocale::Italian, QLocale::Italy);
        QStringList argomenti =
            QString::asprintf("--link %s --board-type %d --min-displacement %g --locale %s",
                              nomeLink, tipo, double(AmpiezzaMinima), seriale ? "en" : "it")
                .split(' ');
        argomenti << flussoFile;
        if (!seriale)
            argomenti << "-o" << tabellaFile << "--raw" << grezziFile;
        const Uscita u = analizza(argomenti); // the same stream: serial to stdout, HID to files
        ASSERT_EQ(u.codice, 0) << u.err.constData();
        EXPECT_TRUE(u.err.isEmpty()) << u.err.constData();
        EXPECT_EQ(u.out.isEmpty(), !seriale);
        const QByteArray tabella = contenutoFileDati(colonneTabella(b.stato, righe, locale),
                                                     b.stato, locale, QDateTime::currentDateTime());
        auto senzaData = [](const QByteArray& t) { return t.mid(t.indexOf("\r\n") + 2); };
        EXPECT_EQ(senzaData(seriale ? u.out : leggiFile(tabellaFile).value_or("")),
                  senzaData(tabella));
        if (i == 0) { // the default minimum keeps every row; no rise here exceeds 600 mm
            EXPECT_EQ(analizza({flussoFile}).out.count("\r\n"), 2 + 6);
            EXPECT_EQ(analizza({"--min-displacement", "600", flussoFile}).out.count("\r\n"), 2);
        }
        if (!seriale) {
            EXPECT_EQ(leggiFile(grezziFile).value_or(""), contenutoFileCampioni(b.stato, locale));
        }
    }
}

TEST(KinetraAnalyze, RefusesWhatItCannotAnalyseAndAppliesItsOptions) {
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    for (const auto& [nome, n] :
         {std::pair{"vuoto.bin", 0}, {"corto.bin", 131}, {"buono.bin", 195}})
        ASSERT_TRUE(scriviFile(cartella.filePath(nome), QByteArray(n, '\0'), false)
                        .isEmpty()); // 195: 3 reports
    const struct {
        const char* argomenti; // "@name" is that file in the folder
        int codice;
        const char* messaggio;
    } casi[] = {
        {"@mancante.bin", 1, "cannot read"},
        {"@vuoto.bin", 1, "empty"},
        {"--link hid @corto.bin", 1, "not"},
        {"--link hid -o @no/such/folder/t.csv @buono.bin", 1, "cannot write"},
        {"--frobnicate @buono.bin", 2, "frobnicate"},
        {"--link usb @buono.bin", 2, "--link"},
        {"--board-type 4 @buono.bin", 2, "--board-type"},
        {"--min-displacement ten @buono.bin", 2, "--min-displacement"},
        {"--vel-max -5 @buono.bin", 2, "--vel-max"},
        {"--locale fr @buono.bin", 2, "--locale"},
        {"", 2, "no stream"},
        {"@buono.bin @buono.bin", 2, "one stream"},
    };
    for (const auto& c : casi) {
        QStringList argomenti = QString::fromLatin1(c.argomenti).split(' ', Qt::SkipEmptyParts);
        for (QString& a : argomenti)
            if (a.startsWith('@'))
                a = cartella.filePath(a.mid(1));
        const Uscita u = analizza(argomenti); // the same stream: serial to stdout, HID to files
        EXPECT_EQ(u.codice, c.codice) << c.argomenti;
        EXPECT_TRUE(u.err.contains(c.messaggio)) << c.argomenti << ": " << u.err.constData();
        EXPECT_TRUE(u.out.isEmpty()) << c.argomenti;
    }

    // A HID capture of still reports is well formed: the header lines and no row.
    const Uscita ok = analizza({"--link", "hid", cartella.filePath("buono.bin")});
    EXPECT_EQ(ok.codice, 0) << ok.err.constData();
    EXPECT_EQ(ok.out.count("\r\n"), 2);
    const Uscita aiuto = analizza({"--help"});
    EXPECT_EQ(aiuto.codice, 0);
    EXPECT_TRUE(aiuto.out.contains("--min-displacement"));
}
