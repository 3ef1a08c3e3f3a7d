#include "sim/BoardModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

using namespace kinetra::sim;

namespace {

SetSpec tipicoSet(double noise = 0, std::uint32_t seed = 1) {
    SetSpec set;
    set.initialLiftMm = 300;
    set.repetitions = {
        {500, 500, 400, 0.5, 0.3}, {450, 700, 300, 0.2, 0.6}, {520, 350, 500, 1.0, 0.1}};
    set.fatigue = 0.05;
    set.noise = noise;
    set.seed = seed;
    return set;
}

struct Caso {
    int tipo;
    Link link;
};

class ModelloScheda : public ::testing::TestWithParam<Caso> {};

double msDi(const BoardModel& m, const BoardSample& s) {
    return s.ticks * boardScale(m.boardType()).msPerTick;
}

// How long a rise takes to cover its last step (half-sine velocity: slow at the top).
double tempoUltimoPasso(const RepetitionTruth& v, double passoMm) {
    const double durata = v.concentricEndS - v.concentricStartS;
    return durata * std::acos(1 - 2 * passoMm / v.displacementMm) / std::numbers::pi;
}

} // namespace

TEST_P(ModelloScheda, thePeriodsAddUpToTheElapsedTime) {
    const Caso c = GetParam();
    for (double noise : {0.0, 0.3}) {
        BoardModel m(tipicoSet(noise), c.tipo, c.link);
        double somma = 0;
        for (size_t i = 0; i < m.samples().size(); ++i) {
            somma += std::abs(msDi(m, m.samples()[i])) / 1000;
            const double inviato = m.sendTimes()[i];
            if (m.samples()[i].ticks == 0)
                continue;
            // A serial step leaves when it happens; a HID step waits for its report, at most
            // until the next 100 ms flush.
            if (c.link == Link::Serial) {
                ASSERT_NEAR(somma, inviato, 1e-6) << "sample " << i << " noise " << noise;
            } else {
                ASSERT_LE(somma, inviato + 1e-6) << "sample " << i << " noise " << noise;
                ASSERT_GE(somma, inviato - 0.1 - 1e-6) << "sample " << i << " noise " << noise;
            }
        }
        // The last step comes at most one step below the top of the last rise.
        const RepetitionTruth& v = m.truth().back();
        const double passoMm =
            BoardModel::stepCounts(c.link) * static_cast<double>(boardScale(c.tipo).mmPerCount);
        EXPECT_LE(somma, v.concentricEndS + 1e-6);
        EXPECT_GE(somma, v.concentricEndS - tempoUltimoPasso(v, passoMm)) << "noise " << noise;
    }
}

TEST_P(ModelloScheda, eachRiseCountsItsRangeAndItsVelocities) {
    const Caso c = GetParam();
    BoardModel m(tipicoSet(), c.tipo, c.link);
    const BoardScale scala = boardScale(c.tipo);
    const double passoMm = BoardModel::stepCounts(c.link) * scala.mmPerCount;
    ASSERT_EQ(m.truth().size(), 3u);

    // Walk the samples with their own clock (the sum of the periods).
    double t = 0;
    std::vector<double> tempi;
    for (const BoardSample& s : m.samples()) {
        t += std::abs(s.ticks * scala.msPerTick) / 1000;
        tempi.push_back(t);
    }
    for (size_t r = 0; r < m.truth().size(); ++r) {
        const RepetitionTruth& v = m.truth()[r];
        int basso = 0, alto = 0;
        double primo = -1, ultimo = -1, picco = 0;
        for (size_t i = 0; i < m.samples().size(); ++i) {
            const BoardSample& s = m.samples()[i];
            if (tempi[i] <= v.concentricStartS + 1e-9)
                basso = s.count;
            if (tempi[i] <= v.concentricEndS + 1e-9)
                alto = s.count;
            if (s.ticks > 0 && tempi[i] > v.concentricStartS &&
                tempi[i] <= v.concentricEndS + 1e-9) {
                if (primo < 0)
                    primo = tempi[i];
                ultimo = tempi[i];
                picco = std::max(picco, passoMm * 1000 / (s.ticks * scala.msPerTick));
            }
        }
        const double corsa = (alto - basso) * static_cast<double>(scala.mmPerCount);
        EXPECT_NEAR(corsa, v.displacementMm, passoMm) << "rep " << r;
        EXPECT_LE(ultimo, v.concentricEndS + 1e-6);
        EXPECT_GE(ultimo, v.concentricEndS - tempoUltimoPasso(v, passoMm)) << "rep " << r;
        // The first step comes once the load has moved half a step; slow at the start of a rise.
        EXPECT_GT(primo, v.concentricStartS);
        EXPECT_LT(primo - v.concentricStartS, 0.15);
        EXPECT_NEAR(picco, v.peakConcentricMmS, 0.05 * v.peakConcentricMmS) << "rep " << r;
        EXPECT_NEAR(v.peakConcentricMmS / v.meanConcentricMmS, 1.5708, 0.001);
    }
    // Fatigue slows each rise by its share.
    EXPECT_NEAR(m.truth()[1].meanConcentricMmS, 700 * 0.95, 1e-6);
    EXPECT_NEAR(m.truth()[2].meanConcentricMmS, 350 * 0.95 * 0.95, 1e-6);
}

