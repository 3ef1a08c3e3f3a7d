// Whole acquisitions: the board's stream received by the device link and processed by the
// engine gives the table that kinetra-analyze gives on the board's own recording (POSIX).

#include "acquisition/Analisi.h"
#include "acquisition/MotoreAcquisizione.h"
#include "athlete/EsportazioneCsv.h"
#include "device/CollegamentoHid.h"
#include "device/Protocollo.h"
#include "sim/SchedaHidSimulata.h"

#include "Aiuti.h"
#include "TestApp.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kinetra;

namespace {

const QLocale Italiano(QLocale::Italian, QLocale::Italy);

// The table lines of a repetitions file, without its first line (the time of writing).
QStringList righeTabella(const QByteArray& file) {
    return QString::fromLatin1(file).split(QStringLiteral("\r\n")).mid(1);
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

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
};

} // namespace

TEST_F(AcquisizioneCompleta, setsStreamedOverTheSerialLinkGiveTheAnalysersTable) {
    // A set of about 9 s, in real time and faster (type 2 runs over HID below); a lost byte or
    // garbage shifts the later frames in the program as in the analyser; a hang-up keeps what
    // was stored.
    struct {
        int tipo;
        const char* opzioni;
        int righeMin, msMin, msMax;
        bool riaggancia;
    } casi[] = {{1, "--rate 1", 2, 8000, 60000, false},
                {3, "--rate 8", 2, 0, 60000, false},
                {1, "--rate 8 --drop-byte 1501", 0, 0, 60000, false},
                {1, "--rate 8 --garbage 2000:5", 0, 0, 60000, false},
                {1, "--rate 8 --hangup-after 1800", 0, 0, 5000, true}};
    for (const auto& c : casi) {
        const QString registrazione = dir.filePath(QStringLiteral("%1.bin").arg(&c - casi));
        SimulatoreProcesso sim(opzioni(c.opzioni) + opzioni("--reps 3 --range 400 --velocity 600 "
                                                            "--eccentric 500 --noise 0.2")
                               << QStringLiteral("--board-type") << QString::number(c.tipo)
                               << QStringLiteral("--record") << registrazione);
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com1"), sim.percorso());
        QElapsedTimer t;
        t.start();
        Programma p(imp);
        p.comm.setCommPort(1);
        p.comm.setPortOpen(true);
        p.stato.Seriale_attiva = true;
        p.prot.Leggi_tipo_scheda();
        p.prot.Avvia_acquisizione();
        EXPECT_TRUE(p.stato.Acquisizione_attiva) << c.opzioni;
        // Until the set is out and a few still frames followed, or the line went away.
        attendiFinche(
            [&] {
                return sim.registro().contains(QLatin1String("set sent")) || !p.comm.PortOpen();
            },
            60000);
        Attendi(300);
        const int campioni = p.stato.N_campioni;
        p.prot.Ferma_acquisizione();
        EXPECT_EQ(p.stato.N_campioni, campioni) << "stopping keeps what was stored";
        sim.ferma();
        EXPECT_GE(t.elapsed(), c.msMin) << c.opzioni;
        EXPECT_LT(t.elapsed(), c.msMax) << c.opzioni;
        const QStringList tabella = p.tabella();
        EXPECT_GE(tabella.size(), 1 + c.righeMin + 1) << c.opzioni; // header, rows, empty end
        EXPECT_EQ(tabella, analizza(registrazione, QStringLiteral("serial"), c.tipo)) << c.opzioni;
        if (c.riaggancia) {
            // The stop could not reach the board: said once, nothing else lost.
            EXPECT_FALSE(p.comm.PortOpen());
            EXPECT_GT(p.stato.N_campioni, 0);
            ASSERT_EQ(p.ui.messaggi.size(), 1u);
            EXPECT_EQ(p.ui.messaggi[0].testo,
                      QLatin1String("Operazione valida solo con la porta aperta"));
        } else {
            EXPECT_TRUE(p.ui.messaggi.empty()) << c.opzioni;
        }
    }
}

TEST_F(AcquisizioneCompleta, aSetStreamedInRealTimeByTheSimulatedHidBoardGivesTheAnalysersTable) {
    sim::SetPlan set;
    set.noise = 0.2;
    set.repetitions.assign(3, sim::RepetitionPlan{400, 600, 500, 0.5, 0.3});
    const sim::BoardModel modello(set, 2, sim::Link::Hid);
    sim::SchedaHidSimulata scheda(modello, 1.0);
    const QString registrazione = dir.filePath(QStringLiteral("hid.bin"));
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
