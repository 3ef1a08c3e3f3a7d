#include "athlete/EsportazioneCsv.h"

#include "ScritturaLimitata.h"
#include "core/Testo.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kinetra;

namespace {

const QLocale italiano(QLocale::Italian, QLocale::Italy);
const QLocale inglese(QLocale::English, QLocale::UnitedStates);
const QDateTime adesso(QDate(2024, 3, 5), QTime(9, 7, 3));

Stato statoConCampioni() {
    Stato s;
    s.Campioni = {
        {412.6f, 0.0125f, 0.0125f, -772.8f},
        {2.5f, -0.0125f, 0.025f, 0.0f},
        {1000.49f, 0.0000005f, 1234.5678f, 123.456f},
        {9.0f, 9.0f, 9.0f, 9.0f}, // beyond N_campioni: not a stored sample
    };
    s.N_campioni = 3;
    return s;
}

qsizetype righe(const QByteArray& dati) {
    return dati.count("\r\n");
}

TEST(FileCampioni, WritesEveryStoredSampleInTheLocaleOfTheSpreadsheet) {
    const Stato s = statoConCampioni();
    EXPECT_EQ(contenutoFileCampioni(s, italiano),
              QByteArray("Kinetra01;\r\n"
                         "Tempo;Posizione;Velocita;dt\r\n"
                         "0,0125;413;-772,8000;0,0125000\r\n"
                         "0,0250;3;0,0000;-0,0125000\r\n"
                         "1234,5677;1000;123,4560;0,0000005\r\n"));
    EXPECT_EQ(contenutoFileCampioni(s, inglese),
              QByteArray("Kinetra01;\r\n"
                         "Tempo;Posizione;Velocita;dt\r\n"
                         "0.0125;413;-772.8000;0.0125000\r\n"
                         "0.0250;3;0.0000;-0.0125000\r\n"
                         "1234.5677;1000;123.4560;0.0000005\r\n"));
}

TEST(FileCampioni, LineCountFollowsTheStoredSamplesNeverThePastTheStore) {
    struct Caso {
        std::size_t elementi;
        std::int32_t stored;
        qsizetype righeDati;
    };
    const Caso casi[] = {
        {1, 0, 0},  // nothing recorded yet: element 0 holds nothing
        {1, 1, 1},  // one sample
        {2, 2, 2},  // two samples: both written
        {5, 5, 5},  //
        {3, 7, 3},  // a count larger than the store cannot read past it
        {3, -1, 0}, // nor can a negative one
    };
    for (const Caso& c : casi) {
        Stato s;
        s.Campioni.assign(c.elementi, Campione{1, 0.01f, 2, 3});
        s.N_campioni = c.stored;
        EXPECT_EQ(righe(contenutoFileCampioni(s, italiano)), 2 + c.righeDati) << c.stored;
    }
}

ColonneTabella tabella(const QLocale& locale) {
    const bool it = locale.language() == QLocale::Italian;
    auto n = [it](const char* testo) {
        QString t = QString::fromLatin1(testo);
        return it ? t.replace(QLatin1Char('.'), QLatin1Char(',')) : t;
    };
    ColonneTabella c;
    const char* riga1[] = {"1",   "2.35", "0.52", "412",  "800",  "1200", "0.31",
                           "205", "0.80", "-413", "-520", "-900", "0.40", "-210"};
    const char* riga2[] = {"2",   "4.1",  "0.6",  "398",  "760",  "1100", "0.3",
                           "190", "0.75", "-400", "-530", "-880", "0.39", "-200"};
    for (int i = 0; i < 14; ++i) {
        c[i] << n(riga1[i]) << n(riga2[i]);
    }
    c[14] << QStringLiteral("shown") << QString();
    return c;
}

Stato statoConRipetizioni() {
    Stato s;
    s.Dati_esercizio.Nome_utente = QStringLiteral("Rossi");
    s.Dati_esercizio.Esercizio = QStringLiteral("Squat");
    s.Dati_esercizio.Carico = 80;
    s.Ripetizioni.resize(4);
    s.Ripetizioni[1].Nota = QStringLiteral("buona;veloce");
    s.Ripetizioni[2].Nota = QStringLiteral("lenta \"ma\" ok");
    return s;
}

TEST(FileDati, WritesHeaderAndRowsWithNotesThatCannotShiftColumns) {
    const Stato s = statoConRipetizioni();
    const QByteArray intestazione =
        "Nome;Esercizio;Carico;N\xB0Rip;Tempo;Durata;Spost;Vmedia;Vmax;TdiVmax;SdiVmax;Durata;"
        "Spost;Vmedia;Vmax;TdiVmax;SdiVmax;NOTA;\r\n";
    EXPECT_EQ(contenutoFileDati(tabella(italiano), s, italiano, adesso),
              "05 03 2024;9:07:3;\r\n" + intestazione +
                  "Rossi;Squat;80,0; 1 ;2,35;0,52;412,00;800,00;1200,00;0,31;205,00;0,80;"
                  "-413,00;-520,00;-900,00;0,40;-210,00;\"buona;veloce\";\r\n"
                  "Rossi;Squat;80,0; 2 ;4,10;0,60;398,00;760,00;1100,00;0,30;190,00;0,75;"
                  "-400,00;-530,00;-880,00;0,39;-200,00;\"lenta \"\"ma\"\" ok\";\r\n");
    EXPECT_EQ(contenutoFileDati(tabella(inglese), s, inglese, adesso),
              "05 03 2024;9:07:3;\r\n" + intestazione +
                  "Rossi;Squat;80.0; 1 ;2.35;0.52;412.00;800.00;1200.00;0.31;205.00;0.80;"
                  "-413.00;-520.00;-900.00;0.40;-210.00;\"buona;veloce\";\r\n"
                  "Rossi;Squat;80.0; 2 ;4.10;0.60;398.00;760.00;1100.00;0.30;190.00;0.75;"
                  "-400.00;-530.00;-880.00;0.39;-200.00;\"lenta \"\"ma\"\" ok\";\r\n");
}

TEST(FileDati, ReportsTheRowCountThenEachRowAndNothingForAnEmptyTable) {
    struct Caso {
        ColonneTabella colonne;
        qsizetype righe;
        std::vector<int> avanzamenti;
    };
    const Caso casi[] = {
        {ColonneTabella{}, 2, {}},
        {tabella(italiano), 4, {-2, 0, 1}},
    };
    for (const Caso& c : casi) {
        std::vector<int> avanzamenti;
        const QByteArray dati = contenutoFileDati(c.colonne, statoConRipetizioni(), italiano,
                                                  adesso, [&](int v) { avanzamenti.push_back(v); });
        EXPECT_EQ(righe(dati), c.righe);
        EXPECT_EQ(avanzamenti, c.avanzamenti);
    }
}

TEST(FileDati, KeepsEighteenFieldsWhenCellsAreMissingOrNotNumbers) {
    Stato s = statoConRipetizioni();
    s.Dati_esercizio.Nome_utente = QStringLiteral("Bianchi; Anna");
    s.Ripetizioni.resize(1); // notes of records that do not exist are empty
    ColonneTabella c = tabella(inglese);
    c[3][0] = QStringLiteral("n/a");
    c[9].removeLast();
    const QList<QByteArray> linee = contenutoFileDati(c, s, inglese, adesso).split('\n');
    ASSERT_EQ(linee.size(), 5); // two headers, two rows, nothing after the last CR LF
    EXPECT_EQ(linee[2], "\"Bianchi; Anna\";Squat;80.0; 1 ;2.35;0.52;;800.00;1200.00;0.31;205.00;"
                        "0.80;-413.00;-520.00;-900.00;0.40;-210.00;;\r");
    EXPECT_EQ(linee[3], "\"Bianchi; Anna\";Squat;80.0; 2 ;4.10;0.60;398.00;760.00;1100.00;0.30;"
                        "190.00;0.75;;-530.00;-880.00;0.39;-200.00;;\r");
}

TEST(NomiAutomatici, CarryNoCharacterAWindowsFileNameForbids) {
    Stato s;
    s.Dati_esercizio.Cartella_atleta = QStringLiteral("/dati/Squadra/Rossi");
    struct Caso {
        QLocale locale;
        QString atteso;
    };
    const Caso casi[] = {
        {italiano, QStringLiteral("/dati/Squadra/Rossi/2024  mar 05  9.07.3.csv")},
        {inglese, QStringLiteral("/dati/Squadra/Rossi/2024  Mar 05  9.07.3.csv")},
        {QLocale(QLocale::Finnish, QLocale::Finland), {}},
        {QLocale(QLocale::German, QLocale::Germany), {}},
        {QLocale(QLocale::French, QLocale::France), {}},
    };
    for (const Caso& c : casi) {
        const QString nome = nomeAutomaticoCampioni(s, c.locale, adesso);
        if (!c.atteso.isEmpty()) {
            EXPECT_EQ(nome, c.atteso);
        }
        const QString file = QFileInfo(nome).fileName();
        EXPECT_EQ(QFileInfo(nome).path(), s.Dati_esercizio.Cartella_atleta);
        for (const QChar v : QStringLiteral("<>:\"/\\|?*"))
            EXPECT_FALSE(file.contains(v)) << file.toStdString();
        EXPECT_TRUE(file.endsWith(QStringLiteral("9.07.3.csv"))) << file.toStdString();
    }
}

TEST(NomiAutomatici, WithoutAnAthleteGoToTheAutomaticMeasurementsFolder) {
    Stato s(QStringLiteral("/dati"));
    EXPECT_EQ(nomeAutomaticoCampioni(s, italiano, adesso),
              QStringLiteral("/dati/misure_auto/2024  mar 05  9.07.3.csv"));
}

TEST(NomiAutomatici, TableGoesBesideTheSamplesUnderTheSameStamp) {
    EXPECT_EQ(nomeDatiAccanto(QStringLiteral("/d/2024  mar 05  9.07.3.csv")),
              QStringLiteral("/d/2024  mar 05  9.07.3 dati.csv"));
    EXPECT_EQ(nomeDatiAccanto(QStringLiteral("/d/prova.CSV")), QStringLiteral("/d/prova dati.csv"));
    EXPECT_EQ(nomeDatiAccanto(QStringLiteral("/d/prova")), QStringLiteral("/d/prova dati.csv"));
}

TEST(SalvaCsv, AutomaticExportsOfTheSameSecondDoNotOverwriteEachOther) {
    QTemporaryDir dir;
    Stato s = statoConCampioni();
    s.Dati_esercizio.Cartella_atleta = dir.filePath(QStringLiteral("Squadra/Rossi"));
    QString primo;
    ASSERT_EQ(Salva_File_Campioni_csv(primo, s, italiano, adesso), QString());
    EXPECT_EQ(primo, nomeAutomaticoCampioni(s, italiano, adesso));
    ASSERT_EQ(Salva_File_Dati_csv(nomeDatiAccanto(primo), tabella(italiano), s, italiano, adesso),
              QString());

    s.N_campioni = 1;
    QString secondo;
    ASSERT_EQ(Salva_File_Campioni_csv(secondo, s, italiano, adesso), QString());
    EXPECT_EQ(QFileInfo(secondo).fileName(), QStringLiteral("2024  mar 05  9.07.3 2.csv"));
    EXPECT_EQ(righe(*leggiFile(primo)), 5);
    EXPECT_EQ(righe(*leggiFile(secondo)), 3);
    EXPECT_EQ(righe(*leggiFile(nomeDatiAccanto(primo))), 4);
}

TEST(SalvaCsv, AFailedExportSaysSoAndWritesNothing) {
    QTemporaryDir dir;
    const Stato s = statoConRipetizioni();
    QString nome = dir.filePath(QStringLiteral("manca/x.csv"));
    EXPECT_NE(Salva_File_Campioni_csv(nome, s, italiano, adesso), QString());
    EXPECT_NE(Salva_File_Dati_csv(nome, tabella(italiano), s, italiano, adesso), QString());
    EXPECT_FALSE(QFileInfo::exists(nome));

    // The automatic folder cannot be made where a file stands in its way.
    Stato bloccato = s;
    ASSERT_EQ(scriviFile(dir.filePath(QStringLiteral("Squadra")), "x", false), QString());
    bloccato.Dati_esercizio.Cartella_atleta = dir.filePath(QStringLiteral("Squadra/Rossi"));
    QString automatico;
    EXPECT_TRUE(Salva_File_Campioni_csv(automatico, bloccato, italiano, adesso)
                    .startsWith(QStringLiteral("Impossibile creare la cartella")));
}

#ifdef Q_OS_UNIX
TEST(SalvaCsv, AWriteThatFailsHalfwayLeavesTheEarlierFileWhole) {
    QTemporaryDir dir;
    Stato s;
    s.Campioni.assign(1000, Campione{1, 0.01f, 2, 3});
    s.N_campioni = 1000;
    QString nome = dir.filePath(QStringLiteral("export.csv"));
    ASSERT_EQ(scriviFile(nome, "vecchio", false), QString());
    QString errore;
    {
        ScritturaLimitata limite(4096);
        ASSERT_TRUE(limite.attiva());
        errore = Salva_File_Campioni_csv(nome, s, italiano, adesso);
    }
    EXPECT_NE(errore, QString());
    EXPECT_EQ(*leggiFile(nome), QByteArray("vecchio"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("export.csv")});
}
#endif

} // namespace
