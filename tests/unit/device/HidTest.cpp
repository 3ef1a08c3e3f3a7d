#include "device/CollegamentoHid.h"
#include "device/Protocollo.h"

#include "TestApp.h"
#include "UiRegistrata.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"
#include "sim/SchedaHidSimulata.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace kinetra;
using kinetra::sim::SchedaHidSimulata;

namespace {

// A library whose devices are a table and whose calls are recorded.
struct LibreriaFinta : LibreriaHid {
    std::map<int, std::pair<int, int>> dispositivi{{1, {VendorIdScheda, ProductIdScheda}},
                                                   {2, {VendorIdScheda, 0x0021}},
                                                   {3, {0x046D, ProductIdScheda}}};
    QStringList chiamate;
    bool Connect(FinestraHid*) override {
        chiamate << QStringLiteral("Connect");
        return true;
    }
    bool Disconnect() override {
        chiamate << QStringLiteral("Disconnect");
        return true;
    }
    int GetVendorID(int h) override { return dispositivi.count(h) ? dispositivi[h].first : 0; }
    int GetProductID(int h) override { return dispositivi.count(h) ? dispositivi[h].second : 0; }
    int GetHandle(int v, int p) override {
        chiamate << QStringLiteral("GetHandle %1 %2").arg(v).arg(p);
        return 1;
    }
    void SetReadNotify(int h, bool a) override {
        chiamate << QStringLiteral("SetReadNotify %1 %2").arg(h).arg(a);
    }
    bool Read(int h, std::uint8_t* buffer) override {
        chiamate << QStringLiteral("Read %1").arg(h);
        buffer[2] = 42;
        return true;
    }
    void WriteEx(int, int, const std::uint8_t*) override { chiamate << QStringLiteral("WriteEx"); }
};

struct Stati {
    bool hid;
    bool seriale;
    QString connessione;
};

QString testoRapporto(const std::array<std::uint8_t, ByteRapportoUscita>& r) {
    QString s;
    for (std::uint8_t b : r)
        s += b >= 32 ? QChar(b) : QChar(u'.');
    return s;
}

} // namespace

TEST(ProceduraHid, dispatchesTheLibrarysEventsAndPassesEveryMessageOn) {
    testApp();
    struct {
        quint32 messaggio;
        qintptr p1, p2;
        Stati dopo;
        QStringList chiamate;
    } casi[] = {
        {MessaggioHid, 1, 1, {true, false, QStringLiteral(" Connesso via HID")}, {}},
        {MessaggioHid, 2, 1, {false, true, QStringLiteral(" Disconnesso")}, {}},
        {MessaggioHid,
         3,
         0,
         {false, true, QStringLiteral(" non connesso")},
         {QStringLiteral("GetHandle 1121 32"), QStringLiteral("SetReadNotify 1 1")}},
        {MessaggioHid,
         4,
         1,
         {false, true, QStringLiteral(" non connesso")},
         {QStringLiteral("Read 1")}},
        {MessaggioHid, 5, 1, {false, true, QStringLiteral(" non connesso")}, {}},
        {0x0010, 1, 1, {false, true, QStringLiteral(" non connesso")}, {}},
    };
    for (const auto& c : casi) {
        Stato stato;
        stato.Seriale_attiva = true;
        stato.Titolo_versione = QStringLiteral("KINETRA 1.0.0");
        LibreriaFinta lib;
        UiRegistrata ui;
        CollegamentoHid hid(stato, lib, ui);
        FinestraHid finestra;
        std::vector<quint32> precedente;
        finestra.impostaProcedura([&](FinestraHid*, quint32 m, qintptr, qintptr) {
            precedente.push_back(m);
            return qintptr{77};
        });
        hid.Collega_hid(&finestra);
        lib.chiamate.clear();
        EXPECT_EQ(finestra.inviaMessaggio(c.messaggio, c.p1, c.p2), 77);
        EXPECT_EQ(precedente, std::vector<quint32>{c.messaggio});
        EXPECT_EQ(stato.Hid_connesso, c.dopo.hid) << c.p1;
        EXPECT_EQ(stato.Seriale_attiva, c.dopo.seriale) << c.p1;
        EXPECT_EQ(stato.Stato_connessione, c.dopo.connessione) << c.p1;
        EXPECT_EQ(lib.chiamate, c.chiamate) << c.p1;
        if (c.dopo.connessione != QLatin1String(" non connesso")) {
            EXPECT_EQ(ui.titoli, QStringList{QStringLiteral("KINETRA 1.0.0") + c.dopo.connessione});
        } else {
            EXPECT_TRUE(ui.titoli.isEmpty());
        }

        // Disconnected: the previous procedure alone gets the messages again.
        hid.Scollega_hid();
        stato.Hid_connesso = false;
        finestra.inviaMessaggio(MessaggioHid, 1, 1);
        EXPECT_FALSE(stato.Hid_connesso);
        EXPECT_EQ(precedente.size(), 2u);
    }
}

