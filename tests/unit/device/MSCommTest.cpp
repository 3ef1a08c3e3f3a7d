#include "device/MSComm.h"
#include "device/PorteSeriali.h"

#include "Aiuti.h"
#include "TestApp.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include "sim/PseudoTerminale.h"
#endif

using namespace kinetra;

TEST(ComponenteSeriale, settingsAreKeptWhenValidAndABadStringChangesNothing) {
    // Valid ones are kept in capitals; after a bad one the earlier value stays.
    const QStringList valide = opzioni("9600,N,8,1 19200,N,8,1.5 115200,e,7,2 110,S,4,2 "
                                       "256000,M,5,1 14400,o,6,1");
    const QStringList errate = opzioni("9600,N,8 9601,N,8,1 9600,X,8,1 9600,N,9,1 9600,N,3,1 "
                                       "9600,N,8,3 abc,N,8,1 9600,N,8,1,1 9600,NN,8,1 "
                                       "9600,N,8,1.0 -9600,N,8,1")
                               << "";
    for (const QString& testo : valide + errate) {
        MSComm comm;
        comm.setSettings(QStringLiteral("4800,E,7,1"));
        const bool valida = valide.contains(testo);
        EXPECT_EQ(erroreDi([&] { comm.setSettings(testo); }),
                  valida ? 0 : ErroreComm::ValoreNonValido)
            << testo;
        EXPECT_EQ(comm.Settings(), valida ? testo.toUpper() : "4800,E,7,1") << testo;
    }
}

TEST(PorteSeriali, devicesAreNumberedInNaturalOrderAndTheStoreCanPresentOne) {
    // Each device precedes the next one in the list.
    const QStringList ordine = opzioni("/dev/ttyACM0 /dev/ttyS0 /dev/ttyS2 /dev/ttyS10 "
                                       "/dev/ttyUSB1");
    for (qsizetype i = 0; i + 1 < ordine.size(); ++i) {
        EXPECT_TRUE(precedeNaturale(ordine[i], ordine[i + 1])) << ordine[i];
        EXPECT_FALSE(precedeNaturale(ordine[i + 1], ordine[i])) << ordine[i];
    }
    EXPECT_FALSE(precedeNaturale("COM3", "COM3") ||
                 precedeNaturale("/dev/ttyUSB01", "/dev/ttyUSB1"));
    QTemporaryDir dir;
    Impostazioni imp(dir.filePath(QStringLiteral("k.ini")));
    imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com3"), QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(dispositivoPorta(3, &imp), QLatin1String("/dev/pts/9"));
    EXPECT_EQ(dispositivoPorta(0, &imp), QString());
#ifndef Q_OS_WIN
    const QStringList sistema = dispositiviSistema();
    EXPECT_EQ(dispositivoPorta(1, nullptr), sistema.isEmpty() ? QString() : sistema[0]);
    EXPECT_EQ(dispositivoPorta(static_cast<int>(sistema.size()) + 1, &imp), QString());
#endif
}

// The component on a real pseudo-terminal.
#ifdef Q_OS_UNIX

namespace {

class ComponenteSuPty : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        QString errore;
        ASSERT_TRUE(pty.apri(&errore)) << errore.toStdString();
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com4"), pty.percorso());
        comm.setCommPort(4);
        comm.setPortOpen(true);
        QObject::connect(&comm, &MSComm::OnComm, [this] { eventi.push_back(comm.CommEvent()); });
    }
    // Bytes written by the far end, once the component has them.
    void arrivano(const QByteArray& byte, int conta = -1) {
        const int attesi = comm.InBufferCount() + int(conta < 0 ? byte.size() : conta);
        pty.scrivi(byte);
        attendiFinche([&] { return comm.InBufferCount() >= attesi; }, 2000);
    }

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    sim::PseudoTerminale pty;
    MSComm comm{&imp};
    std::vector<int> eventi;
};

} // namespace

TEST_F(ComponenteSuPty, anOpenPortSendsInOrderDropsNullsWhenAskedAndAfterAHangUpIsClosed) {
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(true); }), ErroreComm::PortaGiaAperta);
    EXPECT_EQ(erroreDi([&] { comm.setCommPort(5); }), ErroreComm::PortaGiaInUso);
    EXPECT_EQ(comm.CommPort(), 4);
    // A pseudo-terminal takes only 8 data bits without parity.
    EXPECT_EQ(erroreDi([&] { comm.setSettings(QStringLiteral("19200,N,8,2")); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setHandshaking(2); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setDTREnable(true); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setSettings(QStringLiteral("9600,N,4,1")); }),
              ErroreComm::StatoNonImpostato);
    comm.Output(QStringLiteral("$D"));
    comm.Output(QByteArray("\x01\xff", 2));
    QByteArray letti;
    attendiFinche([&] { return (letti += pty.leggi()).size() >= 4; }, 2000);
    EXPECT_EQ(letti, QByteArray("$D\x01\xff", 4));

    for (bool scarta : {false, true}) {
        comm.setNullDiscard(scarta);
        arrivano(QByteArray("a\0b\0", 4), scarta ? 2 : 4);
        Attendi(20);
        EXPECT_EQ(comm.Input(), scarta ? QByteArray("ab") : QByteArray("a\0b\0", 4));
    }

    arrivano(QByteArray(6, 'z'));
    pty.chiudi();
    EXPECT_TRUE(attendiFinche([&] { return !comm.PortOpen(); }, 3000));
    EXPECT_EQ(comm.InBufferCount(), 0);
    ASSERT_FALSE(eventi.empty());
    EXPECT_EQ(eventi.back(), EventoPortante);
    EXPECT_EQ(erroreDi([&] { comm.Output(QStringLiteral("$T")); }), ErroreComm::PortaChiusa);
    EXPECT_EQ(erroreDi([&] { comm.Input(); }), ErroreComm::PortaChiusa);
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(false); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setHandshaking(4); }), ErroreComm::ValoreNonValido);
    EXPECT_EQ(erroreDi([&] { comm.setCommPort(0); }), ErroreComm::PortaNonValida);
    imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com7"), dir.filePath("nessuno"));
    for (int porta : {7, 200}) { // a device that is not there; far beyond the system's devices
        comm.setCommPort(porta);
        EXPECT_EQ(erroreDi([&] { comm.setPortOpen(true); }), ErroreComm::PortaNonValida) << porta;
        EXPECT_FALSE(comm.PortOpen());
    }
}

TEST_F(ComponenteSuPty, theReceiveEventFiresOnceTheThresholdIsReached) {
    // {threshold, bytes already waiting, bytes arriving, fires}: waiting bytes count.
    const int casi[][4] = {{12, 0, 11, 0}, {12, 0, 12, 1}, {12, 0, 30, 1},
                           {1, 0, 1, 1},   {0, 0, 20, 0},  {12, 11, 1, 1}};
    for (const auto& c : casi) {
        comm.setInputLen(0);
        comm.Input();
        comm.setRThreshold(c[0]);
        arrivano(QByteArray(c[1], 'a'));
        eventi.clear();
        arrivano(QByteArray(c[2], 'x'));
        Attendi(20);
        EXPECT_EQ(int(!eventi.empty()), c[3]) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_TRUE(eventi.empty() || eventi[0] == EventoRicezione);
    }
}

#endif
