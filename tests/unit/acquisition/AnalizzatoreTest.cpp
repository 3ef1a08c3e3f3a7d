// The built kinetra-analyze against the engine: the same stream must give the same table.

#include "AcquisizioneSimulata.h"
#include "TestApp.h"
#include "athlete/EsportazioneCsv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kinetra;

namespace {

struct Uscita {
    int codice = -1;
    QByteArray out, err;
};

Uscita analizza(const QStringList& argomenti) {
    testApp();
    QProcess p;
    p.start(QStringLiteral(KINETRA_ANALYZE), argomenti);
    EXPECT_TRUE(p.waitForFinished(60000)) << "kinetra-analyze did not finish";
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray leggi(const QString& percorso) {
    QFile f(percorso);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << percorso.toStdString();
    return f.readAll();
}

void scrivi(const QString& percorso, const QByteArray& dati) {
    QFile f(percorso);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(dati), dati.size());
}

// Everything after the first line, which holds the date and time of the run.
QByteArray senzaData(const QByteArray& tabella) {
    return tabella.mid(tabella.indexOf("\r\n") + 2);
}

struct Caso {
    sim::Link link;
    int tipo;
    const char* locale;
    QLocale qlocale;
};

} // namespace

TEST(KinetraAnalyze, WritesTheTableAndTheRawSamplesTheEngineGivesForTheSameStream) {
    const Caso casi[] = {
        {sim::Link::Serial, 1, "en", QLocale(QLocale::English, QLocale::UnitedStates)},
        {sim::Link::Hid, 3, "it", QLocale(QLocale::Italian, QLocale::Italy)},
    };
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.locale);
        sim::SetSpec descrizione;
        descrizione.noise = 0.1;
        descrizione.seed = 5;
        descrizione.fatigue = 0.05;
        descrizione.initialLiftMm = 400;
        descrizione.initialLiftMmS = 300;
        descrizione.repetitions.resize(6);
        const sim::BoardModel modello(descrizione, c.tipo, c.link);

        // The engine, fed as a running acquisition is.
        Stato stato;
        stato.Dati_esercizio.Ampiezza_minima = 120;
        stato.Memo_attivo = true;
        test::VistaConTabella vista(stato, c.qlocale);
        const QByteArray flusso = test::acquisisciDalModello(modello, stato, vista);
        ASSERT_EQ(vista.righe.size(), 6u);
        const QByteArray tabellaMotore =
            contenutoFileDati(vista.colonne, stato, c.qlocale, QDateTime::currentDateTime());

        const QString registrazione = cartella.filePath(QStringLiteral("set.bin"));
        const QString tabella = cartella.filePath(QStringLiteral("tabella.csv"));
        const QString grezzi = cartella.filePath(QStringLiteral("grezzi.csv"));
        scrivi(registrazione, flusso);
        const QStringList comuni = {
            QStringLiteral("--link"),
            QLatin1String(c.link == sim::Link::Serial ? "serial" : "hid"),
            QStringLiteral("--board-type"),
            QString::number(c.tipo),
            QStringLiteral("--min-displacement"),
            QStringLiteral("120"),
            QStringLiteral("--locale"),
            QLatin1String(c.locale),
        };

        const Uscita suStdout = analizza(comuni + QStringList{registrazione});
        ASSERT_EQ(suStdout.codice, 0) << suStdout.err.constData();
        EXPECT_EQ(senzaData(suStdout.out), senzaData(tabellaMotore));
        EXPECT_TRUE(suStdout.err.isEmpty()) << suStdout.err.constData();
        const QByteArray primaRiga = suStdout.out.left(suStdout.out.indexOf("\r\n"));
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral(R"(^\d\d \d\d \d{4};\d{1,2}\D\d\d\D\d{1,2};$)"))
                .match(QString::fromLatin1(primaRiga))
                .hasMatch())
            << primaRiga.constData();

        const Uscita suFile =
            analizza(comuni + QStringList{QStringLiteral("-o"), tabella, QStringLiteral("--raw"),
                                          grezzi, registrazione});
        ASSERT_EQ(suFile.codice, 0) << suFile.err.constData();
        EXPECT_TRUE(suFile.out.isEmpty());
        EXPECT_EQ(senzaData(leggi(tabella)), senzaData(tabellaMotore));
        EXPECT_EQ(leggi(grezzi), contenutoFileCampioni(stato, c.qlocale));
        EXPECT_GT(stato.N_campioni, 100);
    }
}

TEST(KinetraAnalyze, RefusesWhatItCannotAnalyseWithAClearMessageAndExitStatus) {
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QString vuoto = cartella.filePath(QStringLiteral("vuoto.bin"));
    const QString corto = cartella.filePath(QStringLiteral("corto.bin"));
    const QString buono = cartella.filePath(QStringLiteral("buono.bin"));
    scrivi(vuoto, {});
    scrivi(corto, QByteArray(2 * 65 + 1, '\0'));
    scrivi(buono, QByteArray(3 * 65, '\0'));
    const QString mancante = cartella.filePath(QStringLiteral("mancante.bin"));
    const QString senzaCartella = cartella.filePath(QStringLiteral("no/such/folder/t.csv"));

    struct Rifiuto {
        QStringList argomenti;
        int codice;
        const char* messaggio;
    };
    const Rifiuto casi[] = {
        {{mancante}, 1, "cannot read"},
        {{vuoto}, 1, "empty"},
        {{QStringLiteral("--link"), QStringLiteral("hid"), corto}, 1, "not"},
        {{QStringLiteral("--frobnicate"), buono}, 2, "frobnicate"},
        {{QStringLiteral("--link"), QStringLiteral("usb"), buono}, 2, "--link"},
        {{QStringLiteral("--board-type"), QStringLiteral("4"), buono}, 2, "--board-type"},
        {{QStringLiteral("--min-displacement"), QStringLiteral("ten"), buono},
         2,
         "--min-displacement"},
        {{QStringLiteral("--vel-max"), QStringLiteral("-5"), buono}, 2, "--vel-max"},
        {{QStringLiteral("--locale"), QStringLiteral("fr"), buono}, 2, "--locale"},
        {{}, 2, "no stream"},
        {{buono, buono}, 2, "one stream"},
        {{QStringLiteral("--link"), QStringLiteral("hid"), QStringLiteral("-o"), senzaCartella,
          buono},
         1,
         "cannot write"},
    };
    for (const Rifiuto& r : casi) {
        const Uscita u = analizza(r.argomenti);
        EXPECT_EQ(u.codice, r.codice) << r.argomenti.join(' ').toStdString();
        EXPECT_TRUE(u.err.contains(r.messaggio))
            << r.argomenti.join(' ').toStdString() << ": " << u.err.constData();
        EXPECT_TRUE(u.out.isEmpty()) << r.argomenti.join(' ').toStdString();
    }

    // A HID capture of still reports is well formed: the header lines and no row.
    const Uscita ok = analizza({QStringLiteral("--link"), QStringLiteral("hid"), buono});
    EXPECT_EQ(ok.codice, 0) << ok.err.constData();
    EXPECT_EQ(ok.out.count("\r\n"), 2);

    const Uscita aiuto = analizza({QStringLiteral("--help")});
    EXPECT_EQ(aiuto.codice, 0);
    EXPECT_TRUE(aiuto.out.contains("--min-displacement"));
}