TEST(ProceduraHid, plugAndUnplugOfOtherDevicesChangeNothing) {
    testApp();
    for (int handle : {2, 3, 99}) {
        Stato stato;
        stato.Seriale_attiva = true;
        LibreriaFinta lib;
        UiRegistrata ui;
        CollegamentoHid hid(stato, lib, ui);
        FinestraHid finestra;
        hid.Collega_hid(&finestra);
        finestra.inviaMessaggio(MessaggioHid, HidCollegato, handle);
        EXPECT_FALSE(stato.Hid_connesso) << handle;
        EXPECT_TRUE(stato.Seriale_attiva);
        stato.Hid_connesso = true;
        finestra.inviaMessaggio(MessaggioHid, HidScollegato, handle);
        EXPECT_TRUE(stato.Hid_connesso) << handle;
        EXPECT_EQ(stato.Stato_connessione, QLatin1String(" non connesso"));
        EXPECT_TRUE(ui.titoli.isEmpty());
    }
}

TEST(RapportoUscita, aCommandKeepsTheBytesOfEarlierReportsBehindIt) {
    testApp();
    struct {
        QStringList invii;
        QString atteso;
    } casi[] = {
        {{QStringLiteral("$F")}, QStringLiteral(".$F......")},
        {{QStringLiteral("$F"), QStringLiteral("$D")}, QStringLiteral(".$D......")},
        {{QStringLiteral("12345678"), QStringLiteral("$F"), QStringLiteral("$D")},
         QStringLiteral(".$D345678")},
        {{QStringLiteral("ABCDEFGHIJK")}, QStringLiteral(".ABCDEFGH")},
        {{QStringLiteral("xyzw"), QStringLiteral("?")}, QStringLiteral(".?yzw....")},
    };
    for (const auto& c : casi) {
        Stato stato;
        UiRegistrata ui;
        SchedaHidSimulata scheda(sim::BoardModel({}, 1, sim::Link::Hid));
        CollegamentoHid hid(stato, scheda, ui);
        for (const QString& s : c.invii)
            hid.HID_invia_stringa(s);
        ASSERT_EQ(scheda.rapportiRicevuti().size(), static_cast<size_t>(c.invii.size()));
        EXPECT_EQ(testoRapporto(scheda.rapportiRicevuti().back()), c.atteso);
    }
    // The window's buttons write start and stop over the same buffer.
    Stato stato;
    UiRegistrata ui;
    SchedaHidSimulata scheda(sim::BoardModel({}, 1, sim::Link::Hid));
    CollegamentoHid hid(stato, scheda, ui);
    hid.HID_invia_stringa(QStringLiteral("abcdefgh"));
    hid.Command1_Click();
    EXPECT_EQ(testoRapporto(scheda.rapportiRicevuti().back()), QLatin1String(".$Fcdefgh"));
    hid.Command2_Click();
    EXPECT_EQ(testoRapporto(scheda.rapportiRicevuti().back()), QLatin1String(".$Tcdefgh"));
}

