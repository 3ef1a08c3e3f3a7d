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
    const char* valide[][2] = {{"9600,N,8,1", "9600,N,8,1"},     {"19200,N,8,1.5", "19200,N,8,1.5"},
                               {"115200,e,7,2", "115200,E,7,2"}, {"110,S,4,2", "110,S,4,2"},
                               {"256000,M,5,1", "256000,M,5,1"}, {"14400,o,6,1", "14400,O,6,1"}};
    for (const auto& c : valide) {
        MSComm comm;
        EXPECT_EQ(erroreDi([&] { comm.setSettings(QString::fromLatin1(c[0])); }), 0) << c[0];
        EXPECT_EQ(comm.Settings(), QLatin1String(c[1]));
    }
    const char* errate[] = {
        "",           "9600,N,8",  "9601,N,8,1",   "9600,X,8,1",  "9600,N,9,1",   "9600,N,3,1",
        "9600,N,8,3", "abc,N,8,1", "9600,N,8,1,1", "9600,NN,8,1", "9600,N,8,1.0", "-9600,N,8,1"};
    for (const char* testo : errate) {
        MSComm comm;
        comm.setSettings(QStringLiteral("4800,E,7,1"));
        EXPECT_EQ(erroreDi([&] { comm.setSettings(QString::fromLatin1(testo)); }),
                  ErroreComm::ValoreNonValido)
            << testo;
        EXPECT_EQ(comm.Settings(), QLatin1String("4800,E,7,1"));
    }
}

TEST(ComponenteSeriale, valuesOutOfRangeAClosedPortAndAPortWithoutDeviceAreErrors) {
    QTemporaryDir dir;
    Impostazioni imp(dir.filePath(QStringLiteral("k.ini")));
    imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com7"),
               dir.filePath(QStringLiteral("nessuno")));
    MSComm comm(&imp);
    EXPECT_EQ(erroreDi([&] { comm.setHandshaking(4); }), ErroreComm::ValoreNonValido);
    EXPECT_EQ(erroreDi([&] { comm.setCommPort(0); }), ErroreComm::PortaNonValida);
    EXPECT_EQ(comm.InBufferCount(), 0);
    EXPECT_EQ(erroreDi([&] { comm.Input(); }), ErroreComm::PortaChiusa);
    EXPECT_EQ(erroreDi([&] { comm.Output(QStringLiteral("$T")); }), ErroreComm::PortaChiusa);
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(false); }), 0);
    for (int porta : {7, 200}) { // a device that is not there; far beyond the system's devices
        comm.setCommPort(porta);
        EXPECT_EQ(erroreDi([&] { comm.setPortOpen(true); }), ErroreComm::PortaNonValida) << porta;
        EXPECT_FALSE(comm.PortOpen());
    }
}

TEST(PorteSeriali, devicesAreNumberedInNaturalOrderAndTheStoreCanPresentOne) {
    struct {
        const char* a;
        const char* b;
        bool prima;
    } casi[] = {{"/dev/ttyS2", "/dev/ttyS10", true},
                {"/dev/ttyS10", "/dev/ttyS2", false},
                {"/dev/ttyACM0", "/dev/ttyS0", true},
                {"/dev/ttyUSB01", "/dev/ttyUSB1", false},
                {"COM3", "COM3", false}};
    for (const auto& c : casi)
        EXPECT_EQ(precedeNaturale(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.prima)
            << c.a << " " << c.b;

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
    void arrivano(const QByteArray& byte) {
        const int attesi = comm.InBufferCount() + static_cast<int>(byte.size());
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

TEST_F(ComponenteSuPty, anOpenPortKeepsItsNumberTakesNewSettingsAndSendsBytesInOrder) {
    EXPECT_TRUE(comm.PortOpen());
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
}

TEST_F(ComponenteSuPty, theReceiveEventFiresOnceTheThresholdIsReached) {
    // Bytes already waiting count: after 11 of 12, one more fires it.
    struct {
        int soglia, prima, byte;
        bool evento;
    } casi[] = {{12, 0, 11, false}, {12, 0, 12, true}, {12, 0, 30, true},
                {1, 0, 1, true},    {0, 0, 20, false}, {12, 11, 1, true}};
    for (const auto& c : casi) {
        comm.setInputLen(0);
        comm.Input();
        comm.setRThreshold(c.soglia);
        arrivano(QByteArray(c.prima, 'a'));
        eventi.clear();
        arrivano(QByteArray(c.byte, 'x'));
        Attendi(20);
        EXPECT_EQ(!eventi.empty(), c.evento) << c.soglia << " " << c.prima << " " << c.byte;
        EXPECT_TRUE(eventi.empty() || eventi[0] == EventoRicezione);
    }
}

TEST_F(ComponenteSuPty, nullsAreDroppedOnlyWhenAsked) {
    for (bool scarta : {false, true}) {
        comm.setNullDiscard(scarta);
        pty.scrivi(QByteArray("a\0b\0", 4));
        attendiFinche([&] { return comm.InBufferCount() >= (scarta ? 2 : 4); }, 2000);
        Attendi(20);
        EXPECT_EQ(comm.Input(), scarta ? QByteArray("ab") : QByteArray("a\0b\0", 4));
    }
}

TEST_F(ComponenteSuPty, aHangUpClosesThePortAndSaysSo) {
    arrivano(QByteArray(6, 'z'));
    pty.chiudi();
    attendiFinche([&] { return !comm.PortOpen(); }, 3000);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.InBufferCount(), 0);
    ASSERT_FALSE(eventi.empty());
    EXPECT_EQ(eventi.back(), EventoPortante);
    EXPECT_EQ(erroreDi([&] { comm.Output(QStringLiteral("$T")); }), ErroreComm::PortaChiusa);
}

#endif
