#include "athlete/FileConfigurazione.h"

#include "core/Testo.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kinetra;
using namespace Qt::StringLiterals;

namespace {

// A data root of its own with one athlete, Rossi of squad "Prima".
struct Radice {
    QTemporaryDir dir;
    Stato stato{dir.path()};
    // List 1 (athletes) comes from the folders and is never stored.
    ListeValori liste{{u"Prima"_s, u"Juniores, B"_s}, {u"Rossi"_s}, {u"60"_s, u"80"_s}, {u"1"_s}};

    Radice() {
        stato.Dati_esercizio.Nome_utente = u"Rossi"_s;
        stato.Dati_esercizio.Cartella_atleta = dir.filePath(u"Prima/Rossi"_s);
        QDir().mkpath(stato.Dati_esercizio.Cartella_atleta);
        stato.Dati_esercizio.Pos_campi = {0, 2, 1, 0, 3, 1, 1, 0, -1, 0, 0};
        liste.resize(9);
    }
    // Every configuration file below the root, relative to it.
    QStringList fileCfg() const {
        QStringList trovati;
        QDirIterator it(dir.path(), {u"*.cfg"_s}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            trovati << QDir(dir.path()).relativeFilePath(it.next());
        return trovati;
    }
};

TEST(SalvaFileConfig, WritesBytesThatReadBackUnchanged) {
    Radice r;
    ListeValori liste = r.liste;
    liste[3] = {u"Panca, piana"_s, u"  rientrato"_s, u"5\" di rialzo"_s,
                u"Velocità"_s,     QString(),        u"due\r\nrighe"_s};
    r.stato.Dati_esercizio.Pos_campi[3] = 99; // beyond its list: the window's affair
    // The folder of another machine: loading takes the file's own folder instead.
    r.stato.Dati_esercizio.Cartella_atleta = u"C:\\Kinetra\\Prima\\Rossi"_s;
    const QString copia = r.dir.filePath(u"copia.cfg"_s);
    ASSERT_EQ(Salva_File_Config(r.stato, liste, copia), QString());
    EXPECT_EQ(*leggiFile(r.stato.File_ini),
              QByteArray(" 8 \r\n 1 \r\nPrima\r\n\"Juniores, B\"\r\n 1 \r\n60\r\n80\r\n 5 \r\n"
                         "\"Panca, piana\"\r\n\"  rientrato\"\r\n5\" di rialzo\r\nVelocit\xE0\r\n"
                         "\r\n\"due\r\nrighe\"\r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n"));
    EXPECT_EQ(*leggiFile(copia), "pesi_cfg\r\n 0 \r\n 2 \r\n 1 \r\n 99 \r\n 3 \r\n 1 \r\n 1 \r\n"
                                 " 0 \r\n-1 \r\n 0 \r\n 0 \r\nC:\\Kinetra\\Prima\\Rossi\r\n");

    Stato letto(r.dir.path());
    ASSERT_EQ(Carica_File_Config(copia, letto), QString());
    EXPECT_EQ(letto.Dati_esercizio.Pos_campi, r.stato.Dati_esercizio.Pos_campi);
    EXPECT_EQ(letto.Dati_esercizio.Cartella_atleta, r.dir.path());
    ListeValori riletto(9, QStringList{u"già presente"_s});
    ASSERT_EQ(leggiListeValori(r.stato.File_ini, riletto), QString());
    liste[1].clear();
    EXPECT_EQ(riletto, liste);
}

TEST(SalvaFileConfig, WritesTheConfigurationOnlyWhereItBelongsAndKeepsTheValueLists) {
    struct Caso {
        QString nome;
        QString filename; // relative to the root
        bool riesce;
        QStringList cfg;
    };
    const Caso casi[] = {
        {u"Rossi"_s, {}, true, {u"Prima/Rossi/Rossi.cfg"_s}},
        {{}, {}, true, {}}, // no athlete: the value lists only
        {u"Rossi"_s, u"manca/copia.cfg"_s, false, {}},
        {u"../../fuori"_s, {}, false, {}},
    };
    for (const Caso& c : casi) {
        Radice r;
        r.stato.Dati_esercizio.Nome_utente = c.nome;
        const QString filename = c.filename.isEmpty() ? QString() : r.dir.filePath(c.filename);
        EXPECT_EQ(Salva_File_Config(r.stato, r.liste, filename).isEmpty(), c.riesce)
            << c.nome.toStdString();
        EXPECT_EQ(r.fileCfg(), c.cfg) << c.nome.toStdString();
        EXPECT_TRUE(leggiFile(r.stato.File_ini).value_or("").startsWith(" 8 \r\n"));
    }
}

TEST(SalvaFileConfig, WithoutItsFolderTheValueListsFileFailsAndNothingElseIsWritten) {
    Radice r;
    ASSERT_EQ(scriviFile(r.stato.Cartella_ini, "x", false), QString());
    EXPECT_TRUE(Salva_File_Config(r.stato, r.liste).startsWith(u"Impossibile creare"_s));
    EXPECT_EQ(r.fileCfg(), QStringList());
}

TEST(SalvaFileConfig, RefusesAnEntryItCouldNotReadBackAndWritesNothing) {
    for (const QString& voce : {u"\"citato\""_s, u"a \"b\", c"_s, u" \"x"_s}) {
        Radice r;
        r.liste[3].append(voce);
        EXPECT_TRUE(Salva_File_Config(r.stato, r.liste).startsWith(VirgoletteNonAmmesse))
            << voce.toStdString();
        EXPECT_FALSE(QFileInfo::exists(r.stato.File_ini));
        EXPECT_EQ(r.fileCfg(), QStringList());
        // The window refuses any double quote before it reaches a list.
        EXPECT_EQ(controllaVoceLista(voce), u"Il carattere \" non è ammesso!"_s);
    }
    EXPECT_EQ(controllaVoceLista(u"Panca, piana"_s), QString());
}

TEST(CaricaFileConfig, RejectsForeignDamagedOrShortFilesLeavingTheRecordAlone) {
    const QByteArray nove = "pesi_cfg\n1\n2\n3\n4\n5\n6\n7\n8\n9\n";
    const std::pair<QByteArray, QString> casi[] = {
        {"PESI_CFG\r\n 1 \r\n", FileNonCompatibile}, // the header is case-sensitive
        {"", FineFileInattesa},
        {"pesi_cfg\r\n 1 \r\n 2 \r\n", FineFileInattesa},
        {nove + "10\n11\n", FineFileInattesa}, // no folder line
        {nove + "dieci\n11\n/x\n", TipoNonCorrispondente},
    };
    for (const auto& [dati, errore] : casi) {
        Radice r;
        const QString config = r.dir.filePath(u"Rossi.cfg"_s);
        ASSERT_EQ(scriviFile(config, dati, false), QString());
        const DatiEsercizio prima = r.stato.Dati_esercizio;
        EXPECT_EQ(Carica_File_Config(config, r.stato), errore) << dati.toStdString();
        EXPECT_EQ(r.stato.Dati_esercizio.Pos_campi, prima.Pos_campi);
        EXPECT_EQ(r.stato.Dati_esercizio.Cartella_atleta, prima.Cartella_atleta);
    }
    Radice r;
    EXPECT_NE(Carica_File_Config(r.dir.filePath(u"manca.cfg"_s), r.stato), QString());
}

TEST(LeggiListeValori, FillsTheListsTheFileKnowsAndKeepsWhatWasReadBeforeAFailure) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"pesi.ini"_s);
    struct Caso {
        QByteArray dati;
        ListeValori attese; // the lists not given are empty
        QString errore = {};
    };
    const Caso casi[] = {
        // written for fields 0 to 3, LF-only lines
        {"3\n0\nPrima\n1\n80\n90\n0\nSquat\n",
         {{u"Prima"_s}, {}, {u"80"_s, u"90"_s}, {u"Squat"_s}}},
        {" 8 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n-1 \r\n", {}},
        // written for more fields: the lists beyond ours are skipped
        {"10\n0\nA\n0\nB\n0\nC\n0\nD\n-1\n-1\n-1\n-1\n0\nnove\n1\ndieci\ndieci bis\n",
         {{u"A"_s}, {}, {u"B"_s}, {u"C"_s}, {u"D"_s}}},
        {" 8 \r\n 0 \r\nPrima\r\n 2 \r\n60\r\n", {{u"Prima"_s}, {}, {u"60"_s}}, FineFileInattesa},
        {"", {}, FineFileInattesa},
        {"otto\r\n", {}, TipoNonCorrispondente},
    };
    for (Caso c : casi) {
        ASSERT_EQ(scriviFile(ini, c.dati, false), QString());
        ListeValori liste(9, QStringList{u"vecchia"_s});
        EXPECT_EQ(leggiListeValori(ini, liste), c.errore) << c.dati.toStdString();
        c.attese.resize(9);
        EXPECT_EQ(liste, c.attese) << c.dati.toStdString();
    }
    ListeValori liste(9);
    EXPECT_NE(leggiListeValori(dir.filePath(u"manca.ini"_s), liste), QString());
}

} // namespace
