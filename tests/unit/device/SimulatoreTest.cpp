#include "sim/FlussoScheda.h"
#include "sim/SchedaSeriale.h"

#include "TestApp.h"
#include "core/Attesa.h"

#include <gtest/gtest.h>

using namespace kinetra::sim;

namespace {

BoardModel breveSet(Link link) {
    SetPlan s;
    s.restBeforeS = s.restAfterS = 0.3;
    s.initialLiftMm = 100;
    s.repetitions.assign(2, RepetitionPlan{300, 600, 500, 0.2, 0.2});
    return BoardModel(s, 1, link);
}

} // namespace

TEST(FlussoSimulato, sendsTheSetAtItsTimesThenStillSamplesUntilStopped) {
    for (Link link : {Link::Serial, Link::Hid}) {
        const BoardModel modello = breveSet(link);
        QByteArray atteso = link == Link::Serial ? modello.serialBytes() : QByteArray();
        for (const QByteArray& r : modello.hidReports())
            atteso += link == Link::Hid ? r : QByteArray();
        const auto primo = [](const QByteArray& p) {
            return p.size() == 6 ? readSerialFrame(p.constData()) : readHidSample(p, 0);
        };
        // At double speed the set is out after half its duration (not before), then a still
        // frame or report every 100 ms of stream time, at the last position.
        FlussoScheda flusso(modello, 2.0);
        flusso.avvia(10.0);
        const double fine = 10.0 + modello.durationS() / 2;
        QByteArray inviati;
        for (double t : {10.0 + modello.durationS() / 4, fine + 1e-6}) {
            EXPECT_FALSE(flusso.setCompleto());
            for (const QByteArray& p : flusso.dovuti(t))
                inviati += p;
        }
        EXPECT_TRUE(flusso.setCompleto());
        EXPECT_EQ(inviati, atteso);
        const std::vector<QByteArray> fermi = flusso.dovuti(fine + 0.26);
        ASSERT_EQ(fermi.size(), 5u);
        for (const QByteArray& f : fermi) {
            EXPECT_EQ(primo(f).count, modello.samples().back().count);
            EXPECT_EQ(primo(f).ticks, 0);
        }
        flusso.azzera(); // positions count from where the load stands
        EXPECT_EQ(flusso.conteggioAttuale(), 0);
        EXPECT_EQ(primo(flusso.dovuti(fine + 0.31).front()).count, 0);
        flusso.ferma();
        EXPECT_TRUE(flusso.dovuti(1e9).empty());
    }
}

namespace {

// The serial board in this process: bytes in, bytes out.
struct SchedaInProcesso {
    explicit SchedaInProcesso(const OpzioniSchedaSeriale& o)
        : scheda((testApp(), breveSet(Link::Serial)), 40, o) {
        QObject::connect(&scheda, &SchedaSeriale::invia,
                         [this](const QByteArray& b) { uscita += b; });
        QObject::connect(&scheda, &SchedaSeriale::riaggancia, [this] { riagganciata = true; });
    }
    QByteArray scambio(const char* comando) {
        uscita.clear();
        scheda.ricevuti(comando);
        kinetra::Attendi(30);
        return uscita;
    }
    SchedaSeriale scheda;
    QByteArray uscita;
    bool riagganciata = false;
};

} // namespace

TEST(SchedaSerialeSimulata, answersEveryCommandOfTheProtocol) {
    SchedaInProcesso b({});
    const char* casi[][2] = {{"$D", "$D\x01"}, {"$", "$"}, {"?", "?YES"}, {"$T", "$T"},
                             {"$Z", "$Z"},     {"X", ""},  {"D", ""}};
    for (const auto& c : casi)
        EXPECT_EQ(b.scambio(c[0]), QByteArray(c[1])) << c[0];
}

TEST(SchedaSerialeSimulata, failureModesChangeTheStreamExactlyWhereAsked) {
    const QByteArray set = breveSet(Link::Serial).serialBytes();
    ASSERT_GT(set.size(), 300);
    struct {
        const char* nome;
        qint64 scarta, spazzaturaA, spazzaturaN, riaggancia;
        QByteArray atteso;
    } casi[] = {
        {"intact", -1, -1, 0, -1, set},
        {"drop", 100, -1, 0, -1, set.left(100) + set.mid(101)},
        {"garbage", -1, 200, 3, -1, set.left(200) + QByteArray("\xA5\x80\xEF", 3) + set.mid(200)},
        {"hang-up", -1, -1, 0, 250, set.left(250)}};
    for (const auto& c : casi) {
        OpzioniSchedaSeriale o;
        o.scartaByte = c.scarta;
        o.spazzaturaA = c.spazzaturaA;
        o.spazzaturaN = int(c.spazzaturaN);
        o.riagganciaDopo = c.riaggancia;
        SchedaInProcesso b(o);
        b.scheda.ricevuti("$F");
        kinetra::attendiFinche([&] { return b.riagganciata || b.scheda.flusso().setCompleto(); },
                               5000);
        kinetra::Attendi(5);
        ASSERT_TRUE(b.uscita.startsWith("$F")) << c.nome;
        EXPECT_EQ(b.uscita.mid(2).left(c.atteso.size()), c.atteso) << c.nome;
        EXPECT_EQ(b.riagganciata, c.riaggancia >= 0) << c.nome;
        EXPECT_TRUE(!b.riagganciata || b.scambio("$D").isEmpty()) << "no answer after hanging up";
    }
}
