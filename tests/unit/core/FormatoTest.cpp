#include "core/Formato.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kinetra;

namespace {

const QLocale italiano(QLocale::Italian, QLocale::Italy);
const QLocale inglese(QLocale::English, QLocale::UnitedStates);

struct CasoNumero {
    double valore;
    int decimali;
    const char* italiano;
    const char* inglese;
};

TEST(FormatoNumero, RoundsHalvesAwayFromZeroOnTheExactBinaryValue) {
    const CasoNumero casi[] = {
        {80, 1, "80,0", "80.0"},
        {0.125, 2, "0,13", "0.13"},
        {-0.125, 2, "-0,13", "-0.13"},
        {2.5, 0, "3", "3"},
        {-2.5, 0, "-3", "-3"},
        {0.5, 0, "1", "1"},
        {9.995, 2, "9,99", "9.99"}, // 9.995 is 9.99499999... in binary
        {9.5, 0, "10", "10"},
        {99.95, 1, "100,0", "100.0"}, // 99.95 is 99.950000000000003 in binary
        {0.25, 1, "0,3", "0.3"},
        {0.375, 2, "0,38", "0.38"}, // a tie whose even neighbour is below
        {0.625, 2, "0,63", "0.63"}, // a tie whose even neighbour is above
        {1234567.0, 2, "1234567,00", "1234567.00"},
        {0.0, 4, "0,0000", "0.0000"},
        {-772.79998779296875, 4, "-772,8000", "-772.8000"},
        {double(0.1f), 7, "0,1000000", "0.1000000"},
        {double(20.608f), 0, "21", "21"},
        {-0.3, 0, "-0", "-0"},
    };
    for (const CasoNumero& c : casi) {
        EXPECT_EQ(formatoNumero(c.valore, c.decimali, italiano), QString::fromUtf8(c.italiano))
            << c.valore;
        EXPECT_EQ(formatoNumero(c.valore, c.decimali, inglese), QString::fromUtf8(c.inglese))
            << c.valore;
    }
}

TEST(FormatoNumero, FastPathUsesTheGivenSeparatorAndAppends) {
    QByteArray out("x=");
    appendiNumero(out, 3.14159, 4, ',');
    EXPECT_EQ(out, QByteArray("x=3,1416"));
    EXPECT_EQ(separatoreDecimale(italiano), ',');
    EXPECT_EQ(separatoreDecimale(inglese), '.');
}

TEST(NumeroIntero, CarriesALeadingBlankOrMinusAndATrailingBlank) {
    EXPECT_EQ(numeroIntero(3), QStringLiteral(" 3 "));
    EXPECT_EQ(numeroIntero(-1), QStringLiteral("-1 "));
    EXPECT_EQ(numeroIntero(0), QStringLiteral(" 0 "));
    EXPECT_EQ(numeroIntero(1234567), QStringLiteral(" 1234567 "));
}

TEST(TestoSingolo, GivesAtMostSevenSignificantDigits) {
    struct Caso {
        float v;
        const char* it;
        const char* en;
    };
    const Caso casi[] = {{80.0f, "80", "80"},
                         {12.5f, "12,5", "12.5"},
                         {0.1f, "0,1", "0.1"},
                         {1.0f / 3.0f, "0,3333333", "0.3333333"},
                         {-2.75f, "-2,75", "-2.75"},
                         {1.288f, "1,288", "1.288"},
                         {1234567.0f, "1234567", "1234567"},
                         {0.0f, "0", "0"},
                         {100.0f, "100", "100"}};
    for (const Caso& c : casi) {
        EXPECT_EQ(testoSingolo(c.v, italiano), QString::fromUtf8(c.it)) << c.v;
        EXPECT_EQ(testoSingolo(c.v, inglese), QString::fromUtf8(c.en)) << c.v;
    }
}

TEST(ValoreIniziale, TakesTheLongestNumericPrefix) {
    struct Caso {
        const char* testo;
        double atteso;
    };
    const Caso casi[] = {{"80%", 80}, {"  12.5 kg", 12.5}, {"abc", 0},  {"", 0},
                         {"-3x", -3}, {"1,5", 1},          {".5", 0.5}, {"7e2", 700},
                         {"7e", 7},   {"+4", 4},           {"-", 0}};
    for (const Caso& c : casi)
        EXPECT_DOUBLE_EQ(valoreIniziale(QString::fromUtf8(c.testo)), c.atteso) << c.testo;
}

TEST(ArrotondaPari, SendsHalvesToTheEvenNeighbour) {
    const std::pair<double, std::int64_t> casi[] = {{0.5, 0},   {1.5, 2},   {2.5, 2}, {3.5, 4},
                                                    {-2.5, -2}, {-3.5, -4}, {2.4, 2}, {2.6, 3}};
    for (auto [v, atteso] : casi)
        EXPECT_EQ(arrotondaPari(v), atteso) << v;
}

TEST(SingoloDaTesto, FollowsTheLocaleSeparator) {
    EXPECT_FLOAT_EQ(*singoloDaTesto(QStringLiteral("12,50"), italiano), 12.5f);
    EXPECT_FLOAT_EQ(*singoloDaTesto(QStringLiteral("12.50"), inglese), 12.5f);
    EXPECT_FLOAT_EQ(*singoloDaTesto(QStringLiteral(" -3 "), italiano), -3.0f);
    EXPECT_FALSE(singoloDaTesto(QStringLiteral("abc"), italiano).has_value());
    EXPECT_FALSE(singoloDaTesto(QString(), inglese).has_value());
}

TEST(FormatoData, ReadsMinutesAfterHoursAndMonthsElsewhere) {
    const QDateTime t(QDate(2026, 12, 6), QTime(7, 5, 9));
    EXPECT_EQ(formatoData(t, u"dd mm yyyy", italiano), QStringLiteral("06 12 2026"));
    EXPECT_EQ(formatoData(t, u"h:mm:s", italiano), QStringLiteral("7:05:9"));
    EXPECT_EQ(formatoData(t, u" yyyy mm dd hh mm ss", inglese),
              QStringLiteral(" 2026 12 06 07 05 09"));
    EXPECT_EQ(formatoData(t, u"yyyy  mmm dd  h:mm:s", italiano),
              QStringLiteral("2026  dic 06  7:05:9"));
    EXPECT_EQ(formatoData(t, u"yyyy  mmm dd  h:mm:s", inglese),
              QStringLiteral("2026  Dec 06  7:05:9"));
}

} // namespace
