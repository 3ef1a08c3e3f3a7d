#include "athlete/FileMisure.h"

#include "athlete/EsportazioneCsv.h"
#include "core/Testo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

using namespace kinetra;

namespace {

TEST(LeggiFileMisure, ClearsTheAcquisitionAndTakesThePeriodOnlyFromItsOwnKindOfFile) {
    using enum EsitoFileMisure;
    struct Caso {
        std::optional<QByteArray> dati; // none: no file at all
        EsitoFileMisure esito;
        bool azzera;          // Reset_dati ran
        std::int32_t periodo; // Tempo_campionamento afterwards (7 before)
    };
    const Caso casi[] = {
        {"pesi01\r\n25\r\n", Letto, true, 25},
        {"pesi01, 30 ,1.5\r\n-2.25,3\r\n", Letto, true, 30}, // the period after a comma
        {"pesi01,abc\r\n", Fallito, true, 7},
        {"pesi01\r\n", Fallito, true, 7},
        {"pesi01\r\n20\r\n1,x\r\n", Fallito, true, 20}, // a later failure keeps the period
        {"pesi01\n20\n1e300\n", Fallito, true, 20},     // no single holds it
        {"", Fallito, false, 7},
        {std::nullopt, Fallito, false, 7},
        {contenutoFileCampioni(Stato{}, QLocale(QLocale::Italian)), NonCompatibile, false, 7},
        {"PESI01\r\n10\r\n", NonCompatibile, false, 7},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.dati.value_or("(no file)").toStdString());
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
        const bool estraneo = c.esito == NonCompatibile;
        EXPECT_EQ(a.esito, c.esito);
        EXPECT_EQ(azzeramenti, c.azzera ? 1 : 0);
        EXPECT_EQ(s.Tempo_campionamento, c.periodo);
        // A foreign file changes nothing and says so; every other outcome ends tracing.
        EXPECT_EQ(s.Traccia_attiva, estraneo);
        EXPECT_EQ(a.messaggio == QStringLiteral(" File non compatibile!"), estraneo);
    }
}

} // namespace
