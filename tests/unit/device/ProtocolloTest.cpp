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

using namespace kinetra;

namespace {

class ProtocolloScheda : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        prot.impostaComponente(comm.get());
        prot.impostaInvioHid([this](const QString& s) { hid << s; });
        prot.impostaAvvioDati([this] { chiamate << QStringLiteral("Reset_dati"); },
                              [this] { chiamate << QStringLiteral("Azzera_tempi"); });
    }

#ifdef KINETRA_BOARD_SIM
    // kinetra-board-sim on port n; with `apri` the port is opened and the serial link is in use.
    SimulatoreProcesso& scheda(const char* opz, int porta = 1, bool apri = true) {
        if (comm->PortOpen())
            comm->setPortOpen(false);
        simulatori.push_back(std::make_unique<SimulatoreProcesso>(opzioni(opz)));
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(porta),
                   simulatori.back()->percorso());
        if (apri) {
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
    QStringList hid;
    QStringList chiamate;
};

} // namespace

TEST_F(ProtocolloScheda, aSerialLinkWithItsPortClosedIsReportedAndStartsNothing) {
    stato.Seriale_attiva = stato.Hid_connesso = true; // commands still reach the HID board
    stato.Stato_connessione = QStringLiteral(" connesso su com1");

    prot.Avvia_acquisizione();
    ASSERT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(ui.messaggi[0].testo, QLatin1String("Operazione valida solo con la porta aperta"));
    EXPECT_EQ(ui.rilasci, 1);
    EXPECT_FALSE(stato.Acquisizione_attiva);
    EXPECT_TRUE(chiamate.isEmpty());

    prot.Leggi_info_scheda(); // silent
    EXPECT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(comm->InputLen(), 0);

    prot.Leggi_tipo_scheda();
    EXPECT_EQ(ui.messaggi.size(), 2u);
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" connesso su com1"));

    prot.Ferma_acquisizione();
    EXPECT_EQ(ui.messaggi.size(), 3u);
    EXPECT_EQ(ui.rilasci, 2);
    EXPECT_EQ(hid, QStringList() << QStringLiteral("$T") << QStringLiteral("$D")
                                 << QStringLiteral("$T"));
}

TEST_F(ProtocolloScheda, withoutAnyLinkTheTypeIsZeroAndTheDefaultIsAnnounced) {
    prot.Leggi_tipo_scheda();
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" non connesso Scheda tipo 0"));
    EXPECT_EQ(stato.Fattore_spostamento, 1.0f);
    EXPECT_EQ(stato.Base_tempi, 8.33333E-05);
    ASSERT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(ui.messaggi[0].testo, MessaggioTipoIgnoto);
    EXPECT_EQ(ui.messaggi[0].titolo, NomeApplicazione);

    // The start without a link: nothing is sent, nothing awaited, the data side still runs.
    prot.Avvia_acquisizione();
    EXPECT_TRUE(stato.Acquisizione_attiva);
    EXPECT_TRUE(hid.isEmpty());
    EXPECT_EQ(chiamate,
              (QStringList{QStringLiteral("Reset_dati"), QStringLiteral("Azzera_tempi")}));
}

TEST_F(ProtocolloScheda, theStoredSettingsAreAppliedWithoutOpeningThePort) {
    // A refused value is said and ends the routine: flow control stays as it was (2).
    struct {
        const char* settings;
        const char* porta;
        const char* attesi;
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
        imp.scrivi(QStringLiteral("Properties"), QStringLiteral("Settings"),
                   QString::fromLatin1(c.settings));
        imp.scrivi(QStringLiteral("Properties"), QStringLiteral("CommPort"),
                   QString::fromLatin1(c.porta));
        Leggi_impostazioni(nuovo, imp, u);
        EXPECT_EQ(nuovo.Settings(), QLatin1String(c.attesi)) << c.settings;
        EXPECT_EQ(nuovo.CommPort(), c.portaAttesa) << c.settings;
        EXPECT_EQ(nuovo.Handshaking(), c.handshaking) << c.settings;
        EXPECT_FALSE(nuovo.PortOpen());
        ASSERT_EQ(u.messaggi.size(), c.messaggi) << c.settings;
        if (c.messaggi) {
            EXPECT_EQ(u.messaggi[0].icona, IconaMessaggio::Esclamazione);
        }
    }
}

