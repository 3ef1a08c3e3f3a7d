// The serial component on a real pseudo-terminal (POSIX).

#include "device/MSComm.h"

#include "TestApp.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"
#include "sim/PseudoTerminale.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kinetra;
using kinetra::sim::PseudoTerminale;

namespace {

class ComponenteSuPty : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        QString errore;
        ASSERT_TRUE(pty.apri(&errore)) << errore.toStdString();
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com4"), pty.percorso());
        comm.setCommPort(4);
        comm.setSettings(QStringLiteral("9600,N,8,1"));
        comm.setPortOpen(true);
        QObject::connect(&comm, &MSComm::OnComm, [this] { eventi.push_back(comm.CommEvent()); });
    }

    // Bytes written by the far end, once the component has them.
    void arrivano(const QByteArray& byte) {
        const int prima = comm.InBufferCount();
        pty.scrivi(byte);
        attendiFinche([&] { return comm.InBufferCount() >= prima + byte.size(); }, 2000);
    }

    QTemporaryDir dir;
    Impostazioni imp{dir.filePath(QStringLiteral("k.ini"))};
    PseudoTerminale pty;
    MSComm comm{&imp};
    std::vector<int> eventi;
};

int erroreDi(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErroreEsecuzione& e) {
        return e.numero();
    }
    return 0;
}

} // namespace

TEST_F(ComponenteSuPty, openingTwiceSaysAlreadyOpenAndThePortNumberIsFixedWhileOpen) {
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(erroreDi([&] { comm.setPortOpen(true); }), ErroreComm::PortaGiaAperta);
    EXPECT_EQ(erroreDi([&] { comm.setCommPort(5); }), ErroreComm::PortaGiaInUso);
    EXPECT_EQ(comm.CommPort(), 4);
    // Settings and flow control change on the open port (a pseudo-terminal takes only 8 data
    // bits without parity).
    EXPECT_EQ(erroreDi([&] { comm.setSettings(QStringLiteral("19200,N,8,2")); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setHandshaking(2); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setDTREnable(true); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setRTSEnable(true); }), 0);
    EXPECT_EQ(erroreDi([&] { comm.setSettings(QStringLiteral("9600,N,4,1")); }),
              ErroreComm::StatoNonImpostato);
}

TEST_F(ComponenteSuPty, theReceiveEventFiresOnceTheThresholdIsReached) {
    struct {
        int soglia;
        int byte;
        bool evento;
    } casi[] = {{12, 11, false}, {12, 12, true}, {12, 30, true}, {1, 1, true}, {0, 20, false}};
    for (const auto& c : casi) {
        comm.setInputLen(0);
        comm.Input();
        eventi.clear();
        comm.setRThreshold(c.soglia);
        arrivano(QByteArray(c.byte, 'x'));
        Attendi(20);
        EXPECT_EQ(!eventi.empty(), c.evento) << c.soglia << " " << c.byte;
        if (!eventi.empty()) {
            EXPECT_EQ(eventi.back(), EventoRicezione);
        }
    }
    // Bytes already waiting count: one more byte after 11 fires it.
    comm.setInputLen(0);
    comm.Input();
    comm.setRThreshold(12);
    arrivano(QByteArray(11, 'a'));
    eventi.clear();
    arrivano(QByteArray(1, 'b'));
    EXPECT_EQ(eventi.size(), 1u);
}

TEST_F(ComponenteSuPty, inputTakesInputLenBytesAndNullsAreDroppedOnlyWhenAsked) {
    arrivano(QByteArray("0123456789abcdefghij", 20));
    EXPECT_EQ(comm.InBufferCount(), 20);
    comm.setInputLen(12);
    EXPECT_EQ(comm.Input(), QByteArray("0123456789ab"));
    EXPECT_EQ(comm.InBufferCount(), 8);
    EXPECT_EQ(comm.Input(), QByteArray("cdefghij"));
    EXPECT_EQ(comm.Input(), QByteArray());

    arrivano(QByteArray("a\0b\0", 4));
    comm.setInputLen(0);
    EXPECT_EQ(comm.Input(), QByteArray("a\0b\0", 4));
    comm.setNullDiscard(true);
    pty.scrivi(QByteArray("c\0d", 3));
    attendiFinche([&] { return comm.InBufferCount() >= 2; }, 2000);
    Attendi(20);
    EXPECT_EQ(comm.Input(), QByteArray("cd"));
}

TEST_F(ComponenteSuPty, outputSendsTheCharactersAsBytesInOrder) {
    comm.Output(QStringLiteral("$D"));
    comm.Output(QByteArray("\x01\xff", 2));
    QByteArray letti;
    attendiFinche(
        [&] {
            letti += pty.leggi();
            return letti.size() >= 4;
        },
        2000);
    EXPECT_EQ(letti, QByteArray("$D\x01\xff", 4));
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
