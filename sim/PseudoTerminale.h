#pragma once

// POSIX only: a pseudo-terminal whose slave side stands for the board's serial port. The
// simulator keeps a slave descriptor of its own open, so the program may close and reopen the
// port without the master seeing a hang-up.

#include <QByteArray>
#include <QString>

namespace kinetra::sim {

class PseudoTerminale {
public:
    PseudoTerminale() = default;
    ~PseudoTerminale();
    PseudoTerminale(const PseudoTerminale&) = delete;
    PseudoTerminale& operator=(const PseudoTerminale&) = delete;

    // Opens master and slave, slave in raw mode. On failure returns false with the reason.
    bool apri(QString* errore);
    // Hangs up: the program's reads of the port fail from now on.
    void chiudi();

    QString percorso() const { return m_percorso; }
    int master() const { return m_master; }
    bool aperto() const { return m_master >= 0; }

    // Non-blocking; bytes the line cannot take now stay pending (scrivi again when writable).
    QByteArray leggi();
    void scrivi(const QByteArray& byte);
    void scriviInAttesa();
    bool haInAttesa() const { return !m_inAttesa.isEmpty(); }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_percorso;
    QByteArray m_inAttesa;
};

// SIGINT, SIGTERM and SIGHUP end the event loop (through a pipe watched by the loop).
void esciSuSegnale();

} // namespace kinetra::sim
