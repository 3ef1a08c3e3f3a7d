#include "athlete/EsportazioneCsv.h"
#include "athlete/FileConfigurazione.h"
#include "core/Testo.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace kinetra;
using namespace Qt::StringLiterals;

namespace {

// Runs `scrivi` while no file of this process may grow beyond 4 KiB: a full disk, also for root.
QString aDiscoPieno(const std::function<QString()>& scrivi) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit prima{};
    getrlimit(RLIMIT_FSIZE, &prima);
    const rlimit limite{4096, prima.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limite);
    const QString errore = scrivi();
    setrlimit(RLIMIT_FSIZE, &prima);
    return errore;
}

TEST(ScritturaInterrotta, IsReportedAndLeavesTheReplacedFileWhole) {
    QTemporaryDir dir;
    Stato s(dir.path());
    ListeValori liste(9);
    for (int i = 0; i < 2000; ++i)
        liste[3].append(u"Esercizio %1"_s.arg(i));
    s.Campioni.assign(1000, Campione{1, 0.01f, 2, 3});
    s.N_campioni = 1000;
    ColonneTabella tabella;
    tabella[0] = QStringList(1000, u"1"_s);
    QString csv = QDir(s.Cartella_ini).filePath(u"export.csv"_s);
    const QString dati = QDir(s.Cartella_ini).filePath(u"dati.csv"_s);
    const std::pair<QString, std::function<QString()>> casi[] = {
        {s.File_ini, [&] { return Salva_File_Config(s, liste); }},
        {csv, [&] { return Salva_File_Campioni_csv(csv, s); }},
        {dati, [&] { return Salva_File_Dati_csv(dati, tabella, s); }},
    };
    ASSERT_TRUE(QDir().mkpath(s.Cartella_ini));
    for (const auto& [file, salva] : casi)
        ASSERT_EQ(scriviFile(file, "vecchio", false), QString());
    for (const auto& [file, salva] : casi) {
        EXPECT_NE(aDiscoPieno(salva), QString()) << file.toStdString();
        EXPECT_EQ(*leggiFile(file), QByteArray("vecchio")) << file.toStdString();
        EXPECT_EQ(QDir(s.Cartella_ini).entryList(QDir::Files),
                  (QStringList{u"dati.csv"_s, u"export.csv"_s, u"pesi.ini"_s}));
    }
}

} // namespace