// The protocol over a real pseudo-terminal, through the serial component.
#ifdef KINETRA_BOARD_SIM

TEST_F(ProtocolloScheda, theBoardTypeSelectsTheScaleAlsoFromAReplyInPieces) {
    // Extra bytes after a reply wait for the next exchange's flush.
    struct {
        const char* opzioni;
        int tipo;
        float mm;
        double ms;
        int msMin, restano;
    } casi[] = {{"--board-type 1", 1, 1.288f, 0.0002, 0, 0},
                {"--board-type 2 --split-replies 120", 2, 1.0f, 0.0002, 2 * 230, 0},
                {"--board-type 3 --extra-reply-bytes 4", 3, 1.0f, 8.33333E-05, 0, 4},
                {"--board-type 7", 7, 1.0f, 8.33333E-05, 0, 0}};
    for (const auto& c : casi) {
        scheda(c.opzioni);
        ui.messaggi.clear();
        stato.Stato_connessione = QStringLiteral(" connesso su com1");
        QElapsedTimer t;
        t.start();
        prot.Leggi_tipo_scheda();
        inAttesa(c.restano);
        Attendi(50);
        EXPECT_EQ(comm->InBufferCount(), c.restano) << c.opzioni;
        prot.Leggi_tipo_scheda(); // every query appends its text again
        EXPECT_GE(t.elapsed(), c.msMin) << c.opzioni;
        EXPECT_EQ(stato.Fattore_spostamento, c.mm) << c.opzioni;
        EXPECT_EQ(stato.Base_tempi, c.ms) << c.opzioni;
        EXPECT_EQ(stato.Stato_connessione,
                  QStringLiteral(" connesso su com1 Scheda tipo %1 Scheda tipo %1").arg(c.tipo));
        ASSERT_EQ(ui.messaggi.size(), c.tipo > 3 ? 2u : 0u) << c.opzioni;
        if (c.tipo > 3) {
            EXPECT_EQ(ui.messaggi[0].testo, MessaggioTipoIgnoto);
        }
    }
}

TEST_F(ProtocolloScheda, theSetUpQueryReadsChannelsAndSamplingTime) {
    stato.Timeout_risposta = 300;
    struct {
        const char* opzioni;
        int canali, numero, tempo; // -1: no answer changes nothing
    } casi[] = {{"", 5, 2, 1},
                {"--channels 255 --sampling-time 300", 255, 8, 300},
                {"--silent", -1, -1, -1}};
    for (const auto& c : casi) {
        scheda(c.opzioni);
        stato.Canali_abilitati = stato.Numero_canali = stato.Tempo_campionamento = -1;
        prot.Leggi_info_scheda();
        EXPECT_EQ(stato.Canali_abilitati, c.canali) << c.opzioni;
        EXPECT_EQ(stato.Numero_canali, c.numero) << c.opzioni;
        EXPECT_EQ(stato.Tempo_campionamento, c.tempo) << c.opzioni;
        EXPECT_TRUE(ui.messaggi.empty());
        EXPECT_EQ(comm->InBufferCount(), 0);
    }
}

TEST_F(ProtocolloScheda, theProbeRefusesAWrongIdentityAndLeavesTheSerialLinkOutOfUse) {
    scheda("--identity ?yes", 2, false); // the exact identity is found by the search below
    comm->setCommPort(2);
    stato.Stato_connessione = QStringLiteral(" non connesso");
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(prot.Verifica_porta());
    EXPECT_GE(t.elapsed(), 480); // the line settles first
    EXPECT_LE(t.elapsed(), 1300);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(stato.Timeout_risposta, 500);
    EXPECT_TRUE(comm->PortOpen());
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" non connesso"));
    EXPECT_EQ(imp.portaSeriale(), QString());
    EXPECT_TRUE(ui.messaggi.empty());
}

