#include "device/CollegamentoHid.h"
#include "device/Protocollo.h"

#include "Aiuti.h"
#include "TestApp.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"
#include "sim/SchedaHidSimulata.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kinetra;
using kinetra::sim::SchedaHidSimulata;

namespace {

sim::BoardModel modello(int tipo, int ripetizioni = 0) {
    sim::SetPlan s;
    s.repetitions.assign(static_cast<size_t>(ripetizioni), sim::RepetitionPlan{});
    return sim::BoardModel(s, tipo, sim::Link::Hid);
}

QString testoRapporto(const std::array<std::uint8_t, ByteRapportoUscita>& r) {
    QString s;
    for (std::uint8_t b : r)
        s += b >= 32 ? QChar(b) : QChar(u'.');
    return s;
}

} // namespace

TEST(RapportoUscita, aCommandKeepsTheBytesOfEarlierReportsBehindIt) {
    testApp();
    // Commands sent one after another; "<F" and "<T" are the window's start and stop buttons.
    struct {
        const char* invii;
        const char* atteso;
    } casi[] = {
        {"$F", ".$F......"},          {"$F $D", ".$D......"},  {"12345678 $F $D", ".$D345678"},
        {"ABCDEFGHIJK", ".ABCDEFGH"}, {"xyzw ?", ".?yzw...."}, {"abcdefgh <F", ".$Fcdefgh"},
        {"abcdefgh <T", ".$Tcdefgh"}};
    for (const auto& c : casi) {
        Stato stato;
        UiRegistrata ui;
        SchedaHidSimulata scheda(modello(1));
        CollegamentoHid hid(stato, scheda, ui);
        const QStringList invii = QString::fromLatin1(c.invii).split(QLatin1Char(' '));
        for (const QString& s : invii) {
            if (s == QLatin1String("<F"))
                hid.Command1_Click();
            else if (s == QLatin1String("<T"))
                hid.Command2_Click();
            else
                hid.HID_invia_stringa(s);
        }
        ASSERT_EQ(scheda.rapportiRicevuti().size(), size_t(invii.size())) << c.invii;
        EXPECT_EQ(testoRapporto(scheda.rapportiRicevuti().back()), QLatin1String(c.atteso))
            << c.invii;
    }
}

namespace {

// The simulated board attached to the program's HID link and protocol.
class SchedaHid : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        stato.Titolo_versione = QStringLiteral("KINETRA 1.0.0");
        stato.Seriale_attiva = true;
        finestra.impostaProcedura([this](FinestraHid*, quint32, qintptr, qintptr) {
            ++precedente;
            return qintptr{77};
        });
        prot.impostaInvioHid([this](const QString& s) { hid.HID_invia_stringa(s); });
        hid.Collega_hid(&finestra);
        QCoreApplication::processEvents();
    }
    void tipoLetto() {
        prot.Leggi_tipo_scheda();
        EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String("HID Scheda tipo 2")));
        EXPECT_EQ(stato.Base_tempi, 0.0002);
    }

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    Stato stato;
    UiRegistrata ui;
    SchedaHidSimulata scheda{modello(2, 2), 20};
    CollegamentoHid hid{stato, scheda, ui};
    FinestraHid finestra;
    Protocollo prot{stato, imp, ui};
    int precedente = 0; // messages that reached the window's previous procedure
};

} // namespace

TEST_F(SchedaHid, unplugMidSetAndReplugChangeTheStatusAndTheLinksInUse) {
    EXPECT_TRUE(stato.Hid_connesso);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(ui.titoli.last(), QLatin1String("KINETRA 1.0.0 Connesso via HID"));
    tipoLetto();
    prot.Avvia_acquisizione();
    EXPECT_TRUE(stato.Acquisizione_attiva);
    EXPECT_TRUE(attendiFinche([&] { return scheda.rapportiInviati() >= 3; }, 3000));

    const size_t prima = scheda.rapportiRicevuti().size();
    scheda.scollega();
    QCoreApplication::processEvents();
    EXPECT_FALSE(scheda.inStreaming());
    EXPECT_FALSE(stato.Hid_connesso);
    EXPECT_EQ(ui.titoli.last(), QLatin1String("KINETRA 1.0.0 Disconnesso"));
    prot.Ferma_acquisizione(); // no link in use: nothing sent, nothing awaited
    EXPECT_EQ(scheda.rapportiRicevuti().size(), prima);

    stato.Seriale_attiva = true;
    scheda.ricollega();
    QCoreApplication::processEvents();
    EXPECT_TRUE(stato.Hid_connesso);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(ui.titoli.last(), QLatin1String("KINETRA 1.0.0 Connesso via HID"));
    tipoLetto(); // reports flow again after the change event
    EXPECT_TRUE(ui.messaggi.empty());
}

TEST_F(SchedaHid, otherDevicesAndOtherMessagesChangeNothingAndEveryMessageIsPassedOn) {
    const int altroProdotto = scheda.aggiungiDispositivo(VendorIdScheda, 0x0021);
    const int altroFornitore = scheda.aggiungiDispositivo(0x046D, ProductIdScheda);
    const int prima = precedente;
    const qintptr casi[][3] = {{MessaggioHid, HidCollegato, altroProdotto},
                               {MessaggioHid, HidCollegato, altroFornitore},
                               {MessaggioHid, HidScollegato, altroProdotto},
                               {MessaggioHid, HidScollegato, altroFornitore},
                               {MessaggioHid, HidScollegato, 99},
                               {MessaggioHid, 5, SchedaHidSimulata::HandleScheda},
                               {0x0010, HidScollegato, SchedaHidSimulata::HandleScheda}};
    for (const auto& c : casi) {
        EXPECT_EQ(finestra.inviaMessaggio(quint32(c[0]), c[1], c[2]), 77);
        EXPECT_TRUE(stato.Hid_connesso) << c[0] << " " << c[1] << " " << c[2];
    }
    EXPECT_EQ(ui.titoli, QStringList{QStringLiteral("KINETRA 1.0.0 Connesso via HID")});
    EXPECT_EQ(precedente, prima + 7);
    // Disconnected: the previous procedure alone gets the messages again.
    hid.Scollega_hid();
    finestra.inviaMessaggio(MessaggioHid, HidScollegato, SchedaHidSimulata::HandleScheda);
    EXPECT_TRUE(stato.Hid_connesso);
    EXPECT_EQ(precedente, prima + 8);
}
