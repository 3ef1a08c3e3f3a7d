#include "sim/FlussoScheda.h"
#include "sim/SchedaSeriale.h"

#include "TestApp.h"
#include "core/Attesa.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kinetra::sim;

namespace {

SetSpec breveSet() {
    SetSpec s;
    s.restBeforeS = 0.3;
    s.restAfterS = 0.3;
    s.initialLiftMm = 100;
    s.repetitions.assign(2, RepetitionSpec{300, 600, 500, 0.2, 0.2});
    return s;
}

} // namespace

TEST(FlussoSimulato, sendsTheSetAtItsTimesThenStillSamplesUntilStopped) {
    for (Link link : {Link::Serial, Link::Hid}) {
        BoardModel modello(breveSet(), 1, link);
        FlussoScheda flusso(modello, 2.0);
        flusso.avvia(10.0);
        QByteArray inviati;
        std::vector<QByteArray> pezzi;
        // Halfway through the set (at double speed) only the first half has gone.
        const double meta = modello.sendTimes()[modello.sendTimes().size() / 2];
        for (const QByteArray& p : flusso.dovuti(10.0 + meta / 2))
            inviati += p;
        const QByteArray tutto =
            link == Link::Serial ? modello.serialBytes() : modello.hidReports().front();
        EXPECT_GT(inviati.size(), 0);
        EXPECT_LT(inviati.size(), link == Link::Serial ? tutto.size() : 100000);
        EXPECT_FALSE(flusso.setCompleto());
        for (const QByteArray& p : flusso.dovuti(10.0 + modello.durationS() / 2 + 1e-6))
            inviati += p;
        EXPECT_TRUE(flusso.setCompleto());
        QByteArray atteso;
        if (link == Link::Serial) {
            atteso = modello.serialBytes();
        } else {
            for (const QByteArray& r : modello.hidReports())
                atteso += r;
        }
        EXPECT_EQ(inviati, atteso);

        // Afterwards one still frame or report every 100 ms of stream time, at the last position.
        const std::vector<QByteArray> fermi = flusso.dovuti(10.0 + modello.durationS() / 2 + 0.26);
        ASSERT_EQ(fermi.size(), 5u);
        const std::int16_t ultimo = modello.samples().back().count;
        for (const QByteArray& f : fermi) {
            const BoardSample s =
                link == Link::Serial ? readSerialFrame(f.constData()) : readHidSample(f, 7);
            EXPECT_EQ(s.count, ultimo);
            EXPECT_EQ(s.ticks, 0);
        }
        // Zero: positions count from where the load stands.
        flusso.azzera();
        EXPECT_EQ(flusso.conteggioAttuale(), 0);
        const QByteArray zero = flusso.dovuti(10.0 + modello.durationS() / 2 + 0.31).front();
        EXPECT_EQ(link == Link::Serial ? readSerialFrame(zero.constData()).count
                                       : readHidSample(zero, 0).count,
                  0);
        flusso.ferma();
        EXPECT_TRUE(flusso.dovuti(1e9).empty());
    }
}

namespace {

// The serial board in this process: bytes in, bytes out.
class SchedaInProcesso {
public:
    SchedaInProcesso(OpzioniSchedaSeriale o, double rate = 50)
        : scheda(BoardModel(breveSet(), 1, Link::Serial), rate, std::move(o)) {
        testApp();
        QObject::connect(&scheda, &SchedaSeriale::invia,
                         [this](const QByteArray& b) { uscita += b; });
        QObject::connect(&scheda, &SchedaSeriale::riaggancia, [this] { riagganciata = true; });
    }
    QByteArray scambio(const QByteArray& comando, int attesaMs = 30) {
        uscita.clear();
        scheda.ricevuti(comando);
        kinetra::Attendi(static_cast<float>(attesaMs));
        return uscita;
    }
    SchedaSeriale scheda;
    QByteArray uscita;
    bool riagganciata = false;
};

} // namespace

TEST(SchedaSerialeSimulata, answersEveryCommandOfTheProtocol) {
    SchedaInProcesso b({});
    struct {
        QByteArray comando;
        QByteArray risposta;
    } casi[] = {{"$D", QByteArray("$D\x01", 3)},
                {"$i", QByteArray("$i\x02\x05\x01\x00", 6)},
                {"$", "$"},
                {"?", "?YES"},
                {"$T", "$T"},
                {"$Z", "$Z"},
                {"X", ""},
                {"D", ""}};
    for (const auto& c : casi)
        EXPECT_EQ(b.scambio(c.comando), c.risposta) << c.comando.toStdString();

    OpzioniSchedaSeriale spento;
    spento.muta = true;
    SchedaInProcesso s(spento);
    for (const auto& c : casi)
        EXPECT_EQ(s.scambio(c.comando), QByteArray());
    EXPECT_EQ(s.scambio("$F", 100), QByteArray());
}

TEST(SchedaSerialeSimulata, failureModesChangeTheStreamExactlyWhereAsked) {
    const QByteArray set = BoardModel(breveSet(), 1, Link::Serial).serialBytes();
    ASSERT_GT(set.size(), 300);
    QTemporaryDir dir;
    struct {
        const char* nome;
        qint64 scarta, spazzaturaA;
        int spazzaturaN;
        qint64 riaggancia;
        QByteArray atteso;
        bool riagganciata;
    } casi[] = {
        {"intact", -1, -1, 0, -1, set, false},
        {"drop", 100, -1, 0, -1, set.left(100) + set.mid(101), false},
        {"garbage", -1, 200, 3, -1, set.left(200) + QByteArray("\xA5\x80\xEF", 3) + set.mid(200),
         false},
        {"hang-up", -1, -1, 0, 250, set.left(250), true},
    };
    for (const auto& c : casi) {
        OpzioniSchedaSeriale o;
        o.scartaByte = c.scarta;
        o.spazzaturaA = c.spazzaturaA;
        o.spazzaturaN = c.spazzaturaN;
        o.riagganciaDopo = c.riaggancia;
        o.registrazione = dir.filePath(QString::fromLatin1(c.nome));
        SchedaInProcesso b(o, 40);
        b.scheda.ricevuti("$F");
        kinetra::attendiFinche([&] { return b.riagganciata || b.scheda.flusso().setCompleto(); },
                               5000);
        kinetra::Attendi(5);
        ASSERT_TRUE(b.uscita.startsWith("$F")) << c.nome;
        const QByteArray flusso = b.uscita.mid(2).left(c.atteso.size());
        EXPECT_EQ(flusso, c.atteso) << c.nome;
        EXPECT_EQ(b.riagganciata, c.riagganciata) << c.nome;
        // The recording holds what went out after the start reply.
        QFile f(o.registrazione);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.nome;
        EXPECT_EQ(f.readAll(), b.uscita.mid(2)) << c.nome;
        if (c.riagganciata) {
            EXPECT_EQ(b.scambio("$D"), QByteArray()) << "no answer after hanging up";
        }
    }
}