TEST_F(ProtocolloScheda, aLateReplyTimesOutAndStaysInTheBufferUntilTheNextFlush) {
    scheda("--board-type 1 --reply-delay 1700");
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_GE(t.elapsed(), 980);
    EXPECT_LE(t.elapsed(), 1600);
    ASSERT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(ui.messaggi[0].testo, QLatin1String("Indice non compreso nell'intervallo"));
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" non connesso")); // no type taken
    EXPECT_FALSE(stato.Ricezione_attiva);
    EXPECT_TRUE(inAttesa(3));
    prot.Svuota_ricezione();
    EXPECT_EQ(comm->InBufferCount(), 0);
}

TEST_F(ProtocolloScheda, theStartWithNoBoardPoweredSaysSoAndSendsNoStartCommand) {
    SimulatoreProcesso& sim = scheda("--silent");
    QElapsedTimer t;
    t.start();
    prot.Avvia_acquisizione();
    EXPECT_GE(t.elapsed(), 980);
    EXPECT_LE(t.elapsed(), 1600);
    ASSERT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(ui.messaggi[0].testo, QLatin1String("Apparato non collegato o spento!"));
    EXPECT_EQ(ui.messaggi[0].icona, IconaMessaggio::Critica);
    EXPECT_EQ(ui.messaggi[0].titolo, QLatin1String("Kinetra"));
    EXPECT_EQ(ui.rilasci, 1);
    EXPECT_FALSE(stato.Acquisizione_attiva);
    EXPECT_FALSE(stato.Ricezione_attiva);
    EXPECT_TRUE(chiamate.isEmpty());
    Attendi(50);
    const QString registro = sim.ferma();
    EXPECT_TRUE(registro.contains(QLatin1String("received $T"))) << registro.toStdString();
    EXPECT_FALSE(registro.contains(QLatin1String("$F"))) << registro.toStdString();
}

TEST_F(ProtocolloScheda, startAndStopDriveTheStreamAndArmTheReceiver) {
    SimulatoreProcesso& sim = scheda("--rate 4");
    int eventi = 0;
    QObject::connect(comm.get(), &MSComm::OnComm,
                     [&] { eventi += stato.Ricezione_attiva && stato.Acquisizione_attiva; });
    prot.Avvia_acquisizione();
    EXPECT_TRUE(ui.messaggi.empty());
    EXPECT_TRUE(stato.Acquisizione_attiva && stato.Ricezione_attiva && stato.Traccia_attiva);
    EXPECT_EQ(comm->InputMode(), 1); // 12-byte batches, binary
    EXPECT_EQ(comm->RThreshold(), 12);
    EXPECT_EQ(comm->InputLen(), 12);
    EXPECT_EQ(chiamate, QStringList()
                            << QStringLiteral("Reset_dati") << QStringLiteral("Azzera_tempi"));
    EXPECT_TRUE(attendiFinche([&] { return eventi >= 3; }, 2000)); // frames reach the receiver

    prot.Ferma_acquisizione();
    EXPECT_FALSE(stato.Acquisizione_attiva);
    EXPECT_TRUE(stato.Ricezione_attiva); // given back by the reply wait
    EXPECT_FALSE(prot.Timer_Seriale.isActive());
    EXPECT_EQ(ui.rilasci, 1);
    const QString registro = sim.ferma();
    EXPECT_GT(registro.indexOf(QLatin1String("$F")), registro.indexOf(QLatin1String("$T")));
    EXPECT_EQ(registro.count(QLatin1String("kinetra-board-sim: $T")), 2) << registro.toStdString();
}

