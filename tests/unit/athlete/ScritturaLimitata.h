#pragma once

// Makes writes fail the way a full disk does, also for root (for whom read-only folders are
// writable): while an instance lives, no file of this process may grow beyond `byte` bytes.

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

class ScritturaLimitata {
public:
    explicit ScritturaLimitata(rlim_t byte) {
        m_segnale = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_prima);
        rlimit limite = m_prima;
        limite.rlim_cur = byte;
        m_attiva = setrlimit(RLIMIT_FSIZE, &limite) == 0;
    }
    ~ScritturaLimitata() {
        setrlimit(RLIMIT_FSIZE, &m_prima);
        std::signal(SIGXFSZ, m_segnale);
    }
    ScritturaLimitata(const ScritturaLimitata&) = delete;
    ScritturaLimitata& operator=(const ScritturaLimitata&) = delete;

    bool attiva() const { return m_attiva; }

private:
    rlimit m_prima{};
    void (*m_segnale)(int) = nullptr;
    bool m_attiva = false;
};
#endif
