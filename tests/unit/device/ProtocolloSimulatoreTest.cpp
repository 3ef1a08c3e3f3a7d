// The board protocol over a real pseudo-terminal, through the serial component, against
// kinetra-board-sim (POSIX).

#include "device/Protocollo.h"

#include "SimulatoreProcesso.h"
#include "TestApp.h"
#include "UiRegistrata.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kinetra;

namespace {

class ProtocolloSuSimulatore : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        prot.impostaComponente(comm.get());
        prot.impostaAvvioDati([this] { chiamate << QStringLiteral("Reset_dati"); },
                              [this] { chiamate << QStringLiteral("Azzera_tempi"); });
    }

    // A board on port n; with `apri` the port is opened and the serial link is in use.
    void scheda(const QStringList& opzioni, int porta = 1, bool apri = true) {
        simulatori.push_back(std::make_unique<SimulatoreProcesso>(opzioni));
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(porta),
                   simulatori.back()->percorso());
        if (apri) {
            comm->setCommPort(porta);
            comm->setPortOpen(true);
            stato.Seriale_attiva = true;
        }
    }
    SimulatoreProcesso& sim() { return *simulatori.back(); }

    // Waits until `n` bytes wait on the port (or 2 s).
    bool inAttesa(int n) {
        return attendiFinche([&] { return comm->InBufferCount() >= n; }, 2000);
    }

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    Stato stato;
    UiRegistrata ui;
    std::unique_ptr<MSComm> comm = std::make_unique<MSComm>(&imp);
    Protocollo prot{stato, imp, ui};
    std::vector<std::unique_ptr<SimulatoreProcesso>> simulatori;
    QStringList chiamate;
};

} // namespace

TEST_F(ProtocolloSuSimulatore, theBoardTypeSelectsTheScale) {
    struct {
        int tipo;
        float mm;
        double ms;
        bool avviso;
    } casi[] = {{1, 1.288f, 0.0002, false},
                {2, 1.0f, 0.0002, false},
                {3, 1.0f, 8.33333E-05, false},
                {7, 1.0f, 8.33333E-05, true}};
    for (const auto& c : casi) {
        comm->setPortOpen(false);
        scheda({QStringLiteral("--board-type"), QString::number(c.tipo)});
        ui.messaggi.clear();
        stato.Stato_connessione = QStringLiteral(" connesso su com1");
        prot.Leggi_tipo_scheda();
        EXPECT_EQ(stato.Fattore_spostamento, c.mm) << c.tipo;
        EXPECT_EQ(stato.Base_tempi, c.ms) << c.tipo;
        EXPECT_EQ(stato.Stato_connessione,
                  QStringLiteral(" connesso su com1 Scheda tipo %1").arg(c.tipo));
        ASSERT_EQ(ui.messaggi.size(), c.avviso ? 1u : 0u) << c.tipo;
        if (c.avviso) {
            EXPECT_EQ(ui.messaggi[0].testo, MessaggioTipoIgnoto);
        }
    }
    // Every query appends its text again.
    prot.Leggi_tipo_scheda();
    EXPECT_EQ(stato.Stato_connessione,
              QLatin1String(" connesso su com1 Scheda tipo 7 Scheda tipo 7"));
}

TEST_F(ProtocolloSuSimulatore, theSetUpQueryReadsChannelsAndSamplingTime) {
    struct {
        QStringList opzioni;
        int canali, numero, tempo;
    } casi[] = {{{}, 5, 2, 1},
                {{QStringLiteral("--channels"), QStringLiteral("255"),
                  QStringLiteral("--sampling-time"), QStringLiteral("300")},
                 255,
                 8,
                 300},
                {{QStringLiteral("--split-replies"), QStringLiteral("30")}, 5, 2, 1},
                // No answer: nothing changes and nothing is said.
                {{QStringLiteral("--silent")}, -1, -1, -1}};
    for (const auto& c : casi) {
        comm->setPortOpen(false);
        scheda(c.opzioni);
        stato.Canali_abilitati = stato.Numero_canali = stato.Tempo_campionamento = -1;
        prot.Leggi_info_scheda();
        EXPECT_EQ(stato.Canali_abilitati, c.canali);
        EXPECT_EQ(stato.Numero_canali, c.numero);
        EXPECT_EQ(stato.Tempo_campionamento, c.tempo);
        EXPECT_TRUE(ui.messaggi.empty());
        EXPECT_EQ(comm->InBufferCount(), 0);
    }
}

