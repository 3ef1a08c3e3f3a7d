#include "device/Protocollo.h"

#include "Aiuti.h"
#include "TestApp.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace kinetra;

namespace {

const QStringList AvvioDati{QStringLiteral("Reset_dati"), QStringLiteral("Azzera_tempi")};
const QString PortaChiusa = QStringLiteral("Operazione valida solo con la porta aperta");

class ProtocolloScheda : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        prot.impostaComponente(comm.get());
        prot.impostaInvioHid([this](const QString& s) { hid << s; });
        prot.impostaAvvioDati([this] { chiamate << AvvioDati[0]; },
                              [this] { chiamate << AvvioDati[1]; });
    }
#ifdef KINETRA_BOARD_SIM
    // kinetra-board-sim as port n; with `apri` the port is opened and the serial link is in use.
    SimulatoreProcesso& scheda(const QStringList& opz, int porta = 1, bool apri = true) {
        simulatori.push_back(std::make_unique<SimulatoreProcesso>(opz));
        if (!opz.contains(QLatin1String("--register")))
            imp.scrivi("Ports", QStringLiteral("Com%1").arg(porta), simulatori.back()->percorso());
        if (apri) {
            comm->setPortOpen(false);
            comm->setCommPort(porta);
            comm->setPortOpen(true);
            stato.Seriale_attiva = true;
        }
        return *simulatori.back();
    }
    bool inAttesa(int n) {
        return attendiFinche([&] { return comm->InBufferCount() >= n; }, 2000);
    }
    std::vector<std::unique_ptr<SimulatoreProcesso>> simulatori;
#endif

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    Stato stato;
    UiRegistrata ui;
    std::unique_ptr<MSComm> comm = std::make_unique<MSComm>(&imp);
    Protocollo prot{stato, imp, ui};
    QStringList hid, chiamate;
};

} // namespace

TEST_F(ProtocolloScheda, withoutALinkTheDefaultsApplyAndAClosedPortIsReportedAndStartsNothing) {
    prot.Leggi_tipo_scheda();
    EXPECT_EQ(stato.Stato_connessione, " non connesso Scheda tipo 0");
    EXPECT_EQ(std::tuple(stato.Fattore_spostamento, stato.Base_tempi),
              std::tuple(1.0f, 8.33333E-05));
    EXPECT_EQ(ui.testi(), MessaggioTipoIgnoto);
    EXPECT_EQ(ui.messaggi[0].titolo, NomeApplicazione);
    prot.Avvia_acquisizione(); // nothing sent or awaited, the data side still runs
    EXPECT_TRUE(stato.Acquisizione_attiva && hid.isEmpty());
    EXPECT_EQ(chiamate, AvvioDati);

    stato.Seriale_attiva = stato.Hid_connesso = true; // commands still reach the HID board
    stato.Stato_connessione = QStringLiteral(" connesso su com1");
    chiamate.clear();
    ui.messaggi.clear();
    prot.Avvia_acquisizione();
    EXPECT_EQ(ui.testi(), PortaChiusa);
    EXPECT_EQ(ui.rilasci, 1);
    EXPECT_FALSE(stato.Acquisizione_attiva);
    EXPECT_TRUE(chiamate.isEmpty());
    prot.Leggi_info_scheda(); // silent
    prot.Leggi_tipo_scheda();
    EXPECT_EQ(stato.Stato_connessione, " connesso su com1");
    prot.Ferma_acquisizione();
    EXPECT_EQ(ui.testi(), PortaChiusa + " | " + PortaChiusa + " | " + PortaChiusa);
    EXPECT_EQ(ui.rilasci, 2);
    EXPECT_EQ(hid.join(' '), "$T $D $T");
}

