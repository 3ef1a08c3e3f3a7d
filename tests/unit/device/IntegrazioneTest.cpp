// Whole acquisitions: the board's stream received by the device link and processed by the
// engine gives the table that kinetra-analyze gives on the board's own recording (POSIX).

#include "acquisition/Analisi.h"
#include "acquisition/MotoreAcquisizione.h"
#include "athlete/EsportazioneCsv.h"
#include "device/CollegamentoHid.h"
#include "device/Protocollo.h"
#include "sim/SchedaHidSimulata.h"

#include "SimulatoreProcesso.h"
#include "TestApp.h"
#include "UiRegistrata.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace kinetra;

namespace {

const QLocale Italiano(QLocale::Italian, QLocale::Italy);

// The table lines of a repetitions file, without its first line (the time of writing).
QStringList righeTabella(const QByteArray& file) {
    QStringList righe = QString::fromLatin1(file).split(QStringLiteral("\r\n"));
    if (!righe.isEmpty())
        righe.removeFirst();
    return righe;
}

QStringList analizza(const QString& registrazione, const QString& link, int tipo) {
    QProcess p;
    p.start(QStringLiteral(KINETRA_ANALYZE),
            {QStringLiteral("--link"), link, QStringLiteral("--board-type"), QString::number(tipo),
             QStringLiteral("--locale"), QStringLiteral("it"), registrazione});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return righeTabella(p.readAllStandardOutput());
}

// The program's side of an acquisition: state, engine, serial component, protocol.
class Programma {
public:
    explicit Programma(Impostazioni& imp) : comm(&imp), prot(stato, imp, ui) {
        stato.Dati_esercizio.Ampiezza_minima = 100; // kinetra-analyze's default
        stato.Memo_attivo = true;
        prot.impostaComponente(&comm);
        prot.impostaAvvioDati([this] { motore.Reset_dati(); }, [this] { motore.Azzera_tempi(); });
        QObject::connect(&comm, &MSComm::OnComm, [this] { motore.OnComm(comm); });
    }
    QStringList tabella() const {
        return righeTabella(
            contenutoFileDati(vista.colonne(), stato, Italiano, QDateTime::currentDateTime()));
    }

    Stato stato;
    UiRegistrata ui;
    VistaTabella vista{stato, Italiano};
    MotoreAcquisizione motore{stato, vista};
    MSComm comm;
    Protocollo prot;
};

class AcquisizioneCompleta : public ::testing::Test {
protected:
    void SetUp() override { testApp(); }
    QString file(const QString& nome) const { return dir.filePath(nome); }

    // A set streamed by kinetra-board-sim; returns the program once the acquisition is stopped.
    std::unique_ptr<Programma> seriale(int tipo, const QString& rate, const QStringList& altro,
                                       const QString& registrazione) {
        SimulatoreProcesso sim(
            QStringList{QStringLiteral("--board-type"), QString::number(tipo),
                        QStringLiteral("--rate"), rate, QStringLiteral("--record"), registrazione,
                        QStringLiteral("--reps"), QStringLiteral("3"), QStringLiteral("--range"),
                        QStringLiteral("400"), QStringLiteral("--velocity"), QStringLiteral("600"),
                        QStringLiteral("--eccentric"), QStringLiteral("500"),
                        QStringLiteral("--noise"), QStringLiteral("0.2")} +
            altro);
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com1"), sim.percorso());
        auto p = std::make_unique<Programma>(imp);
        p->comm.setCommPort(1);
        p->comm.setPortOpen(true);
        p->stato.Seriale_attiva = true;
        p->prot.Leggi_tipo_scheda();
        p->prot.Avvia_acquisizione();
        EXPECT_TRUE(p->stato.Acquisizione_attiva);
        // Until the set is out and a few still frames followed, or the line went away.
        attendiFinche(
            [&] {
                return sim.registro().contains(QLatin1String("set sent")) || !p->comm.PortOpen();
            },
            60000);
        Attendi(300);
        const int campioni = p->stato.N_campioni;
        p->prot.Ferma_acquisizione();
        EXPECT_EQ(p->stato.N_campioni, campioni); // stopping keeps what was stored
        sim.ferma();
        return p;
    }

    QTemporaryDir dir;
    Impostazioni imp{file(QStringLiteral("k.ini"))};
};

} // namespace