TEST_F(ProtocolloSuSimulatore, theProbeAcceptsOnlyTheExactIdentity) {
    struct {
        QStringList opzioni;
        bool trovata;
        int msMin, msMax;
    } casi[] = {{{}, true, 480, 1300},
                {{QStringLiteral("--identity"), QStringLiteral("?yes")}, false, 480, 1300},
                {{QStringLiteral("--identity"), QStringLiteral("?YE")}, false, 980, 1800},
                // No board: the settling wait and two time-outs of 500 ms.
                {{QStringLiteral("--silent")}, false, 1480, 2300}};
    for (const auto& c : casi) {
        comm->setPortOpen(false);
        scheda(c.opzioni, 2, false);
        comm->setCommPort(2);
        stato.Seriale_attiva = false;
        stato.Timeout_risposta = 1000;
        stato.Stato_connessione = QStringLiteral(" non connesso");
        imp.scrivi(QStringLiteral("Properties"), QStringLiteral("CommPort"), QString());
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(prot.Verifica_porta(), c.trovata);
        EXPECT_GE(t.elapsed(), c.msMin);
        EXPECT_LE(t.elapsed(), c.msMax);
        EXPECT_EQ(stato.Seriale_attiva, c.trovata);
        EXPECT_EQ(stato.Timeout_risposta, 500);
        EXPECT_TRUE(comm->PortOpen());
        EXPECT_EQ(stato.Stato_connessione,
                  c.trovata ? QLatin1String(" connesso su com2") : QLatin1String(" non connesso"));
        EXPECT_EQ(imp.portaSeriale(), c.trovata ? QLatin1String("2") : QLatin1String(""));
        EXPECT_TRUE(ui.messaggi.empty());
    }
}

TEST_F(ProtocolloSuSimulatore, aReplyInPiecesIsTakenWhenCompleteAndExtraBytesWaitForTheNextFlush) {
    scheda({QStringLiteral("--board-type"), QStringLiteral("2"), QStringLiteral("--split-replies"),
            QStringLiteral("120")});
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_GE(t.elapsed(), 230); // the third byte left 240 ms after the first
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" non connesso Scheda tipo 2"));
    EXPECT_EQ(stato.Base_tempi, 0.0002);

    comm->setPortOpen(false);
    scheda({QStringLiteral("--board-type"), QStringLiteral("3"),
            QStringLiteral("--extra-reply-bytes"), QStringLiteral("4")});
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String(" Scheda tipo 3")));
    EXPECT_TRUE(inAttesa(4));
    Attendi(50);
    EXPECT_EQ(comm->InBufferCount(), 4);
    prot.Svuota_ricezione();
    EXPECT_EQ(comm->InBufferCount(), 0);
    // The next exchange is not disturbed by them.
    prot.Leggi_info_scheda();
    EXPECT_EQ(stato.Canali_abilitati, 5);
}

TEST_F(ProtocolloSuSimulatore, aLateReplyTimesOutAndStaysInTheBufferUntilTheNextFlush) {
    scheda({QStringLiteral("--board-type"), QStringLiteral("1"), QStringLiteral("--reply-delay"),
            QStringLiteral("1700")});
    stato.Fattore_spostamento = 0;
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_GE(t.elapsed(), 980);
    EXPECT_LE(t.elapsed(), 1600);
    ASSERT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(ui.messaggi[0].testo, QLatin1String("Indice non compreso nell'intervallo"));
    EXPECT_EQ(stato.Fattore_spostamento, 0.0f);
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" non connesso"));
    EXPECT_FALSE(stato.Ricezione_attiva);
    EXPECT_TRUE(inAttesa(3));
    prot.Svuota_ricezione();
    EXPECT_EQ(comm->InBufferCount(), 0);
}

