#include "core/Testo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kinetra;

namespace {

std::vector<QString> tuttiICampi(const QByteArray& dati) {
    LettoreCampi l(dati);
    std::vector<QString> campi;
    while (auto c = l.campo())
        campi.push_back(*c);
    return campi;
}

TEST(LettoreCampi, SplitsOnCommasAndLineEndsSkippingLeadingBlanks) {
    struct Caso {
        QByteArray dati;
        std::vector<QString> attesi;
    };
    const Caso casi[] = {
        {"pesi_cfg\r\n 3 \r\n-1 \r\n", {"pesi_cfg", "3 ", "-1 "}},
        {"a,b\nc\n", {"a", "b", "c"}},         // LF-only lines
        {"  uno ,  due\r\n", {"uno ", "due"}}, // leading blanks dropped
        {"\"a, b\",c\r\n", {"a, b", "c"}},     // quotes keep a comma
        {"\"ab\"cd,e\r\n", {"ab", "e"}},       // after the closing quote up to the comma
        {"x\r\n\r\ny", {"x", "", "y"}},        // an empty line is an empty field
        {"\"open", {"open"}},                  // unterminated quote runs to the end
        {"last", {"last"}},                    // no final line end
    };
    for (const Caso& c : casi) {
        const auto campi = tuttiICampi(c.dati);
        EXPECT_EQ(campi, c.attesi) << c.dati.toStdString();
    }
}

TEST(LettoreCampi, ReadsNumbersAndRefusesText) {
    LettoreCampi l("pesi01, 25 ,2.5,3.5,abc,,1e3\r\n");
    EXPECT_EQ(l.campo(), QStringLiteral("pesi01"));
    EXPECT_EQ(l.intero(), 25);
    EXPECT_EQ(l.intero(), 2); // halves to even
    EXPECT_EQ(l.intero(), 4);
    EXPECT_FALSE(l.numero().has_value());
    EXPECT_EQ(l.numero(), 0.0); // an empty field reads as 0
    EXPECT_EQ(l.numero(), 1000.0);
    EXPECT_TRUE(l.fine());
    EXPECT_FALSE(l.intero().has_value());
}

TEST(Codifica, RoundTripsWindows1252AndReplacesTheRest) {
    const QString testo = QStringLiteral("Velocità € “x” ſ");
    const QByteArray byte = codificaTesto(testo);
    EXPECT_EQ(byte, QByteArray("Velocit\xE0 \x80 \x93x\x94 ?"));
    EXPECT_EQ(decodificaTesto(byte), QStringLiteral("Velocità € “x” ?"));
}

TEST(ScrittoreRighe, EndsEveryLineWithCrLf) {
    ScrittoreRighe s;
    s.riga(QStringLiteral("pesi_cfg"));
    s.riga(QStringLiteral(" 8 "));
    s.rigaGrezza("a;b");
    EXPECT_EQ(s.dati(), QByteArray("pesi_cfg\r\n 8 \r\na;b\r\n"));
}

TEST(ScriviFile, ReportsFailureAndKeepsTheOldFileWhenAtomic) {
    QTemporaryDir dir;
    const QString percorso = dir.filePath(QStringLiteral("f.txt"));
    EXPECT_TRUE(scriviFile(percorso, "vecchio", true).isEmpty());
    EXPECT_EQ(*leggiFile(percorso), QByteArray("vecchio"));
    EXPECT_TRUE(scriviFile(percorso, "nuovo", true).isEmpty());
    EXPECT_EQ(*leggiFile(percorso), QByteArray("nuovo"));
    const QString inesistente = dir.filePath(QStringLiteral("manca/f.txt"));
    EXPECT_FALSE(scriviFile(inesistente, "x", true).isEmpty());
    EXPECT_FALSE(scriviFile(inesistente, "x", false).isEmpty());
    QString errore;
    EXPECT_FALSE(leggiFile(inesistente, &errore).has_value());
    EXPECT_FALSE(errore.isEmpty());
}

} // namespace
