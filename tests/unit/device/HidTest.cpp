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

} // namespace

TEST(RapportoUscita, aCommandKeepsTheBytesOfEarlierReportsBehindIt) {
    testApp();
    // Commands sent in turn; "<F" and "<T" are the window's start and stop buttons.
    const char* casi[][2] = {
        {"$F", ".$F......"},          {"$F $D", ".$D......"},  {"12345678 $F $D", ".$D345678"},
        {"ABCDEFGHIJK", ".ABCDEFGH"}, {"xyzw ?", ".?yzw...."}, {"abcdefgh <F", ".$Fcdefgh"},
        {"abcdefgh <T", ".$Tcdefgh"}};
    for (const auto& c : casi) {
        Stato stato;
        UiRegistrata ui;
        SchedaHidSimulata scheda(modello(1));
        CollegamentoHid hid(stato, scheda, ui);
        const QStringList invii = QString(c[0]).split(' ');
        for (const QString& s : invii)
            s == "<F"   ? hid.Command1_Click()
            : s == "<T" ? hid.Command2_Click()
                        : hid.HID_invia_stringa(s);
        ASSERT_EQ(scheda.rapportiRicevuti().size(), size_t(invii.size())) << c[0];
        QString testo;
        for (std::uint8_t b : scheda.rapportiRicevuti().back())
            testo += b >= 32 ? QChar(b) : QChar(u'.');
        EXPECT_EQ(testo, c[1]) << c[0];
    }
}

TEST(SchedaHid, otherDevicesChangeNothingAndUnplugAndReplugChangeTheStatusAndTheLinksInUse) {
    testApp();
    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    Stato stato;
    stato.Titolo_versione = QStringLiteral("KINETRA 1.0.0");
    stato.Seriale_attiva = true;
    UiRegistrata ui;
    SchedaHidSimulata scheda{modello(2, 2), 20};
    CollegamentoHid hid{stato, scheda, ui};
    FinestraHid finestra;
    Protocollo prot{stato, imp, ui};
    int precedente = 0; // messages that reached the window's previous procedure
    finestra.impostaProcedura([&](FinestraHid*, quint32, qintptr, qintptr) {
        ++precedente;
        return qintptr{77};
    });
    prot.impostaInvioHid([&](const QString& s) { hid.HID_invia_stringa(s); });
    hid.Collega_hid(&finestra);
    QCoreApplication::processEvents();
    const auto statoHid = [&](bool connesso, const char* titolo) {
        EXPECT_EQ(stato.Hid_connesso, connesso) << titolo;
        EXPECT_FALSE(stato.Seriale_attiva) << titolo;
        EXPECT_EQ(ui.titoli.last(), QStringLiteral("KINETRA 1.0.0 ") + titolo);
    };
    const auto tipoLetto = [&] {
        prot.Leggi_tipo_scheda();
        EXPECT_TRUE(stato.Stato_connessione.endsWith(QLatin1String("HID Scheda tipo 2")));
        EXPECT_EQ(stato.Base_tempi, 0.0002);
    };
    statoHid(true, "Connesso via HID");

    // {message, event, handle}: other products and vendors, unknown handles and events.
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
        EXPECT_EQ(finestra.inviaMessaggio(quint32(c[0]), c[1], c[2]), 77); // always passed on
        EXPECT_TRUE(stato.Hid_connesso) << c[0] << " " << c[1] << " " << c[2];
    }
    EXPECT_EQ(ui.titoli.size(), 1);
    EXPECT_EQ(precedente, prima + 7);

    tipoLetto();
    prot.Avvia_acquisizione();
    EXPECT_TRUE(stato.Acquisizione_attiva);
    EXPECT_TRUE(attendiFinche([&] { return scheda.rapportiInviati() >= 3; }, 3000));
    const size_t inviati = scheda.rapportiRicevuti().size();
    scheda.scollega(); // mid-set
    QCoreApplication::processEvents();
    EXPECT_FALSE(scheda.inStreaming());
    statoHid(false, "Disconnesso");
    prot.Ferma_acquisizione(); // no link in use: nothing sent, nothing awaited
    EXPECT_EQ(scheda.rapportiRicevuti().size(), inviati);
    stato.Seriale_attiva = true;
    scheda.ricollega();
    QCoreApplication::processEvents();
    statoHid(true, "Connesso via HID");
    tipoLetto(); // reports flow again after the change event
    EXPECT_TRUE(ui.messaggi.empty());

    // Disconnected: the previous procedure alone gets the messages again.
    const int ultima = precedente;
    hid.Scollega_hid();
    finestra.inviaMessaggio(MessaggioHid, HidScollegato, SchedaHidSimulata::HandleScheda);
    EXPECT_TRUE(stato.Hid_connesso);
    EXPECT_EQ(precedente, ultima + 1);
}
