#pragma once

// Helpers of the device tests.

#include "device/ErroreEsecuzione.h"
#include "device/InterfacciaCollegamento.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

inline std::ostream& operator<<(std::ostream& os, const QString& t) {
    return os << '"' << t.toStdString() << '"';
}

// Records what the device link asks of the windows.
struct UiRegistrata : kinetra::InterfacciaCollegamento {
    struct Messaggio {
        QString testo;
        kinetra::IconaMessaggio icona;
        QString titolo;
    };
    std::vector<Messaggio> messaggi;
    int rilasci = 0;
    QStringList titoli;

    QString testi() const { // the messages' texts, joined by " | "
        QStringList t;
        for (const Messaggio& m : messaggi)
            t << m.testo;
        return t.join(QLatin1String(" | "));
    }
    void MsgBox(const QString& testo, kinetra::IconaMessaggio icona,
                const QString& titolo) override {
        messaggi.push_back({testo, icona, titolo});
    }
    void rilasciaButton_start() override { ++rilasci; }
    void impostaTitoloPrincipale(const QString& titolo) override { titoli << titolo; }
};

// The error number a call raises, or 0; every error must describe itself.
inline int erroreDi(const std::function<void()>& f) {
    try {
        f();
    } catch (const kinetra::ErroreEsecuzione& e) {
        EXPECT_FALSE(e.descrizione().isEmpty());
        return e.numero();
    }
    return 0;
}

// "--board-type 2 --silent" as a list of arguments.
inline QStringList opzioni(const char* testo) {
    return QString::fromLatin1(testo).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

#ifdef KINETRA_BOARD_SIM

// kinetra-board-sim as a process: its device path read from its first line, its log (what it
// received and sent) from its standard error, stopped when the test ends.
class SimulatoreProcesso {
public:
    explicit SimulatoreProcesso(const QStringList& argomenti) {
        m_processo.start(KINETRA_BOARD_SIM, QStringList{QStringLiteral("--verbose")} + argomenti);
        while (m_processo.waitForReadyRead(5000) && !m_processo.canReadLine()) {
        }
        m_percorso = QString::fromLocal8Bit(m_processo.readLine()).trimmed();
        EXPECT_FALSE(m_percorso.isEmpty()) << "kinetra-board-sim did not start";
    }
    ~SimulatoreProcesso() { ferma(); }

    const QString& percorso() const { return m_percorso; }
    const QString& registro() {
        m_registro += QString::fromLocal8Bit(m_processo.readAllStandardError());
        return m_registro;
    }
    QString ferma() {
        m_processo.terminate();
        if (!m_processo.waitForFinished(5000))
            m_processo.kill();
        m_processo.waitForFinished(5000);
        return registro();
    }

private:
    QProcess m_processo;
    QString m_percorso;
    QString m_registro;
};

#endif