TEST_F(ProtocolloScheda, theStoredSettingsAreAppliedWithoutOpeningThePort) {
    // A refused value is said and ends the routine: flow control stays as it was (2).
    struct {
        const char *settings, *porta, *attesi;
        int portaAttesa, handshaking;
        size_t messaggi;
    } casi[] = {{"", "", "115200,N,8,1", 1, 0, 0},
                {"19200,N,8,1.5", "3", "19200,N,8,1.5", 3, 0, 0},
                {"9600,o,7,1", "12", "9600,O,7,1", 12, 0, 0},
                {"9600,Q,8,1", "4", "115200,N,8,1", 1, 2, 1},
                {"9600,N,8,1", "999", "9600,N,8,1", 1, 2, 1}};
    for (const auto& c : casi) {
        UiRegistrata u;
        MSComm nuovo(&imp);
        nuovo.setHandshaking(2);
        imp.scrivi("Properties", "Settings", c.settings);
        imp.scrivi("Properties", "CommPort", c.porta);
        Leggi_impostazioni(nuovo, imp, u);
        EXPECT_EQ(nuovo.Settings(), c.attesi) << c.settings;
        EXPECT_EQ(std::tuple(nuovo.CommPort(), nuovo.Handshaking(), nuovo.PortOpen()),
                  std::tuple(c.portaAttesa, c.handshaking, false))
            << c.settings;
        ASSERT_EQ(u.messaggi.size(), c.messaggi) << c.settings;
        EXPECT_TRUE(!c.messaggi || u.messaggi[0].icona == IconaMessaggio::Esclamazione);
    }
}

// The protocol over a real pseudo-terminal, through the serial component.
#ifdef KINETRA_BOARD_SIM

TEST_F(ProtocolloScheda, theBoardTypeAndSetUpAreReadAlsoFromRepliesInPiecesOrWithExtraBytes) {
    // Extra bytes after a reply wait for the next exchange's flush.
    struct {
        const char* opzioni;
        int tipo;
        float mm;
        double ms;
        int msMin, restano, canali, numero, tempo;
    } casi[] = {{"--board-type 1", 1, 1.288f, 0.0002, 0, 0, 5, 2, 1},
                {"--board-type 2 --split-replies 120", 2, 1.0f, 0.0002, 2 * 230, 0, 5, 2, 1},
                {"--board-type 3 --extra-reply-bytes 4", 3, 1.0f, 8.33333E-05, 0, 4, 5, 2, 1},
                {"--board-type 7 --channels 255 --sampling-time 300", 7, 1.0f, 8.33333E-05, 0, 0,
                 255, 8, 300}};
    for (const auto& c : casi) {
        SCOPED_TRACE(c.opzioni);
        scheda(opzioni(c.opzioni));
        ui.messaggi.clear();
        stato.Stato_connessione = QStringLiteral(" connesso su com1");
        QElapsedTimer t;
        t.start();
        prot.Leggi_tipo_scheda();
        inAttesa(c.restano);
        Attendi(50);
        EXPECT_EQ(comm->InBufferCount(), c.restano);
        prot.Leggi_tipo_scheda(); // every query appends its text again
        EXPECT_GE(t.elapsed(), c.msMin);
        EXPECT_EQ(std::tuple(stato.Fattore_spostamento, stato.Base_tempi), std::tuple(c.mm, c.ms));
        EXPECT_EQ(stato.Stato_connessione,
                  QStringLiteral(" connesso su com1 Scheda tipo %1 Scheda tipo %1").arg(c.tipo));
        EXPECT_EQ(ui.testi(), c.tipo > 3 ? MessaggioTipoIgnoto + " | " + MessaggioTipoIgnoto : "");
        prot.Leggi_info_scheda();
        EXPECT_EQ(
            std::tuple(stato.Canali_abilitati, stato.Numero_canali, stato.Tempo_campionamento),
            std::tuple(c.canali, c.numero, c.tempo));
        EXPECT_EQ(comm->InBufferCount(), 0);
    }
}