TEST_P(ModelloScheda, aStandingLoadReportsStillSamplesEvery100ms) {
    const Caso c = GetParam();
    BoardModel m(tipicoSet(), c.tipo, c.link);
    const auto& tempi = m.sendTimes();
    ASSERT_FALSE(tempi.empty());
    EXPECT_LE(tempi.front(), 0.1 + 1e-9);
    for (size_t i = 1; i < tempi.size(); ++i) {
        ASSERT_GE(tempi[i], tempi[i - 1]);
        ASSERT_LE(tempi[i] - tempi[i - 1], 0.1 + 1e-9) << "sample " << i;
    }
    EXPECT_GE(tempi.back(), m.durationS() - 0.1);
    // A pause of 1 s at the top of the third repetition: nothing but still samples, at the
    // position where the load stands, and on HID whole reports of them.
    const double da = m.truth()[2].eccentricStartS - 0.9, a = m.truth()[2].eccentricStartS - 0.1;
    int ferme = 0;
    for (size_t i = 0; i < tempi.size(); ++i) {
        if (tempi[i] > da && tempi[i] < a) {
            EXPECT_EQ(m.samples()[i].ticks, 0);
            EXPECT_EQ(m.samples()[i].count, m.samples()[i - 1].count);
            ++ferme;
        }
    }
    EXPECT_EQ(ferme % (c.link == Link::Hid ? 8 : 1), 0);
    EXPECT_GE(ferme, c.link == Link::Hid ? 7 * 8 : 7);
}

TEST_P(ModelloScheda, framesAndReportsDecodeBackToTheSamples) {
    const Caso c = GetParam();
    BoardModel m(tipicoSet(0.2), c.tipo, c.link);
    if (c.link == Link::Serial) {
        const QByteArray byte = m.serialBytes();
        ASSERT_EQ(byte.size(), static_cast<qsizetype>(6 * m.samples().size()));
        for (size_t i = 0; i < m.samples().size(); ++i) {
            const BoardSample s = readSerialFrame(byte.constData() + 6 * i);
            ASSERT_EQ(s.count, m.samples()[i].count);
            ASSERT_EQ(s.ticks, m.samples()[i].ticks);
        }
    } else {
        const auto rapporti = m.hidReports();
        ASSERT_EQ(m.samples().size() % 8, 0u);
        ASSERT_EQ(rapporti.size() * 8, m.samples().size());
        for (size_t r = 0; r < rapporti.size(); ++r) {
            ASSERT_EQ(rapporti[r].size(), 65);
            EXPECT_EQ(rapporti[r][0], 0) << "report number";
            for (int i = 0; i < 8; ++i) {
                const BoardSample s = readHidSample(rapporti[r], i);
                ASSERT_EQ(s.count, m.samples()[8 * r + i].count);
                ASSERT_EQ(s.ticks, m.samples()[8 * r + i].ticks);
                // Samples of one report leave together.
                EXPECT_EQ(m.sendTimes()[8 * r + i], m.sendTimes()[8 * r + 7]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TipiECollegamenti, ModelloScheda,
                         ::testing::Values(Caso{1, Link::Serial}, Caso{2, Link::Serial},
                                           Caso{3, Link::Serial}, Caso{7, Link::Serial},
                                           Caso{1, Link::Hid}, Caso{2, Link::Hid},
                                           Caso{3, Link::Hid}, Caso{0, Link::Hid}),
                         [](const ::testing::TestParamInfo<Caso>& p) {
                             return std::string(p.param.link == Link::Serial ? "Seriale" : "Hid") +
                                    std::to_string(p.param.tipo);
                         });

TEST(ModelloSchedaScala, boardTypesSelectTheProgramsScale) {
    struct {
        int tipo;
        float mm;
        double ms;
    } casi[] = {{1, 1.288f, 0.0002},
                {2, 1.0f, 0.0002},
                {3, 1.0f, 8.33333E-05},
                {0, 1.0f, 8.33333E-05},
                {9, 1.0f, 8.33333E-05}};
    for (const auto& c : casi) {
        EXPECT_EQ(boardScale(c.tipo).mmPerCount, c.mm) << c.tipo;
        EXPECT_EQ(boardScale(c.tipo).msPerTick, c.ms) << c.tipo;
    }
}

TEST(ModelloSchedaSeme, theSameSeedGivesTheSameBytesAndNoiseMovesTheSteps) {
    const QByteArray a = BoardModel(tipicoSet(0.3, 7), 1, Link::Serial).serialBytes();
    const QByteArray b = BoardModel(tipicoSet(0.3, 7), 1, Link::Serial).serialBytes();
    const QByteArray c = BoardModel(tipicoSet(0.3, 8), 1, Link::Serial).serialBytes();
    const QByteArray quieto = BoardModel(tipicoSet(0, 7), 1, Link::Serial).serialBytes();
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a, quieto);
    EXPECT_EQ(quieto, BoardModel(tipicoSet(0, 8), 1, Link::Serial).serialBytes());
}

TEST(ModelloSchedaFrame, encodesLittleEndianSignedFields) {
    QByteArray byte;
    appendSerialFrame(byte, {16, 50000});
    appendSerialFrame(byte, {-1, -2});
    EXPECT_EQ(byte.toHex(' '), QByteArray("10 00 50 c3 00 00 ff ff fe ff ff ff"));
    QByteArray rapporto(65, '\x55');
    writeHidSample(rapporto, 7, {-1, -2});
    EXPECT_EQ(rapporto.mid(58, 6).toHex(' '), QByteArray("ff ff fe ff ff ff"));
    EXPECT_EQ(rapporto[56], '\x55');
    EXPECT_EQ(rapporto[64], '\x55');
}
