#include "athlete/EsportazioneCsv.h"

#include "core/Testo.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <utility>

using namespace kinetra;
using namespace Qt::StringLiterals;

namespace {

const QLocale italiano(QLocale::Italian, QLocale::Italy);
const QLocale inglese(QLocale::English, QLocale::UnitedStates);
const QDateTime adesso(QDate(2024, 3, 5), QTime(9, 7, 3));

// Three stored samples (the fourth element is past them); the record of repetition 2 is missing.
Stato statoProva() {
    Stato s;
    s.Campioni = {{412.6f, 0.0125f, 0.0125f, -772.8f},
                  {2.5f, -0.0125f, 0.025f, 0.0f},
                  {1000.49f, 0.0000005f, 1234.5678f, 123.456f},
                  {9.0f, 9.0f, 9.0f, 9.0f}};
    s.N_campioni = 3;
    s.Dati_esercizio.Nome_utente = u"Rossi"_s;
    s.Dati_esercizio.Esercizio = u"Squat \"basso\""_s;
    s.Dati_esercizio.Carico = 80;
    s.Ripetizioni.resize(2);
    s.Ripetizioni[1].Nota = u"buona;veloce"_s;
    return s;
}

// Two rows of the results table as displayed in `locale`, with a cell that is not a number and
// one missing; the notes come from the records.
ColonneTabella tabella(const QLocale& locale) {
    ColonneTabella c;
    for (const QString& riga :
         {u"1 2.35 0.52 n/a 800 1200 0.31 205 0.80 -413 -520 -900 0.40 -210"_s,
          u"2 4.1 0.6 398 760 1100 0.3 190 0.75 -400 -530 -880 0.39 -200"_s}) {
        const QStringList celle = riga.split(u' ');
        for (int i = 0; i < 14; ++i)
            c[i] << (locale == italiano ? QString(celle[i]).replace(u'.', u',') : celle[i]);
    }
    c[9].removeLast();
    c[14] << u"shown"_s << QString();
    return c;
}

TEST(Esportazioni, WriteTheExactBytesOfTheSpreadsheetLocale) {
    const Stato s = statoProva();
    const QByteArray campioni = "Kinetra01;\r\nTempo;Posizione;Velocita;dt\r\n"
                                "0,0125;413;-772,8000;0,0125000\r\n"
                                "0,0250;3;0,0000;-0,0125000\r\n"
                                "1234,5677;1000;123,4560;0,0000005\r\n";
    const QByteArray intestazione =
        "05 03 2024;9:07:3;\r\n"
        "Nome;Esercizio;Carico;N\xB0Rip;Tempo;Durata;Spost;Vmedia;Vmax;TdiVmax;SdiVmax;Durata;"
        "Spost;Vmedia;Vmax;TdiVmax;SdiVmax;NOTA;\r\n";
    const QByteArray dati =
        intestazione +
        "Rossi;\"Squat \"\"basso\"\"\";80,0; 1 ;2,35;0,52;;800,00;1200,00;0,31;205,00;0,80;"
        "-413,00;-520,00;-900,00;0,40;-210,00;\"buona;veloce\";\r\n"
        "Rossi;\"Squat \"\"basso\"\"\";80,0; 2 ;4,10;0,60;398,00;760,00;1100,00;0,30;190,00;0,75;"
        ";-530,00;-880,00;0,39;-200,00;;\r\n";
    // The English files differ only by the decimal separator.
    for (const QLocale& l : {italiano, inglese}) {
        SCOPED_TRACE(l.name().toStdString());
        auto separatore = [&](QByteArray b) {
            return (l == italiano ? b : b.replace(',', '.')).toStdString();
        };
        std::vector<int> avanzamenti;
        const auto progresso = [&](int v) { avanzamenti.push_back(v); };
        EXPECT_EQ(contenutoFileCampioni(s, l).toStdString(), separatore(campioni));
        EXPECT_EQ(contenutoFileDati(tabella(l), s, l, adesso, progresso).toStdString(),
                  separatore(dati));
        EXPECT_EQ(avanzamenti, (std::vector<int>{-2, 0, 1})); // the row count, then each row
    }
    // An empty table: the header lines only, and no progress.
    EXPECT_EQ(contenutoFileDati({}, s, italiano, adesso, [](int) { FAIL(); }), intestazione);
    // A sample count the store disagrees with never reads past it.
    for (const auto& [n, righe] : {std::pair{7, 6}, {-1, 2}, {0, 2}}) {
        Stato t = s;
        t.N_campioni = n;
        EXPECT_EQ(contenutoFileCampioni(t, italiano).count("\r\n"), righe) << n;
    }
}

TEST(SalvaCsv, NamesAutomaticExportsByTheSecondNeverOverwritingAndSaysWhenItCannotWrite) {
    QTemporaryDir dir;
    Stato s = statoProva();
    s.Cartella_dati = dir.path(); // no athlete: the automatic measurements folder, made on the way
    QString primo, secondo, terzo;
    ASSERT_EQ(Salva_File_Campioni_csv(primo, s, italiano, adesso), QString());
    EXPECT_EQ(primo, dir.filePath(u"misure_auto/2024  mar 05  9.07.3.csv"_s));
    s.N_campioni = 1;
    ASSERT_EQ(Salva_File_Campioni_csv(secondo, s, italiano, adesso), QString());
    EXPECT_EQ(QFileInfo(secondo).fileName(), u"2024  mar 05  9.07.3 2.csv"_s);
    EXPECT_EQ(leggiFile(primo)->count("\r\n"), 5);
    // The table goes beside its samples under their stamp, and keeps that stamp taken.
    const QString dati = nomeDatiAccanto(secondo);
    EXPECT_EQ(QFileInfo(dati).fileName(), u"2024  mar 05  9.07.3 2 dati.csv"_s);
    ASSERT_EQ(Salva_File_Dati_csv(dati, tabella(italiano), s, italiano, adesso), QString());
    EXPECT_EQ(*leggiFile(dati), contenutoFileDati(tabella(italiano), s, italiano, adesso));
    ASSERT_TRUE(QFile::remove(secondo));
    ASSERT_EQ(Salva_File_Campioni_csv(terzo, s, italiano, adesso), QString());
    EXPECT_EQ(QFileInfo(terzo).fileName(), u"2024  mar 05  9.07.3 3.csv"_s);
    s.Dati_esercizio.Cartella_atleta = u"/dati/Prima/Rossi"_s;
    EXPECT_EQ(nomeAutomaticoCampioni(s, inglese, adesso),
              u"/dati/Prima/Rossi/2024  Mar 05  9.07.3.csv"_s);

    QString manca = dir.filePath(u"manca/x.csv"_s);
    EXPECT_NE(Salva_File_Campioni_csv(manca, s, italiano, adesso), QString());
    EXPECT_NE(Salva_File_Dati_csv(manca, tabella(italiano), s, italiano, adesso), QString());
    EXPECT_FALSE(QFileInfo::exists(manca));
}

} // namespace