namespace {

class SchedaHid : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        stato.Titolo_versione = QStringLiteral("KINETRA 1.0.0");
        stato.Seriale_attiva = true;
        prot.impostaInvioHid([this](const QString& s) { hid.HID_invia_stringa(s); });
        hid.Collega_hid(&finestra);
        QCoreApplication::processEvents();
    }
    sim::SetSpec set() {
        sim::SetSpec s;
        s.repetitions.assign(2, sim::RepetitionSpec{});
        return s;
    }

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    Stato stato;
    UiRegistrata ui;
    SchedaHidSimulata scheda{sim::BoardModel(set(), 2, sim::Link::Hid), 20};
    CollegamentoHid hid{stato, scheda, ui};
    FinestraHid finestra;
    Protocollo prot{stato, imp, ui};
};

} // namespace

TEST_F(SchedaHid, anAttachedBoardAnnouncesItselfAndTakesTheCommands) {
    EXPECT_TRUE(stato.Hid_connesso);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(ui.titoli.last(), QLatin1String("KINETRA 1.0.0 Connesso via HID"));
    prot.Leggi_tipo_scheda();
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" Connesso via HID Scheda tipo 2"));
    EXPECT_EQ(stato.Fattore_spostamento, 1.0f);
    EXPECT_EQ(stato.Base_tempi, 0.0002);
    EXPECT_TRUE(ui.messaggi.empty());
}

TEST_F(SchedaHid, unplugAndReplugChangeTheStatusAndTheLinksInUse) {
    const size_t prima = scheda.rapportiRicevuti().size();
    scheda.scollega();
    QCoreApplication::processEvents();
    EXPECT_FALSE(stato.Hid_connesso);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(stato.Stato_connessione, QLatin1String(" Disconnesso"));
    EXPECT_EQ(ui.titoli.last(), QLatin1String("KINETRA 1.0.0 Disconnesso"));
    prot.Invia_stringa(QStringLiteral("$T"));
    EXPECT_EQ(scheda.rapportiRicevuti().size(), prima); // no link in use

    stato.Seriale_attiva = true;
    scheda.ricollega();
    QCoreApplication::processEvents();
    EXPECT_TRUE(stato.Hid_connesso);
    EXPECT_FALSE(stato.Seriale_attiva);
    EXPECT_EQ(ui.titoli.last(), QLatin1String("KINETRA 1.0.0 Connesso via HID"));
    prot.Invia_stringa(QStringLiteral("$T"));
    EXPECT_EQ(scheda.rapportiRicevuti().size(), prima + 1);
    // Reports flow again after the change event.
    prot.Leggi_tipo_scheda();
    EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String(" Scheda tipo 2")));
}

TEST_F(SchedaHid, theStreamRunsFromStartToStopAndReportsFillTheBuffer) {
    prot.Avvia_acquisizione();
    EXPECT_TRUE(stato.Acquisizione_attiva);
    EXPECT_TRUE(ui.messaggi.empty());
    EXPECT_TRUE(scheda.inStreaming());
    EXPECT_TRUE(attendiFinche([&] { return scheda.rapportiInviati() >= 10; }, 3000));
    prot.Ferma_acquisizione();
    EXPECT_FALSE(scheda.inStreaming());
    EXPECT_FALSE(stato.Acquisizione_attiva);
    const int inviati = scheda.rapportiInviati();
    Attendi(150);
    EXPECT_EQ(scheda.rapportiInviati(), inviati);
    // The last report read is in the buffer, report number first.
    EXPECT_EQ(stato.Buffer_hid[0], 0);
    EXPECT_FALSE(scheda.Read(SchedaHidSimulata::HandleScheda, stato.Buffer_hid.data()));
}

TEST_F(SchedaHid, unpluggingInTheMiddleOfASetStopsTheStreamAndLeavesNothingBehind) {
    prot.Avvia_acquisizione();
    EXPECT_TRUE(attendiFinche([&] { return scheda.rapportiInviati() >= 3; }, 3000));
    scheda.scollega();
    QCoreApplication::processEvents();
    EXPECT_FALSE(scheda.inStreaming());
    EXPECT_FALSE(stato.Hid_connesso);
    prot.Ferma_acquisizione(); // nothing in use: nothing sent, nothing awaited
    EXPECT_TRUE(ui.messaggi.empty());
}
