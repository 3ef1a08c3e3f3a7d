#include "athlete/FileConfigurazione.h"

#include "ScritturaLimitata.h"
#include "core/Testo.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kinetra;

namespace {

// A data root of its own with one athlete, Rossi of squad "Prima".
struct Radice {
    QTemporaryDir dir;
    Stato stato{dir.path()};
    QString cartella = dir.filePath(QStringLiteral("Prima/Rossi"));
    QString config = dir.filePath(QStringLiteral("Prima/Rossi/Rossi.cfg"));

    Radice() {
        QDir().mkpath(cartella);
        stato.Dati_esercizio.Squadra = QStringLiteral("Prima");
        stato.Dati_esercizio.Nome_utente = QStringLiteral("Rossi");
        stato.Dati_esercizio.Cartella_atleta = cartella;
        stato.Dati_esercizio.Pos_campi = {0, 2, 1, 0, 3, 1, 1, 0, -1, 0, 0};
    }
};

ListeValori listeTipiche() {
    ListeValori l(9);
    l[0] = {QStringLiteral("Prima"), QStringLiteral("Juniores, B")};
    l[1] = {QStringLiteral("Rossi"), QStringLiteral("Bianchi")}; // from the folders, never stored
    l[2] = {QStringLiteral("60"), QStringLiteral("80")};
    l[3] = {QStringLiteral("Squat")};
    l[4] = {QStringLiteral("1200")};
    l[5] = {QStringLiteral("80%")};
    return l;
}

TEST(SalvaFileConfig, WritesValueListsAndPositionsByteForByte) {
    Radice r;
    ASSERT_EQ(Salva_File_Config(r.stato, listeTipiche()), QString());
    EXPECT_EQ(*leggiFile(r.stato.File_ini), QByteArray(" 8 \r\n"
                                                       " 1 \r\nPrima\r\n\"Juniores, B\"\r\n"
                                                       " 1 \r\n60\r\n80\r\n"
                                                       " 0 \r\nSquat\r\n"
                                                       " 0 \r\n1200\r\n"
                                                       " 0 \r\n80%\r\n"
                                                       "-1 \r\n-1 \r\n-1 \r\n"));
    EXPECT_EQ(*leggiFile(r.config),
              "pesi_cfg\r\n 0 \r\n 2 \r\n 1 \r\n 0 \r\n 3 \r\n 1 \r\n 1 \r\n 0 \r\n-1 \r\n 0 \r\n"
              " 0 \r\n" +
                  codificaTesto(r.cartella) + "\r\n");
}

TEST(SalvaFileConfig, RoundTripGivesBackPositionsFolderAndEveryEntry) {
    Radice r;
    ListeValori liste = listeTipiche();
    liste[3] = {QStringLiteral("Panca, piana"),
                QStringLiteral("  rientrato"),
                QStringLiteral("5\" di rialzo"),
                QStringLiteral("Velocità"),
                QString(),
                QStringLiteral("due\r\nrighe")};
    ASSERT_EQ(Salva_File_Config(r.stato, liste), QString());

    Stato letto(r.dir.path());
    ASSERT_EQ(Carica_File_Config(r.config, letto), QString());
    EXPECT_EQ(letto.Dati_esercizio.Pos_campi, r.stato.Dati_esercizio.Pos_campi);
    EXPECT_EQ(letto.Dati_esercizio.Cartella_atleta, r.cartella);

    ListeValori riletto(9, QStringList{QStringLiteral("già presente")});
    ASSERT_EQ(leggiListeValori(r.stato.File_ini, riletto), QString());
    liste[1].clear();
    EXPECT_EQ(riletto, liste);
}

TEST(SalvaFileConfig, WithoutAnAthleteWritesOnlyTheValueLists) {
    Radice r;
    r.stato.Dati_esercizio.Nome_utente.clear();
    ASSERT_EQ(Salva_File_Config(r.stato, listeTipiche()), QString());
    EXPECT_TRUE(QFileInfo::exists(r.stato.File_ini));
    EXPECT_EQ(QDir(r.cartella).entryList(QDir::Files), QStringList());
}

TEST(SalvaFileConfig, WritesToTheGivenNameWhenOneIsGiven) {
    Radice r;
    const QString altrove = r.dir.filePath(QStringLiteral("copia.cfg"));
    ASSERT_EQ(Salva_File_Config(r.stato, listeTipiche(), altrove), QString());
    EXPECT_TRUE(leggiFile(altrove)->startsWith("pesi_cfg\r\n"));
    EXPECT_FALSE(QFileInfo::exists(r.config));
}

TEST(SalvaFileConfig, RefusesAnEntryItCouldNotReadBackAndKeepsTheOldFiles) {
    const QString entries[] = {QStringLiteral("\"citato\""), QStringLiteral("a \"b\", c"),
                               QStringLiteral(" \"x")};
    for (const QString& voce : entries) {
        Radice r;
        ASSERT_EQ(Salva_File_Config(r.stato, listeTipiche()), QString());
        const QByteArray ini = *leggiFile(r.stato.File_ini);
        const QByteArray cfg = *leggiFile(r.config);
        ListeValori liste = listeTipiche();
        liste[3].append(voce);
        r.stato.Dati_esercizio.Pos_campi.fill(5);
        EXPECT_TRUE(Salva_File_Config(r.stato, liste).startsWith(VirgoletteNonAmmesse))
            << voce.toStdString();
        EXPECT_EQ(*leggiFile(r.stato.File_ini), ini);
        EXPECT_EQ(*leggiFile(r.config), cfg);
        // The window refuses any double quote before it reaches a list.
        EXPECT_EQ(controllaVoceLista(voce), QStringLiteral("Il carattere \" non è ammesso!"));
    }
    EXPECT_EQ(controllaVoceLista(QStringLiteral("Panca, piana")), QString());
}

TEST(SalvaFileConfig, NeverWritesOutsideTheAthleteFolder) {
    Radice r;
    r.stato.Dati_esercizio.Nome_utente = QStringLiteral("../../fuori");
    EXPECT_NE(Salva_File_Config(r.stato, listeTipiche()), QString());
    EXPECT_FALSE(QFileInfo::exists(r.dir.filePath(QStringLiteral("fuori.cfg"))));
}

TEST(SalvaFileConfig, ReportsFailuresAndKeepsWhatWasAlreadyWritten) {
    {
        Radice r; // a file stands where the ini folder should be
        ASSERT_EQ(scriviFile(r.stato.Cartella_ini, "x", false), QString());
        EXPECT_TRUE(Salva_File_Config(r.stato, listeTipiche())
                        .startsWith(QStringLiteral("Impossibile creare la cartella")));
        EXPECT_FALSE(QFileInfo::exists(r.config));
    }
    {
        Radice r; // the athlete folder is gone: the value lists stay written
        r.stato.Dati_esercizio.Cartella_atleta = r.dir.filePath(QStringLiteral("Prima/Manca"));
        EXPECT_NE(Salva_File_Config(r.stato, listeTipiche()), QString());
        EXPECT_TRUE(leggiFile(r.stato.File_ini)->startsWith(" 8 \r\n"));
    }
}

#ifdef Q_OS_UNIX
TEST(SalvaFileConfig, AWriteThatFailsHalfwayLeavesTheOldValueListsWhole) {
    Radice r;
    ASSERT_EQ(Salva_File_Config(r.stato, listeTipiche()), QString());
    const QByteArray prima = *leggiFile(r.stato.File_ini);
    ListeValori grandi = listeTipiche();
    for (int i = 0; i < 2000; ++i)
        grandi[3].append(QStringLiteral("Esercizio %1").arg(i));
    QString errore;
    {
        ScritturaLimitata limite(4096);
        ASSERT_TRUE(limite.attiva());
        errore = Salva_File_Config(r.stato, grandi);
    }
    EXPECT_NE(errore, QString());
    EXPECT_EQ(*leggiFile(r.stato.File_ini), prima);
    EXPECT_EQ(QDir(r.stato.Cartella_ini).entryList(QDir::Files),
              QStringList{QStringLiteral("pesi.ini")});
}
#endif

TEST(CaricaFileConfig, TakesTheFolderTheFileIsInNotTheOneItRemembers) {
    Radice r;
    ASSERT_EQ(scriviFile(r.config,
                         "pesi_cfg\r\n 1 \r\n 0 \r\n 4 \r\n 2 \r\n 99 \r\n-1 \r\n 0 \r\n 0 \r\n"
                         "-1 \r\n 0 \r\n 0 \r\nC:\\Kinetra\\Prima\\Rossi\r\n",
                         false),
              QString());
    ASSERT_EQ(Carica_File_Config(r.config, r.stato), QString());
    // Positions beyond a list are kept: choosing them is the window's affair.
    EXPECT_EQ(r.stato.Dati_esercizio.Pos_campi,
              (std::array<std::int32_t, NumeroPosizioni>{1, 0, 4, 2, 99, -1, 0, 0, -1, 0, 0}));
    EXPECT_EQ(r.stato.Dati_esercizio.Cartella_atleta, r.cartella);
}

TEST(CaricaFileConfig, RejectsForeignDamagedOrShortFilesLeavingTheRecordAlone) {
    const QByteArray nove = "pesi_cfg\n1\n2\n3\n4\n5\n6\n7\n8\n9\n";
    struct Caso {
        QByteArray dati;
        QString errore;
    };
    const Caso casi[] = {
        {"PESI_CFG\r\n 1 \r\n", FileNonCompatibile}, // the header is case-sensitive
        {"pesi01\r\n 25 \r\n", FileNonCompatibile},
        {"Kinetra01;\r\n", FileNonCompatibile},
        {"", FineFileInattesa},
        {"pesi_cfg\r\n 1 \r\n 2 \r\n", FineFileInattesa},
        {nove + "10\n11\n", FineFileInattesa}, // no folder line
        {nove + "dieci\n11\n/x\n", TipoNonCorrispondente},
    };
    for (const Caso& c : casi) {
        Radice r;
        ASSERT_EQ(scriviFile(r.config, c.dati, false), QString());
        r.stato.Dati_esercizio.Cartella_atleta = QStringLiteral("/nessuna");
        const DatiEsercizio prima = r.stato.Dati_esercizio;
        EXPECT_EQ(Carica_File_Config(r.config, r.stato), c.errore) << c.dati.toStdString();
        EXPECT_EQ(r.stato.Dati_esercizio.Pos_campi, prima.Pos_campi);
        EXPECT_EQ(r.stato.Dati_esercizio.Cartella_atleta, QStringLiteral("/nessuna"));
    }
    Radice r;
    EXPECT_NE(Carica_File_Config(r.dir.filePath(QStringLiteral("manca.cfg")), r.stato), QString());
}

TEST(LeggiListeValori, FillsOnlyTheFieldsTheFileKnows) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("pesi.ini"));
    struct Caso {
        QByteArray dati;
        std::vector<QStringList> attese; // lists 0, 2, 3, 4 of a window with fields 0 to 8
    };
    const Caso casi[] = {
        // a file of a window with fields 0 to 3, LF-only lines, unquoted entries
        {"3\n0\nPrima\n1\n80\n90\n0\nSquat\n",
         {{QStringLiteral("Prima")},
          {QStringLiteral("80"), QStringLiteral("90")},
          {QStringLiteral("Squat")},
          {}}},
        // every list empty
        {" 8 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n", {{}, {}, {}, {}}},
        // a file of a window with more fields: the extra lists are skipped
        {"10\n0\nA\n0\nB\n0\nC\n0\nD\n-1\n-1\n-1\n-1\n0\nnove\n1\ndieci\ndieci bis\n",
         {{QStringLiteral("A")},
          {QStringLiteral("B")},
          {QStringLiteral("C")},
          {QStringLiteral("D")}}},
        // U = 0: only the squads
        {" 0 \r\n 0 \r\nSola\r\n", {{QStringLiteral("Sola")}, {}, {}, {}}},
    };
    for (const Caso& c : casi) {
        ASSERT_EQ(scriviFile(ini, c.dati, false), QString());
        ListeValori liste(9, QStringList{QStringLiteral("vecchia")});
        ASSERT_EQ(leggiListeValori(ini, liste), QString()) << c.dati.toStdString();
        EXPECT_EQ(liste[0], c.attese[0]);
        EXPECT_EQ(liste[1], QStringList());
        EXPECT_EQ(liste[2], c.attese[1]);
        EXPECT_EQ(liste[3], c.attese[2]);
        EXPECT_EQ(liste[4], c.attese[3]);
        for (std::size_t k = 5; k < 9; ++k)
            EXPECT_EQ(liste[k], QStringList()) << k;
    }
}

