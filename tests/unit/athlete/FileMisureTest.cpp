#include "athlete/FileMisure.h"

#include "athlete/EsportazioneCsv.h"
#include "core/Testo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

using namespace kinetra;

namespace {

TEST(LeggiFileMisure, ClearsTheAcquisitionAndTakesThePeriodOnlyFromItsOwnKindOfFile) {
    const QByteArray esportazione = contenutoFileCampioni(Stato{}, QLocale(QLocale::Italian));
    struct Caso {
        const char* descrizione;
        std::optional<QByteArray> dati; // none: no file at all
        EsitoFileMisure esito;
        bool azzera;          // Reset_dati ran
        std::int32_t periodo; // Tempo_campionamento afterwards (7 before)
    };
    const Caso casi[] = {
        {"only the header and the period", "pesi01\r\n25\r\n", EsitoFileMisure::Letto, true, 25},
        {"period after a comma on the first line", "pesi01, 30 ,1.5\r\n-2.25,3\r\n",
         EsitoFileMisure::Letto, true, 30},
        {"quoted header", "\"pesi01\"\n10\n", EsitoFileMisure::Letto, true, 10},
        {"a whole period rounds halves to even", "pesi01\n2.5\n", EsitoFileMisure::Letto, true, 2},
        {"an empty line reads as zero", "pesi01\n20\n1\n\n2\n", EsitoFileMisure::Letto, true, 20},
        {"text after the header on the same line", "pesi01,abc\r\n", EsitoFileMisure::Fallito, true,
         7},
        {"no period", "pesi01\r\n", EsitoFileMisure::Fallito, true, 7},
        {"a later value that is not a number keeps the period", "pesi01\r\n20\r\n1,x\r\n",
         EsitoFileMisure::Fallito, true, 20},
        {"a value no single can hold", "pesi01\n20\n1e300\n", EsitoFileMisure::Fallito, true, 20},
        {"empty file", "", EsitoFileMisure::Fallito, false, 7},
        {"missing file", std::nullopt, EsitoFileMisure::Fallito, false, 7},
        {"a raw-sample export", esportazione, EsitoFileMisure::NonCompatibile, false, 7},
        {"the header is case-sensitive", "PESI01\r\n10\r\n", EsitoFileMisure::NonCompatibile, false,
         7},
    };
    for (const Caso& c : casi) {
        QTemporaryDir dir;
        const QString percorso = dir.filePath(QStringLiteral("misura.txt"));
        if (c.dati) {
            ASSERT_EQ(scriviFile(percorso, *c.dati, false), QString());
        }
        Stato s;
        s.Tempo_campionamento = 7;
        s.Traccia_attiva = true;
        int azzeramenti = 0;
        const AperturaFileMisure a = leggiFileMisure(percorso, s, [&] { ++azzeramenti; });
        const bool estraneo = c.esito == EsitoFileMisure::NonCompatibile;
        EXPECT_EQ(a.esito, c.esito) << c.descrizione;
        EXPECT_EQ(azzeramenti, c.azzera ? 1 : 0) << c.descrizione;
        EXPECT_EQ(s.Tempo_campionamento, c.periodo) << c.descrizione;
        // A foreign file changes nothing; every other outcome ends with tracing off.
        EXPECT_EQ(s.Traccia_attiva, estraneo) << c.descrizione;
        EXPECT_EQ(a.messaggio == QStringLiteral(" File non compatibile!"), estraneo)
            << c.descrizione;
    }
}

} // namespace