TEST_F(AcquisizioneCompleta, aSetStreamedInRealTimeOverTheSerialLinkGivesTheAnalysersTable) {
    const QString registrazione = file(QStringLiteral("seriale.bin"));
    QElapsedTimer t;
    t.start();
    auto p = seriale(1, QStringLiteral("1"), {}, registrazione);
    EXPECT_GE(t.elapsed(), 8000); // the set lasts about 9 s
    const QStringList tabella = p->tabella();
    // Header, rows, the empty end of the last line. Which rises become rows is the engine's
    // business; here the rows must be there and agree with the analyser's.
    EXPECT_GE(tabella.size(), 1 + 2 + 1) << tabella.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(tabella, analizza(registrazione, QStringLiteral("serial"), 1));
    EXPECT_TRUE(p->ui.messaggi.empty());
}

TEST_F(AcquisizioneCompleta, fasterSetsOfEveryBoardTypeAndFaultyStreamsMatchTheAnalyserToo) {
    struct {
        int tipo;
        QStringList opzioni;
        int righeMin;
    } casi[] = {
        {2, {}, 2},
        {3, {}, 2},
        // A byte lost mid-stream shifts every later frame, in the program as in the analyser.
        {1, {QStringLiteral("--drop-byte"), QStringLiteral("1501")}, 0},
        {1, {QStringLiteral("--garbage"), QStringLiteral("2000:5")}, 0},
    };
    int n = 0;
    for (const auto& c : casi) {
        const QString registrazione = file(QStringLiteral("veloce%1.bin").arg(n++));
        auto p = seriale(c.tipo, QStringLiteral("8"), c.opzioni, registrazione);
        const QStringList tabella = p->tabella();
        EXPECT_GE(tabella.size(), 1 + c.righeMin + 1);
        EXPECT_EQ(tabella, analizza(registrazione, QStringLiteral("serial"), c.tipo))
            << c.opzioni.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(p->ui.messaggi.empty());
    }
}

TEST_F(AcquisizioneCompleta, aBoardThatHangsUpMidSetKeepsTheStoredSamplesAndNeverFreezes) {
    const QString registrazione = file(QStringLiteral("riaggancio.bin"));
    QElapsedTimer t;
    t.start();
    auto p = seriale(1, QStringLiteral("8"),
                     {QStringLiteral("--hangup-after"), QStringLiteral("1800")}, registrazione);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(p->comm.PortOpen());
    EXPECT_GT(p->stato.N_campioni, 0);
    // The stop could not reach the board: said once, nothing else lost.
    ASSERT_EQ(p->ui.messaggi.size(), 1u);
    EXPECT_EQ(p->ui.messaggi[0].testo, QLatin1String("Operazione valida solo con la porta aperta"));
    EXPECT_EQ(p->tabella(), analizza(registrazione, QStringLiteral("serial"), 1));
}

TEST_F(AcquisizioneCompleta, aSetStreamedInRealTimeByTheSimulatedHidBoardGivesTheAnalysersTable) {
    sim::SetSpec set;
    set.noise = 0.2;
    set.repetitions.assign(3, sim::RepetitionSpec{400, 600, 500, 0.5, 0.3});
    const sim::BoardModel modello(set, 2, sim::Link::Hid);
    sim::SchedaHidSimulata scheda(modello, 1.0);
    const QString registrazione = file(QStringLiteral("hid.bin"));
    scheda.registraIn(registrazione);

    Programma p(imp);
    CollegamentoHid hid(p.stato, scheda, p.ui);
    hid.impostaRicevitore(
        [&](const std::function<bool(std::uint8_t*)>& leggi) { p.motore.OnRead(leggi); });
    p.prot.impostaInvioHid([&](const QString& s) { hid.HID_invia_stringa(s); });
    FinestraHid finestra;
    hid.Collega_hid(&finestra);
    Attendi(100);
    ASSERT_TRUE(p.stato.Hid_connesso);
    p.prot.Leggi_tipo_scheda();
    EXPECT_EQ(p.stato.Base_tempi, 0.0002);
    QElapsedTimer t;
    t.start();
    p.prot.Avvia_acquisizione();
    ASSERT_TRUE(p.stato.Acquisizione_attiva);
    attendiFinche([&] { return t.elapsed() > modello.durationS() * 1000 + 300; }, 60000);
    p.prot.Ferma_acquisizione();
    Attendi(50);
    EXPECT_GT(p.stato.N_campioni, 1000);
    const QStringList tabella = p.tabella();
    EXPECT_GE(tabella.size(), 1 + 2 + 1) << tabella.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(tabella, analizza(registrazione, QStringLiteral("hid"), 2));
    EXPECT_TRUE(p.ui.messaggi.empty());
}