TEST_F(ProtocolloScheda, aBoardThatIsOffStopsTheStartAndAComponentDestroyedInAWaitDoesNoHarm) {
    SimulatoreProcesso& sim = scheda(opzioni("--silent"));
    QElapsedTimer t;
    t.start();
    prot.Avvia_acquisizione();
    EXPECT_GE(t.elapsed(), 980);
    EXPECT_LE(t.elapsed(), 1600);
    EXPECT_EQ(ui.testi(), "Apparato non collegato o spento!");
    EXPECT_EQ(ui.messaggi[0].icona, IconaMessaggio::Critica);
    EXPECT_EQ(ui.messaggi[0].titolo, "Kinetra");
    EXPECT_EQ(ui.rilasci, 1);
    EXPECT_FALSE(stato.Acquisizione_attiva || stato.Ricezione_attiva || !chiamate.isEmpty());
    Attendi(50); // time for a start command to arrive, if one were sent
    EXPECT_TRUE(sim.registro().contains("received $T")) << sim.registro();
    EXPECT_FALSE(sim.registro().contains("$F")) << sim.registro();

    // No set-up reply changes nothing and says nothing.
    stato.Timeout_risposta = 300;
    stato.Canali_abilitati = stato.Numero_canali = stato.Tempo_campionamento = -1;
    prot.Leggi_info_scheda();
    EXPECT_EQ(std::tuple(stato.Canali_abilitati, stato.Numero_canali, stato.Tempo_campionamento),
              std::tuple(-1, -1, -1));
    EXPECT_EQ(ui.messaggi.size(), 1u);

    stato.Ricezione_attiva = true;
    QTimer::singleShot(100, [&] { comm.reset(); });
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Ricezione_attiva);
    prot.Avvia_acquisizione(); // later exchanges see a closed port
    EXPECT_EQ(ui.messaggi.size(), 3u);
    EXPECT_FALSE(stato.Acquisizione_attiva);
}

TEST_F(ProtocolloScheda, aLateReplyWaitsForTheNextFlushAndAnExchangeInsideAWaitEndsBoth) {
    scheda(opzioni("--board-type 2 --reply-delay 400"));
    stato.Timeout_risposta = 300; // shorter than the board's delay
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_GE(t.elapsed(), 290);
    EXPECT_LE(t.elapsed(), 550);
    EXPECT_EQ(ui.testi(), "Indice non compreso nell'intervallo");
    EXPECT_EQ(stato.Stato_connessione, " non connesso"); // no type taken
    EXPECT_FALSE(stato.Ricezione_attiva);
    EXPECT_TRUE(inAttesa(3));
    prot.Svuota_ricezione();
    EXPECT_EQ(comm->InBufferCount(), 0);

    stato.Timeout_risposta = 1000;
    stato.Ricezione_attiva = true;
    bool interna = false;
    QTimer::singleShot(100, [&] {
        prot.Leggi_tipo_scheda();
        interna = true;
    });
    t.restart();
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(interna && stato.Ricezione_attiva && !prot.Timer_Seriale.isActive());
    EXPECT_LT(t.elapsed(), 2300);
    // The inner exchange took the first reply; the outer one ended with it.
    EXPECT_TRUE(stato.Stato_connessione.contains("Scheda tipo 2"));
    Attendi(600);
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Stato_connessione.endsWith(" Scheda tipo 2"));
}