TEST(LeggiListeValori, ReportsAFileShorterThanItsCountsKeepingWhatWasRead) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("pesi.ini"));
    struct Caso {
        QByteArray dati;
        QString errore;
        QStringList lista0;
    };
    const Caso casi[] = {
        {"", FineFileInattesa, {}},
        {" 8 \r\n 0 \r\nPrima\r\n 2 \r\n60\r\n", FineFileInattesa, {QStringLiteral("Prima")}},
        {" 8 \r\n 0 \r\nPrima\r\n", FineFileInattesa, {QStringLiteral("Prima")}},
        {"otto\r\n", TipoNonCorrispondente, {}},
        {" 8 \r\nuno\r\nPrima\r\n", TipoNonCorrispondente, {}},
        {"2147483647\r\n-1\r\n", FineFileInattesa, {}}, // a huge U ends at the end of the file
    };
    for (const Caso& c : casi) {
        ASSERT_EQ(scriviFile(ini, c.dati, false), QString());
        ListeValori liste(9);
        EXPECT_EQ(leggiListeValori(ini, liste), c.errore) << c.dati.toStdString();
        EXPECT_EQ(liste[0], c.lista0);
    }
    ListeValori liste(9);
    EXPECT_NE(leggiListeValori(dir.filePath(QStringLiteral("manca.ini")), liste), QString());
}

} // namespace
