#include "device/Protocollo.h"

#include "TestApp.h"
#include "UiRegistrata.h"
#include "core/Impostazioni.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kinetra;

TEST(ProtocolloParole, wordsAndBitsAreComposedFromBytes) {
    struct {
        std::uint8_t basso, alto;
        std::int32_t parola;
    } parole[] = {{0, 0, 0},   {5, 0, 5},         {1, 0, 1},
                  {0, 1, 256}, {0x2C, 0x01, 300}, {255, 255, 65535}};
    for (const auto& p : parole)
        EXPECT_EQ(Protocollo::Componi_parola(p.basso, p.alto), p.parola);

    struct {
        std::int32_t valore;
        int bit;
        std::int16_t atteso;
    } bit[] = {{5, 0, 1},       {5, 1, 0},   {5, 2, 1},  {0x8000, 15, 1},
               {0x8000, 14, 0}, {-1, 31, 1}, {1, 32, 0}, {1, -1, 0}};
    for (const auto& b : bit)
        EXPECT_EQ(Protocollo::Valore_bit(b.valore, b.bit), b.atteso) << b.valore << " " << b.bit;

    EXPECT_EQ(Protocollo::Bytes_in_stringa(QByteArray("?YES")), QLatin1String("?YES"));
    EXPECT_EQ(Protocollo::Bytes_in_stringa(QByteArray("\xe9\x00", 2)),
              QString(QChar(0xE9)) + QChar(0));
}

TEST(ProtocolloScale, boardTypesSelectTheirFactors) {
    struct {
        int tipo;
        float mm;
        double ms;
    } casi[] = {{1, 1.288f, 0.0002},    {2, 1.0f, 0.0002},      {3, 1.0f, 8.33333E-05},
                {0, 1.0f, 8.33333E-05}, {4, 1.0f, 8.33333E-05}, {255, 1.0f, 8.33333E-05}};
    for (const auto& c : casi) {
        EXPECT_EQ(fattoriScheda(c.tipo).Fattore_spostamento, c.mm) << c.tipo;
        EXPECT_EQ(fattoriScheda(c.tipo).Base_tempi, c.ms) << c.tipo;
    }
}

namespace {

class ProtocolloSenzaPorta : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        prot.impostaComponente(&comm);
        prot.impostaInvioHid([this](const QString& s) { hid << s; });
        prot.impostaAvvioDati([this] { chiamate << QStringLiteral("Reset_dati"); },
                              [this] { chiamate << QStringLiteral("Azzera_tempi"); });
    }
    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    Stato stato;
    UiRegistrata ui;
    MSComm comm{&imp};
    Protocollo prot{stato, imp, ui};
    QStringList hid;
    QStringList chiamate;
};

} // namespace

TEST_F(ProtocolloSenzaPorta, commandsGoOutOnEveryLinkInUse) {
    struct {
        bool hidConnesso;
        bool seriale;
        int inviatiHid;
        bool errore;
    } casi[] = {{false, false, 0, false},
                {true, false, 1, false},
                {false, true, 0, true},
                {true, true, 1, true}};
    for (const auto& c : casi) {
        hid.clear();
        stato.Hid_connesso = c.hidConnesso;
        stato.Seriale_attiva = c.seriale;
        bool errore = false;
        try {
            prot.Invia_stringa(QStringLiteral("$T"));
        } catch (const ErroreEsecuzione& e) {
            errore = e.numero() == ErroreComm::PortaChiusa;
        }
        EXPECT_EQ(hid.size(), c.inviatiHid);
        EXPECT_EQ(errore, c.errore);
    }
}

TEST_F(ProtocolloSenzaPorta, aSerialLinkWithItsPortClosedIsReportedAndStartsNothing) {
    stato.Seriale_attiva = true;
    stato.Fattore_spostamento = 7;
    stato.Stato_connessione = QStringLiteral(" connesso su com1");

    prot.Avvia_acquisizione();
    ASSERT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(ui.messaggi[0].testo, QLatin1String("Operazione valida solo con la porta aperta"));
    EXPECT_EQ(ui.messaggi[0].titolo, NomeApplicazione);
    EXPECT_EQ(ui.rilasci, 1);
    EXPECT_FALSE(stato.Acquisizione_attiva);
    EXPECT_TRUE(chiamate.isEmpty());

    prot.Leggi_info_scheda(); // silent
    EXPECT_EQ(ui.messaggi.size(), 1u);
    EXPECT_EQ(comm.InputLen(), 0);

    prot.Leggi_tipo_scheda();
    EXPECT_EQ(ui.messaggi.size(), 2u);
    EXPECT_EQ(stato.Fattore_spostamento, 7.0f);
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" connesso su com1"));

    prot.Ferma_acquisizione();
    EXPECT_EQ(ui.messaggi.size(), 3u);
    EXPECT_EQ(ui.rilasci, 2);
}

TEST_F(ProtocolloSenzaPorta, withoutAnyLinkTheTypeIsZeroAndTheDefaultIsAnnounced) {
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
    EXPECT_EQ(chiamate,
              (QStringList{QStringLiteral("Reset_dati"), QStringLiteral("Azzera_tempi")}));
}

TEST_F(ProtocolloSenzaPorta, theStoredSettingsAreAppliedWithoutOpeningThePort) {
    struct {
        const char* settings;
        const char* porta;
        const char* attesi;
        int portaAttesa;
        bool messaggio;
    } casi[] = {{"", "", "115200,N,8,1", 1, false},
                {"19200,N,8,1.5", "3", "19200,N,8,1.5", 3, false},
                {"9600,o,7,1", "12", "9600,O,7,1", 12, false},
                {"9600,Q,8,1", "4", "115200,N,8,1", 1, true},
                {"9600,N,8,1", "999", "9600,N,8,1", 1, true}};
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
        EXPECT_FALSE(nuovo.PortOpen());
        EXPECT_EQ(u.messaggi.size(), c.messaggio ? 1u : 0u) << c.settings;
        if (c.messaggio) {
            EXPECT_EQ(u.messaggi[0].icona, IconaMessaggio::Esclamazione);
            EXPECT_EQ(nuovo.Handshaking(), 2); // the routine ended at the refused value
        } else {
            EXPECT_EQ(nuovo.Handshaking(), 0);
        }
    }
}