TEST_F(ProtocolloScheda,
       theSearchProbesPortsInTurnAndAPortWithoutBoardCostsAboutOneAndAHalfSeconds) {
    // Com1: no device at all; Com2: a board that is off; Com3: the board.
    imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com1"),
               dir.filePath(QStringLiteral("nessuno")));
    scheda("--silent", 2, false);
    scheda("", 3, false);
    std::vector<std::pair<QString, qint64>> passi;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(prot.Cerca_porta([&](const QString& s) { passi.emplace_back(s, t.elapsed()); }), 3);
    ASSERT_EQ(passi.size(), 3u);
    EXPECT_EQ(passi[0].first, QLatin1String("Connessione a com1"));
    EXPECT_EQ(passi[2].first, QLatin1String("Connessione a com3"));
    EXPECT_LT(passi[1].second - passi[0].second, 300);
    EXPECT_GE(passi[2].second - passi[1].second, 1450);
    EXPECT_LE(passi[2].second - passi[1].second, 2600);
    EXPECT_TRUE(stato.Seriale_attiva && comm->PortOpen());
    EXPECT_EQ(comm->CommPort(), 3);
    EXPECT_EQ(imp.portaSeriale(), QLatin1String("3"));
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" connesso su com3"));
    prot.Leggi_tipo_scheda(); // the link in use works at once
    EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String(" Scheda tipo 1")));

    // With no port to open, the link used before is out of use and nothing is stored.
    for (int n = 1; n <= 30; ++n)
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n),
                   dir.filePath(QStringLiteral("nessuno")));
    imp.scrivi(QStringLiteral("Properties"), QStringLiteral("CommPort"), QString());
    QStringList didascalie;
    EXPECT_EQ(prot.Cerca_porta([&](const QString& s) { didascalie << s; }), 0);
    EXPECT_EQ(didascalie.size(), 30);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(imp.portaSeriale(), QString());
}

TEST_F(ProtocolloScheda, aComponentDestroyedInsideAWaitEndsTheWaitWithoutHarm) {
    scheda("--silent");
    stato.Ricezione_attiva = true;
    QTimer::singleShot(150, [&] { comm.reset(); });
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_LT(t.elapsed(), 1400);
    EXPECT_TRUE(stato.Ricezione_attiva);
    ASSERT_EQ(ui.messaggi.size(), 1u);
    prot.Avvia_acquisizione(); // later exchanges see a closed port
    EXPECT_EQ(ui.messaggi.size(), 2u);
    EXPECT_FALSE(stato.Acquisizione_attiva);
}

TEST_F(ProtocolloScheda, anExchangeStartedInsideAnotherWaitEndsBothWithinTheirTimeOuts) {
    scheda("--board-type 2 --reply-delay 400");
    stato.Ricezione_attiva = true;
    bool interna = false;
    QTimer::singleShot(100, [&] {
        prot.Leggi_tipo_scheda();
        interna = true;
    });
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(interna);
    EXPECT_LT(t.elapsed(), 2300);
    EXPECT_TRUE(stato.Ricezione_attiva);
    EXPECT_FALSE(prot.Timer_Seriale.isActive());
    // The inner exchange took the first reply; the outer one ended with it.
    EXPECT_TRUE(stato.Stato_connessione.contains(QLatin1String("Scheda tipo 2")));
    Attendi(600);
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String(" Scheda tipo 2")));
}

TEST_F(ProtocolloScheda, theSimulatorRegistersItsPortForItsLifetime) {
    SimulatoreProcesso sim(opzioni("--register 4 --settings-file") << dir.filePath("k.ini"));
    ASSERT_FALSE(sim.percorso().isEmpty());
    EXPECT_EQ(imp.dispositivoPorta(4), sim.percorso());
    sim.ferma();
    EXPECT_EQ(imp.dispositivoPorta(4), QString());
}

#endif