TEST_F(ProtocolloSuSimulatore, theStartWithNoBoardPoweredSaysSoAndSendsNoStartCommand) {
    struct {
        int timeout;
    } casi[] = {{1000}, {500}};
    for (const auto& c : casi) {
        comm->setPortOpen(false);
        scheda({QStringLiteral("--silent")});
        ui = UiRegistrata();
        chiamate.clear();
        stato.Timeout_risposta = static_cast<std::int16_t>(c.timeout);
        QElapsedTimer t;
        t.start();
        prot.Avvia_acquisizione();
        EXPECT_GE(t.elapsed(), c.timeout - 20);
        EXPECT_LE(t.elapsed(), c.timeout + 600);
        ASSERT_EQ(ui.messaggi.size(), 1u);
        EXPECT_EQ(ui.messaggi[0].testo, QLatin1String("Apparato non collegato o spento!"));
        EXPECT_EQ(ui.messaggi[0].icona, IconaMessaggio::Critica);
        EXPECT_EQ(ui.messaggi[0].titolo, QLatin1String("Kinetra"));
        EXPECT_EQ(ui.rilasci, 1);
        EXPECT_FALSE(stato.Acquisizione_attiva);
        EXPECT_FALSE(stato.Ricezione_attiva);
        EXPECT_TRUE(chiamate.isEmpty());
        Attendi(50);
        const QString registro = sim().ferma();
        EXPECT_TRUE(registro.contains(QLatin1String("received $T"))) << registro.toStdString();
        EXPECT_FALSE(registro.contains(QLatin1String("$F"))) << registro.toStdString();
    }
}

TEST_F(ProtocolloSuSimulatore, startAndStopDriveTheStreamAndArmTheReceiver) {
    scheda({QStringLiteral("--rate"), QStringLiteral("4")});
    int eventi = 0;
    QObject::connect(comm.get(), &MSComm::OnComm, [&] {
        if (stato.Ricezione_attiva && stato.Acquisizione_attiva)
            ++eventi;
    });
    prot.Avvia_acquisizione();
    EXPECT_TRUE(ui.messaggi.empty());
    EXPECT_TRUE(stato.Acquisizione_attiva);
    EXPECT_TRUE(stato.Ricezione_attiva);
    EXPECT_TRUE(stato.Traccia_attiva);
    EXPECT_EQ(comm->InputMode(), 1);
    EXPECT_EQ(comm->RThreshold(), 12);
    EXPECT_EQ(comm->InputLen(), 12);
    EXPECT_EQ(chiamate,
              (QStringList{QStringLiteral("Reset_dati"), QStringLiteral("Azzera_tempi")}));
    // Frames flow: the receive event fires for the receiver.
    EXPECT_TRUE(attendiFinche([&] { return eventi >= 3; }, 2000));

    prot.Ferma_acquisizione();
    EXPECT_FALSE(stato.Acquisizione_attiva);
    EXPECT_TRUE(stato.Ricezione_attiva); // restored by the reply wait
    EXPECT_EQ(ui.rilasci, 1);
    Attendi(100);
    prot.Svuota_ricezione();
    Attendi(300);
    EXPECT_EQ(comm->InBufferCount(), 0); // the board stopped
    const QString registro = sim().ferma();
    EXPECT_TRUE(registro.contains(QLatin1String("$T\nkinetra-board-sim: $F")) ||
                registro.indexOf(QLatin1String("$F")) > registro.indexOf(QLatin1String("$T")))
        << registro.toStdString();
    EXPECT_EQ(registro.count(QLatin1String("kinetra-board-sim: $T")), 2) << registro.toStdString();
}

TEST_F(ProtocolloSuSimulatore,
       theSearchProbesPortsInTurnAndAPortWithoutBoardCostsAboutOneAndAHalfSeconds) {
    // Com1: no device at all; Com2: a board that is off; Com3: the board.
    imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com1"),
               dir.filePath(QStringLiteral("nessuno")));
    scheda({QStringLiteral("--silent")}, 2, false);
    scheda({}, 3, false);
    std::vector<std::pair<QString, qint64>> passi;
    QElapsedTimer t;
    t.start();
    const int porta =
        prot.Cerca_porta([&](const QString& s) { passi.emplace_back(s, t.elapsed()); });
    EXPECT_EQ(porta, 3);
    ASSERT_EQ(passi.size(), 3u);
    EXPECT_EQ(passi[0].first, QLatin1String("Connessione a com1"));
    EXPECT_EQ(passi[2].first, QLatin1String("Connessione a com3"));
    EXPECT_LT(passi[1].second - passi[0].second, 300);
    const qint64 costo = passi[2].second - passi[1].second;
    EXPECT_GE(costo, 1450);
    EXPECT_LE(costo, 2600);
    EXPECT_TRUE(stato.Seriale_attiva);
    EXPECT_TRUE(comm->PortOpen());
    EXPECT_EQ(comm->CommPort(), 3);
    EXPECT_EQ(imp.portaSeriale(), QLatin1String("3"));
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" connesso su com3"));

    // The link in use works at once.
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String(" Scheda tipo 1")));
}

