#include "device/frm_hid.h"

#include "sim/SchedaHidSimulata.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kinetra;

namespace {

struct UiMinima : InterfacciaCollegamento {
    void MsgBox(const QString&, IconaMessaggio, const QString&) override {}
    void rilasciaButton_start() override {}
    void impostaTitoloPrincipale(const QString&) override {}
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
        sim::SetPlan set;
        set.repetitions.assign(1, sim::RepetitionPlan{});
        sim::SchedaHidSimulata scheda(sim::BoardModel(set, 1, sim::Link::Hid), 10);
        Stato stato;
        UiMinima ui;
        auto finestra = std::make_unique<frm_hid>(stato, scheda, ui);
        QCOMPARE(finestra->windowTitle(), QStringLiteral("EasyHID Template"));
        QTRY_VERIFY(stato.Hid_connesso);
        finestra->show();
        QVERIFY(QDir().mkpath(QStringLiteral(KINETRA_SCREENS_DIR)));
        QVERIFY(finestra->grab().save(QStringLiteral(KINETRA_SCREENS_DIR "/frm_hid.png")));

        QTest::mouseClick(finestra->Command1, Qt::LeftButton);
        QCOMPARE(comando(scheda), QByteArray("\0$F\0\0\0\0\0\0", 9));
        QTRY_VERIFY(scheda.rapportiInviati() > 2);
        QTest::mouseClick(finestra->Command2, Qt::LeftButton);
        QCOMPARE(comando(scheda), QByteArray("\0$T\0\0\0\0\0\0", 9));
        QVERIFY(!scheda.inStreaming());

        // Unloaded: the library no longer reaches the window or the state.
        finestra.reset();
        scheda.scollega();
        QCoreApplication::processEvents();
        QVERIFY(stato.Hid_connesso);
    }
};

QTEST_MAIN(FrmHidTest)
#include "FrmHidTest.moc"
