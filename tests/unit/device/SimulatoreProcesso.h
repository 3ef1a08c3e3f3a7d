#pragma once

// kinetra-board-sim run as a separate process for a test: started with its options, its device
// path read from its first line, stopped when the test ends.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

class SimulatoreProcesso {
public:
    explicit SimulatoreProcesso(const QStringList& argomenti) {
        m_processo.setProgram(QStringLiteral(KINETRA_BOARD_SIM));
        m_processo.setArguments(QStringList{QStringLiteral("--verbose")} + argomenti);
        m_processo.start();
        if (!m_processo.waitForStarted(5000) || !m_processo.waitForReadyRead(5000)) {
            ADD_FAILURE() << "kinetra-board-sim did not start";
            return;
        }
        while (!m_processo.canReadLine() && m_processo.waitForReadyRead(2000)) {
        }
        m_percorso = QString::fromLocal8Bit(m_processo.readLine()).trimmed();
    }
    ~SimulatoreProcesso() { ferma(); }

    const QString& percorso() const { return m_percorso; }
    QProcess& processo() { return m_processo; }

    // What the simulator has logged so far.
    const QString& registro() {
        m_registro += QString::fromLocal8Bit(m_processo.readAllStandardError());
        return m_registro;
    }

    // Stops the simulator and returns what it logged (the bytes and commands it received).
    QString ferma() {
        if (m_processo.state() != QProcess::NotRunning) {
            m_processo.terminate();
            if (!m_processo.waitForFinished(5000)) {
                m_processo.kill();
                m_processo.waitForFinished(5000);
            }
        }
        m_registro += QString::fromLocal8Bit(m_processo.readAllStandardError());
        return m_registro;
    }

private:
    QProcess m_processo;
    QString m_percorso;
    QString m_registro;
};
