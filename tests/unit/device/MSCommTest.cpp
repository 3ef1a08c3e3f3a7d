#include "device/MSComm.h"
#include "device/PorteSeriali.h"

#include "core/Impostazioni.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace kinetra;

namespace {

// The error number a call raises, or 0.
int erroreDi(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErroreEsecuzione& e) {
        EXPECT_FALSE(e.descrizione().isEmpty());
        return e.numero();
    }
    return 0;
}

} // namespace

TEST(ImpostazioniLinea, validStringsAreKeptAndReadBack) {
    struct {
        const char* testo;
        const char* atteso;
    } casi[] = {
        {"9600,N,8,1", "9600,N,8,1"},     {"19200,N,8,1.5", "19200,N,8,1.5"},
        {"115200,e,7,2", "115200,E,7,2"}, {"110,S,4,2", "110,S,4,2"},
        {"256000,M,5,1", "256000,M,5,1"}, {"14400,o,6,1", "14400,O,6,1"},
    };
    for (const auto& c : casi) {
        MSComm comm;
        EXPECT_EQ(erroreDi([&] { comm.setSettings(QString::fromLatin1(c.testo)); }), 0) << c.testo;
        EXPECT_EQ(comm.Settings(), QLatin1String(c.atteso));
    }
}

TEST(ImpostazioniLinea, aBadStringIsAnErrorAndChangesNothing) {
    const char* casi[] = {
        "",           "9600,N,8",  "9601,N,8,1",   "9600,X,8,1",  "9600,N,9,1",   "9600,N,3,1",
        "9600,N,8,3", "abc,N,8,1", "9600,N,8,1,1", "9600,NN,8,1", "9600,N,8,1.0", "-9600,N,8,1"};
    for (const char* testo : casi) {
        MSComm comm;
        comm.setSettings(QStringLiteral("4800,E,7,1"));
        EXPECT_EQ(erroreDi([&] { comm.setSettings(QString::fromLatin1(testo)); }),
                  ErroreComm::ValoreNonValido)
            << testo;
        EXPECT_EQ(comm.Settings(), QLatin1String("4800,E,7,1"));
    }
}

TEST(ComponenteSeriale, propertiesOutsideTheirRangeAreRefused) {
    MSComm comm;
    struct {
        const char* nome;
        std::function<void()> f;
        int errore;
    } casi[] = {
        {"handshaking 0", [&] { comm.setHandshaking(0); }, 0},
        {"handshaking 3", [&] { comm.setHandshaking(3); }, 0},
        {"handshaking 4", [&] { comm.setHandshaking(4); }, ErroreComm::ValoreNonValido},
        {"handshaking -1", [&] { comm.setHandshaking(-1); }, ErroreComm::ValoreNonValido},
        {"input mode 1", [&] { comm.setInputMode(1); }, 0},
        {"input mode 2", [&] { comm.setInputMode(2); }, ErroreComm::ValoreNonValido},
        {"input len -1", [&] { comm.setInputLen(-1); }, ErroreComm::ValoreNonValido},
        {"threshold -1", [&] { comm.setRThreshold(-1); }, ErroreComm::ValoreNonValido},
        {"port 0", [&] { comm.setCommPort(0); }, ErroreComm::PortaNonValida},
        {"port 30", [&] { comm.setCommPort(30); }, 0},
        {"port 256", [&] { comm.setCommPort(256); }, ErroreComm::PortaNonValida},
    };
    for (const auto& c : casi)
        EXPECT_EQ(erroreDi(c.f), c.errore) << c.nome;
    EXPECT_EQ(comm.Handshaking(), 3);
    EXPECT_EQ(comm.CommPort(), 30);
}

TEST(ComponenteSeriale, aClosedPortReportsNothingWaitingAndRefusesReadsAndWrites) {
    MSComm comm;
    comm.setInputLen(0);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.InBufferCount(), 0);
    EXPECT_EQ(erroreDi([&] { comm.Input(); }), ErroreComm::PortaChiusa);
    EXPECT_EQ(erroreDi([&] { comm.Output(QStringLiteral("$T")); }), ErroreComm::PortaChiusa);
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(false); }), 0);
}

TEST(ComponenteSeriale, aPortWithoutDeviceCannotBeOpened) {
    QTemporaryDir dir;
    Impostazioni imp(dir.filePath(QStringLiteral("k.ini")));
    imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com7"),
               dir.filePath(QStringLiteral("nessuno")));
    MSComm comm(&imp);
    comm.setCommPort(7);
    EXPECT_EQ(comm.dispositivo(), dir.filePath(QStringLiteral("nessuno")));
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(true); }), ErroreComm::PortaNonValida);
    EXPECT_FALSE(comm.PortOpen());
    // Far beyond the system's devices: no device at all.
    comm.setCommPort(200);
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(true); }), ErroreComm::PortaNonValida);
}

TEST(PorteSeriali, devicesAreNumberedInNaturalOrder) {
    struct {
        const char* a;
        const char* b;
        bool prima;
    } casi[] = {{"/dev/ttyS2", "/dev/ttyS10", true},      {"/dev/ttyS10", "/dev/ttyS2", false},
                {"/dev/ttyACM0", "/dev/ttyS0", true},     {"/dev/ttyUSB01", "/dev/ttyUSB1", false},
                {"/dev/ttyUSB1", "/dev/ttyUSB01", false}, {"COM3", "COM3", false},
                {"/dev/tty", "/dev/ttyS0", true}};
    for (const auto& c : casi)
        EXPECT_EQ(precedeNaturale(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.prima)
            << c.a << " " << c.b;
}

TEST(PorteSeriali, thePortsGroupPresentsADeviceAsAPortNumber) {
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
