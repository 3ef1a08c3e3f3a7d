#include "core/Stato.h"
#include "core/Attesa.h"
#include "core/Impostazioni.h"

#include "TestApp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kinetra;

namespace {

TEST(Stato, StartsWithTheInitialValuesOfARun) {
    const Stato s(QStringLiteral("/dati"));
    EXPECT_EQ(s.Cartella_ini, QDir::cleanPath(QStringLiteral("/dati/ini")));
    EXPECT_EQ(s.File_ini, QDir::cleanPath(QStringLiteral("/dati/ini/pesi.ini")));
    EXPECT_EQ(s.Stato_connessione, QStringLiteral(" non connesso"));
    EXPECT_EQ(s.Timeout_risposta, 1000);
    EXPECT_FALSE(s.Hid_connesso || s.Seriale_attiva || s.Ricezione_attiva ||
                 s.Acquisizione_attiva || s.Risposta_scaduta || s.Memo_attivo);
    EXPECT_EQ(s.Fattore_spostamento, 0.0f);
    EXPECT_EQ(s.Ripetizioni.size(), 2u);
    EXPECT_EQ(s.Campioni.size(), 1u);
    EXPECT_EQ(s.N_campioni, 0);
    EXPECT_TRUE(s.Titolo_versione.startsWith(QStringLiteral("KINETRA ")));
}

TEST(Stato, VersionCaptionJoinsTheThreeNumbers) {
    EXPECT_EQ(titoloVersione(2, 0, 13), QStringLiteral("KINETRA 2.0.13"));
}

TEST(Stato, EmptyingTheSampleStoreKeepsElementZero) {
    Stato s;
    s.Campioni.resize(5);
    s.Campioni[0].Tempo = 3;
    s.N_campioni = 4;
    s.svuotaCampioni();
    ASSERT_EQ(s.Campioni.size(), 1u);
    EXPECT_EQ(s.Campioni[0].Tempo, 0.0f);
    EXPECT_EQ(s.N_campioni, 0);
}

TEST(Impostazioni, ReturnsDefaultsThenStoredStrings) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("k.ini"));
    {
        Impostazioni imp(file);
        EXPECT_EQ(imp.posizioneUtente(), QStringLiteral("0"));
        EXPECT_EQ(imp.posizioneSquadra(), QStringLiteral("0"));
        EXPECT_EQ(imp.ultimoUtente(), QString());
        EXPECT_EQ(imp.portaSeriale(), QString());
        imp.scrivi(QStringLiteral("funz"), QStringLiteral("nome_utente"), QStringLiteral("Rossi"));
        imp.scrivi(QStringLiteral("Ports"), QStringLiteral("Com3"), QStringLiteral("/dev/pts/7"));
    }
    Impostazioni riletto(file);
    EXPECT_EQ(riletto.ultimoUtente(), QStringLiteral("Rossi"));
    EXPECT_EQ(riletto.dispositivoPorta(3), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(riletto.dispositivoPorta(4), QString());
}

TEST(Attendi, LetsEventsRunAndReturnsAtOnceForNothing) {
    testApp();
    QElapsedTimer t;
    t.start();
    Attendi(0);
    Attendi(-5);
    EXPECT_LT(t.elapsed(), 50);
    bool scattato = false;
    QTimer::singleShot(10, [&] { scattato = true; });
    Attendi(60);
    EXPECT_TRUE(scattato);
    EXPECT_GE(t.elapsed(), 55);
}

TEST(Attendi, ConditionalWaitEndsOnTheConditionOrTheTimeOut) {
    testApp();
    bool pronto = false;
    QTimer::singleShot(20, [&] { pronto = true; });
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(attendiFinche([&] { return pronto; }, 2000));
    EXPECT_LT(t.elapsed(), 1000);
    t.restart();
    EXPECT_FALSE(attendiFinche([] { return false; }, 80));
    EXPECT_GE(t.elapsed(), 75);
}

} // namespace
