#include "sim/BoardModel.h"
#include "acquisition/Decodifica.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace kinetra::sim;

namespace {

SetPlan tipicoSet(double noise = 0, std::uint32_t seed = 1) {
    SetPlan set;
    set.repetitions = {
        {500, 500, 400, 0.5, 0.3}, {450, 700, 300, 0.2, 0.6}, {520, 350, 500, 1.0, 0.1}};
    set.fatigue = 0.05;
    set.noise = noise;
    set.seed = seed;
    return set;
}

} // namespace

TEST(ModelloScheda, samplesFollowTheSetOnEveryLinkAndBoardType) {
    const std::pair<int, Link> casi[] = {{1, Link::Serial}, {2, Link::Serial}, {3, Link::Serial},
                                         {7, Link::Serial}, {1, Link::Hid},    {2, Link::Hid},
                                         {3, Link::Hid},    {0, Link::Hid}};
    for (const auto& [tipo, link] : casi) {
        for (double rumore : {0.0, 0.3}) {
            const bool hid = link == Link::Hid;
            const std::string nome =
                std::to_string(tipo) + (hid ? " hid" : " serial") + std::to_string(rumore);
            const BoardModel m(tipicoSet(rumore), tipo, link);
            const kinetra::ScalaScheda scala = kinetra::scalaScheda(tipo);
            const double passoMm = BoardModel::stepCounts(link) * scala.Fattore_spostamento;
            const auto& campioni = m.samples();
            const auto& invio = m.sendTimes();
            ASSERT_EQ(invio.size(), campioni.size()) << nome;
            ASSERT_EQ(campioni.size() % (hid ? 8 : 1), 0u) << "whole reports";

            // A serial step leaves when it happens, a HID step with its report, within 100 ms;
            // standing still is reported at least every 100 ms.
            std::vector<double> tempi;
            double t = 0;
            for (size_t i = 0; i < campioni.size(); ++i) {
                t += std::abs(campioni[i].ticks * scala.Base_tempi) / 1000;
                tempi.push_back(t);
                const double intervallo = invio[i] - (i ? invio[i - 1] : 0);
                ASSERT_TRUE(intervallo >= 0 && intervallo <= 0.1 + 1e-9) << nome << " #" << i;
                ASSERT_TRUE(!hid || invio[i] == invio[i / 8 * 8 + 7]) << "a report leaves whole";
                if (campioni[i].ticks != 0) {
                    ASSERT_LE(t, invio[i] + 1e-6) << nome << " #" << i;
                    ASSERT_GE(t, invio[i] - (hid ? 0.1 : 0) - 1e-6) << nome << " #" << i;
                }
            }
            EXPECT_GE(invio.back(), m.durationS() - 0.1) << nome;

            if (rumore > 0)
                continue;

            // Each rise: its range within a step, its first step soon after the start, its
            // peak velocity the truth's.
            ASSERT_EQ(m.truth().size(), 3u);
            for (const RepetitionTruth& v : m.truth()) {
                int basso = 0, alto = 0;
                double primo = -1, picco = 0;
                for (size_t i = 0; i < campioni.size() && tempi[i] <= v.concentricEndS + 1e-9;
                     ++i) {
                    const bool salita = tempi[i] > v.concentricStartS + 1e-9;
                    (salita ? alto : basso) = campioni[i].count;
                    if (salita && campioni[i].ticks > 0) {
                        primo = primo < 0 ? tempi[i] : primo;
                        picco = std::max(picco,
                                         passoMm * 1000 / (campioni[i].ticks * scala.Base_tempi));
                    }
                }
                EXPECT_NEAR((alto - basso) * double(scala.Fattore_spostamento), v.displacementMm,
                            passoMm)
                    << nome;
                EXPECT_NEAR(primo, v.concentricStartS + 0.075, 0.075) << nome;
                EXPECT_NEAR(picco, v.peakConcentricMmS, 0.05 * v.peakConcentricMmS) << nome;
            }
            EXPECT_NEAR(m.truth()[1].meanConcentricMmS, 700 * 0.95, 1e-6);
            EXPECT_NEAR(m.truth()[2].meanConcentricMmS, 350 * 0.95 * 0.95, 1e-6);

            // The 1 s pause at the top of the third rise: whole reports of still samples.
            const double da = m.truth()[2].eccentricStartS - 0.9;
            int ferme = 0;
            for (size_t i = 0; i < campioni.size(); ++i) {
                const bool ferma = invio[i] > da && invio[i] < da + 0.8;
                ferme += ferma;
                EXPECT_TRUE(!ferma ||
                            (campioni[i].ticks == 0 && campioni[i].count == campioni[i - 1].count))
                    << nome << " #" << i;
            }
            EXPECT_EQ(ferme % (hid ? 8 : 1), 0) << nome;
            EXPECT_GE(ferme, hid ? 7 * 8 : 7) << nome;
        }
    }
}

TEST(ModelloScheda, theSameSeedGivesTheSameBytesAndNoiseMovesTheSteps) {
    const auto byte = [](double rumore, std::uint32_t seme) {
        return BoardModel(tipicoSet(rumore, seme), 1, Link::Serial).serialBytes();
    };
    EXPECT_EQ(byte(0.3, 7), byte(0.3, 7));
    EXPECT_NE(byte(0.3, 7), byte(0.3, 8));
    EXPECT_NE(byte(0.3, 7), byte(0, 7));
    EXPECT_EQ(byte(0, 7), byte(0, 8)); // without noise the seed is unused
}
