#include "device/frm_hid.h"

#include "sim/SchedaHidSimulata.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kinetra;

namespace {

struct UiMinima : InterfacciaCollegamento {
    QStringList titoli;
    void MsgBox(const QString&, IconaMessaggio, const QString&) override {}
    void rilasciaButton_start() override {}
    void impostaTitoloPrincipale(const QString& t) override { titoli << t; }
};

QByteArray comando(const sim::SchedaHidSimulata& scheda) {
    const auto& r = scheda.rapportiRicevuti().back();
    return QByteArray(reinterpret_cast<const char*>(r.data()), static_cast<int>(r.size()));
}

} // namespace

class FrmHidTest : public QObject {
    Q_OBJECT
private slots:
    void loadingConnectsAndTheButtonsStartAndStopTheStream() {
        sim::SetSpec set;
        set.repetitions.assign(1, sim::RepetitionSpec{});
        sim::SchedaHidSimulata scheda(sim::BoardModel(set, 1, sim::Link::Hid), 10);
        Stato stato;
        stato.Seriale_attiva = true;
        UiMinima ui;
        auto finestra = std::make_unique<frm_hid>(stato, scheda, ui);
        QCOMPARE(finestra->windowTitle(), QStringLiteral("EasyHID Template"));
        QVERIFY(finestra->findChild<QPushButton*>(QStringLiteral("Command3")));
        QVERIFY(finestra->findChild<QLineEdit*>(QStringLiteral("Text1")));
        QTRY_VERIFY(stato.Hid_connesso);
        QVERIFY(!stato.Seriale_attiva);
        QCOMPARE(stato.Stato_connessione, QStringLiteral(" Connesso via HID"));

        QTest::mouseClick(finestra->Command1, Qt::LeftButton);
        QCOMPARE(comando(scheda), QByteArray("\0$F\0\0\0\0\0\0", 9));
        QVERIFY(scheda.inStreaming());
        QTRY_VERIFY(scheda.rapportiInviati() > 2);
        QTest::mouseClick(finestra->Command2, Qt::LeftButton);
        QCOMPARE(comando(scheda), QByteArray("\0$T\0\0\0\0\0\0", 9));
        QVERIFY(!scheda.inStreaming());
        const auto ricevuti = scheda.rapportiRicevuti().size();
        QTest::mouseClick(finestra->Command3, Qt::LeftButton);
        QCOMPARE(scheda.rapportiRicevuti().size(), ricevuti);

        // Unloaded: the library no longer reaches the window or the state.
        finestra.reset();
        scheda.scollega();
        QCoreApplication::processEvents();
        QVERIFY(stato.Hid_connesso);
        QCOMPARE(stato.Stato_connessione, QStringLiteral(" Connesso via HID"));
    }
};

QTEST_MAIN(FrmHidTest)
#include "FrmHidTest.moc"