TEST_F(ProtocolloScheda, theSearchSkipsPortsWithoutTheBoardThenStartAndStopDriveItsStream) {
    // Com1: no device; Com2: a board that is off; Com3: a wrong identity; Com4: the board,
    // registered by the simulator itself for its lifetime.
    imp.scrivi("Ports", "Com1", dir.filePath("nessuno"));
    scheda(opzioni("--silent"), 2, false);
    scheda(opzioni("--identity ?yes"), 3, false);
    SimulatoreProcesso& sim =
        scheda(opzioni("--rate 4 --register 4 --settings-file") << dir.filePath("k.ini"), 4, false);
    EXPECT_EQ(imp.dispositivoPorta(4), sim.percorso());
    std::vector<std::tuple<QString, qint64, bool, QString>> passi; // text, ms, in use, stored
    QElapsedTimer t;
    t.start();
    stato.Stato_connessione = QStringLiteral(" non connesso");
    EXPECT_EQ(prot.Cerca_porta([&](const QString& s) {
        passi.emplace_back(s, t.elapsed(), stato.Seriale_attiva, imp.portaSeriale());
    }),
              4);
    ASSERT_EQ(passi.size(), 4u);
    // A board that is off costs about 1.5 s; a wrong identity is refused once the line settled.
    const qint64 costo[][2] = {{0, 300}, {1450, 2600}, {480, 1300}};
    for (int i = 0; i < 3; ++i) {
        const qint64 ms = std::get<1>(passi[i + 1]) - std::get<1>(passi[i]);
        EXPECT_TRUE(ms >= costo[i][0] && ms <= costo[i][1]) << i + 1 << ": " << ms;
    }
    for (size_t i = 0; i < passi.size(); ++i) { // a failed probe stores nothing
        const auto& [testo, ms, inUso, salvata] = passi[i];
        EXPECT_EQ(testo, QStringLiteral("Connessione a com%1").arg(i + 1));
        EXPECT_TRUE(!inUso && salvata.isEmpty()) << testo;
    }
    EXPECT_TRUE(stato.Seriale_attiva && comm->PortOpen() && ui.messaggi.empty());
    EXPECT_EQ(std::tuple(stato.Timeout_risposta, comm->CommPort()), std::tuple(500, 4));
    EXPECT_EQ(imp.portaSeriale(), "4");
    EXPECT_EQ(stato.Stato_connessione, " connesso su com4");
    prot.Leggi_tipo_scheda(); // the link in use works at once
    EXPECT_TRUE(stato.Stato_connessione.endsWith(" Scheda tipo 1"));

    int eventi = 0;
    QObject::connect(comm.get(), &MSComm::OnComm,
                     [&] { eventi += stato.Ricezione_attiva && stato.Acquisizione_attiva; });
    prot.Avvia_acquisizione();
    EXPECT_TRUE(ui.messaggi.empty());
    EXPECT_TRUE(stato.Acquisizione_attiva && stato.Ricezione_attiva && stato.Traccia_attiva);
    // 12-byte binary batches.
    EXPECT_EQ(std::tuple(comm->InputMode(), comm->RThreshold(), comm->InputLen()),
              std::tuple(1, 12, 12));
    EXPECT_EQ(chiamate, AvvioDati);
    EXPECT_TRUE(attendiFinche([&] { return eventi >= 3; }, 2000)); // frames reach the receiver
    prot.Ferma_acquisizione();
    EXPECT_FALSE(stato.Acquisizione_attiva || prot.Timer_Seriale.isActive());
    EXPECT_TRUE(stato.Ricezione_attiva); // given back by the reply wait
    EXPECT_EQ(ui.rilasci, 1);
    const QString registro = sim.ferma();
    EXPECT_GT(registro.indexOf("$F"), registro.indexOf("$T"));
    EXPECT_EQ(registro.count("kinetra-board-sim: $T"), 2) << registro;
    EXPECT_EQ(imp.dispositivoPorta(4), "");

    // With no port to open, the link used before is out of use and nothing is stored.
    for (int n = 1; n <= 30; ++n)
        imp.scrivi("Ports", QStringLiteral("Com%1").arg(n), dir.filePath("-"));
    imp.scrivi("Properties", "CommPort", "");
    int didascalie = 0;
    EXPECT_EQ(prot.Cerca_porta([&](const QString&) { ++didascalie; }), 0);
    EXPECT_EQ(didascalie, 30);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(imp.portaSeriale(), "");
}

#endif