TEST_F(ProtocolloSuSimulatore, aSearchWithoutBoardLeavesTheSerialLinkOutOfUse) {
    for (int n = 1; n <= 30; ++n)
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n),
                   dir.filePath(QStringLiteral("nessuno")));
    scheda({QStringLiteral("--identity"), QStringLiteral("?yes")}, 5, false);
    stato.Seriale_attiva = true; // a link used before the search
    QStringList passi;
    EXPECT_EQ(prot.Cerca_porta([&](const QString& s) { passi << s; }), 0);
    EXPECT_EQ(passi.size(), 30);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(imp.portaSeriale(), QString());
}

TEST_F(ProtocolloSuSimulatore, replyWaitsGiveBackTheReceiverFlagAndTheInputSettings) {
    scheda({});
    stato.Timeout_risposta = 300;
    struct {
        const char* comando;
        int n;
        QByteArray atteso;
    } casi[] = {{"$D", 3, QByteArray("$D\x01", 3)}, {"", 4, QByteArray(1, '\0')}};
    for (const auto& c : casi) {
        comm->setInputMode(0);
        comm->setInputLen(7);
        stato.Ricezione_attiva = true;
        prot.Svuota_ricezione();
        if (*c.comando)
            prot.Invia_stringa(QString::fromLatin1(c.comando));
        EXPECT_EQ(prot.Leggi_risposta(c.n), c.atteso);
        EXPECT_TRUE(stato.Ricezione_attiva);
        EXPECT_EQ(comm->InputMode(), 0);
        EXPECT_EQ(comm->InputLen(), 7);
        EXPECT_TRUE(stato.Risposta_scaduta);
        EXPECT_FALSE(prot.Timer_Seriale.isActive());
    }
    prot.Invia_stringa(QStringLiteral("$"));
    EXPECT_EQ(prot.Leggi_byte(), '$');
    EXPECT_EQ(prot.Leggi_byte(), 0); // nothing more: time-out
    EXPECT_EQ(comm->InputLen(), 7);
}

TEST_F(ProtocolloSuSimulatore, aComponentDestroyedInsideAWaitEndsTheWaitWithoutHarm) {
    scheda({QStringLiteral("--silent")});
    stato.Ricezione_attiva = true;
    QTimer::singleShot(150, [&] { comm.reset(); });
    QElapsedTimer t;
    t.start();
    prot.Leggi_tipo_scheda();
    EXPECT_LT(t.elapsed(), 1400);
    EXPECT_TRUE(stato.Ricezione_attiva);
    ASSERT_EQ(ui.messaggi.size(), 1u);
    // Later exchanges see a closed port.
    prot.Avvia_acquisizione();
    EXPECT_EQ(ui.messaggi.size(), 2u);
    EXPECT_FALSE(stato.Acquisizione_attiva);
}

TEST_F(ProtocolloSuSimulatore, anExchangeStartedInsideAnotherWaitEndsBothWithinTheirTimeOuts) {
    scheda({QStringLiteral("--board-type"), QStringLiteral("2"), QStringLiteral("--reply-delay"),
            QStringLiteral("400")});
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
    prot.Svuota_ricezione();
    Attendi(600);
    prot.Svuota_ricezione();
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String(" Scheda tipo 2")));
}

TEST_F(ProtocolloSuSimulatore, theSimulatorRegistersItsPortForItsLifetime) {
    const QString ini = dir.filePath(QStringLiteral("k.ini"));
    SimulatoreProcesso sim({QStringLiteral("--register"), QStringLiteral("4"),
                            QStringLiteral("--settings-file"), ini});
    ASSERT_FALSE(sim.percorso().isEmpty());
    EXPECT_EQ(imp.dispositivoPorta(4), sim.percorso());
    comm->setCommPort(4);
    comm->setPortOpen(true);
    stato.Seriale_attiva = true;
    prot.Leggi_info_scheda();
    EXPECT_EQ(stato.Numero_canali, 2);
    comm->setPortOpen(false);
    sim.ferma();
    EXPECT_EQ(imp.dispositivoPorta(4), QString());
}
