// What kinetra-analyze refuses and how it applies its options; the tables it writes are compared
// with the engine's in the simulated set's test.

#include "Banco.h"
#include "core/Testo.h"

#include <QTemporaryDir>

using namespace kinetra;

TEST(KinetraAnalyze, RefusesWhatItCannotAnalyseAndAppliesItsOptions) {
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const auto file = [&](const char* nome) { return cartella.filePath(QLatin1String(nome)); };
    ASSERT_TRUE(scriviFile(file("vuoto.bin"), {}, false).isEmpty());
    ASSERT_TRUE(scriviFile(file("corto.bin"), QByteArray(2 * 65 + 1, '\0'), false).isEmpty());
    ASSERT_TRUE(scriviFile(file("buono.bin"), QByteArray(3 * 65, '\0'), false).isEmpty());
    const struct {
        const char* argomenti; // "@name" is that file in the folder
        int codice;
        const char* messaggio;
    } casi[] = {
        {"@mancante.bin", 1, "cannot read"},
        {"@vuoto.bin", 1, "empty"},
        {"--link hid @corto.bin", 1, "not"},
        {"--link hid -o @no/such/folder/t.csv @buono.bin", 1, "cannot write"},
        {"--frobnicate @buono.bin", 2, "frobnicate"},
        {"--link usb @buono.bin", 2, "--link"},
        {"--board-type 4 @buono.bin", 2, "--board-type"},
        {"--min-displacement ten @buono.bin", 2, "--min-displacement"},
        {"--vel-max -5 @buono.bin", 2, "--vel-max"},
        {"--locale fr @buono.bin", 2, "--locale"},
        {"", 2, "no stream"},
        {"@buono.bin @buono.bin", 2, "one stream"},
    };
    for (const auto& c : casi) {
        QStringList argomenti = QString::fromLatin1(c.argomenti).split(' ', Qt::SkipEmptyParts);
        for (QString& a : argomenti)
            if (a.startsWith('@'))
                a = cartella.filePath(a.mid(1));
        const test::Uscita u = test::analizza(argomenti);
        EXPECT_EQ(u.codice, c.codice) << c.argomenti;
        EXPECT_TRUE(u.err.contains(c.messaggio)) << c.argomenti << ": " << u.err.constData();
        EXPECT_TRUE(u.out.isEmpty()) << c.argomenti;
    }

    // A HID capture of still reports is well formed: the header lines and no row.
    const test::Uscita ok = test::analizza({"--link", "hid", file("buono.bin")});
    EXPECT_EQ(ok.codice, 0) << ok.err.constData();
    EXPECT_EQ(ok.out.count("\r\n"), 2);
    // The minimum displacement applies: no rise of this set exceeds 600 mm.
    const sim::BoardModel modello(test::serie(400, 300), 1, sim::Link::Serial);
    ASSERT_TRUE(scriviFile(file("set.bin"), modello.serialBytes(), false).isEmpty());
    EXPECT_EQ(test::analizza({file("set.bin")}).out.count("\r\n"), 2 + 6);
    EXPECT_EQ(test::analizza({"--min-displacement", "600", file("set.bin")}).out.count("\r\n"), 2);
    const test::Uscita aiuto = test::analizza({"--help"});
    EXPECT_EQ(aiuto.codice, 0);
    EXPECT_TRUE(aiuto.out.contains("--min-displacement"));
}
