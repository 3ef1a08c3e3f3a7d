// Whole sets: the board's stream, received by the device link and processed by the engine,
// gives the table kinetra-analyze gives on the board's own recording.

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

#include <memory>

#include <gtest/gtest.h>

using namespace kinetra;

namespace {

const QLocale Italiano(QLocale::Italian, QLocale::Italy);

// The table lines of a repetitions file, without its first line (the time of writing).
QStringList righeTabella(const QByteArray& file) {
    return QString::fromLatin1(file).split(QStringLiteral("\r\n")).mid(1);
}

QStringList analizza(const QString& registrazione, const char* link, int tipo) {
    QProcess p;
    p.start(KINETRA_ANALYZE, opzioni("--locale it --link")
                                 << link << "--board-type" << QString::number(tipo)
                                 << registrazione);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return righeTabella(p.readAllStandardOutput());
}

// The program's side of an acquisition: state, engine, serial component, protocol.
struct Programma {
    explicit Programma(Impostazioni& imp) : comm(&imp), prot(stato, imp, ui) {
        stato.Dati_esercizio.Ampiezza_minima = 100; // kinetra-analyze's default
        stato.Memo_attivo = true;
        prot.impostaComponente(&comm);
        prot.impostaAvvioDati([this] { motore.Reset_dati(); }, [this] { motore.Azzera_tempi(); });
        QObject::connect(&comm, &MSComm::OnComm, [this] { motore.OnComm(comm); });
    }
    // The table equals the analyser's, with a header, at least `righe` rows and an empty end.
    void confronta(const QString& registrazione, const char* link, int tipo, int righe) {
        const QStringList tabella = righeTabella(
            contenutoFileDati(vista.colonne(), stato, Italiano, QDateTime::currentDateTime()));
        EXPECT_GE(tabella.size(), 2 + righe) << tabella.join('\n').toStdString();
        EXPECT_EQ(tabella, analizza(registrazione, link, tipo));
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

TEST_F(AcquisizioneCompleta, setsStreamedOverEitherLinkGiveTheAnalysersTable) {
    // Sets of about 9 s in real time and faster; a lost byte or garbage shifts the later frames
    // in the program as in the analyser; a hang-up keeps what was stored.
    struct {
        int tipo;
        const char* opzioni;
        int righe, msMin, msMax;
    } casi[] = {{1, "--rate 1", 2, 8000, 60000},
                {3, "--rate 8", 2, 0, 60000},
                {1, "--rate 8 --drop-byte 1501", 0, 0, 60000},
                {1, "--rate 8 --garbage 2000:5", 0, 0, 60000},
                {1, "--rate 8 --hangup-after 1800", 0, 0, 5000},
                {2, "hid", 2, 8000, 60000}};
    for (const auto& c : casi) {
        SCOPED_TRACE(c.opzioni);
        const bool viaHid = c.tipo == 2, riaggancia = QByteArray(c.opzioni).contains("hangup");
        const QString registrazione = dir.filePath(QStringLiteral("%1.bin").arg(&c - casi));
        Programma p(imp);
        std::unique_ptr<SimulatoreProcesso> processo;
        sim::SetPlan piano;
        piano.noise = 0.2;
        piano.repetitions.assign(3, sim::RepetitionPlan{400, 600, 500, 0.5, 0.3});
        const sim::BoardModel modello(piano, 2, sim::Link::Hid);
        sim::SchedaHidSimulata scheda(modello, 1.0);
        CollegamentoHid hid(p.stato, scheda, p.ui);
        FinestraHid finestra;
        if (viaHid) {
            scheda.registraIn(registrazione);
            hid.impostaRicevitore([&](const auto& leggi) { p.motore.OnRead(leggi); });
            p.prot.impostaInvioHid([&](const QString& s) { hid.HID_invia_stringa(s); });
            hid.Collega_hid(&finestra);
            Attendi(100);
            ASSERT_TRUE(p.stato.Hid_connesso);
        } else {
            processo = std::make_unique<SimulatoreProcesso>(
                opzioni(c.opzioni) + opzioni("--reps 3 --range 400 --velocity 600 --eccentric 500 "
                                             "--noise 0.2 --board-type")
                << QString::number(c.tipo) << "--record" << registrazione);
            imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com1"), processo->percorso());
            p.comm.setCommPort(1);
            p.comm.setPortOpen(true);
            p.stato.Seriale_attiva = true;
        }
        QElapsedTimer t;
        t.start();
        p.prot.Leggi_tipo_scheda();
        p.prot.Avvia_acquisizione();
        EXPECT_TRUE(p.stato.Acquisizione_attiva);
        // Until the set is out and a few still frames followed, or the line went away.
        attendiFinche(
            [&] {
                return viaHid ? t.elapsed() > modello.durationS() * 1000
                              : processo->registro().contains("set sent") || !p.comm.PortOpen();
            },
            60000);
        Attendi(300);
        const int campioni = p.stato.N_campioni;
        p.prot.Ferma_acquisizione();
        EXPECT_EQ(p.stato.N_campioni, campioni) << "stopping keeps what was stored";
        if (processo)
            processo->ferma();
        EXPECT_GE(t.elapsed(), c.msMin);
        EXPECT_LT(t.elapsed(), c.msMax);
        p.confronta(registrazione, viaHid ? "hid" : "serial", c.tipo, c.righe);
        // A stop that cannot reach the board is said once; nothing else is lost.
        EXPECT_EQ(p.ui.testi(), riaggancia ? "Operazione valida solo con la porta aperta" : "");
        EXPECT_EQ(p.comm.PortOpen(), !riaggancia && !viaHid);
        EXPECT_GT(p.stato.N_campioni, viaHid ? 1000 : 0);
    }
}
