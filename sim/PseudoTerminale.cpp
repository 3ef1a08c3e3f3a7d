#include "sim/PseudoTerminale.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace kinetra::sim {

PseudoTerminale::~PseudoTerminale() {
    chiudi();
}

bool PseudoTerminale::apri(QString* errore) {
    auto fallisce = [&](const char* passo) {
        if (errore)
            *errore = QStringLiteral("%1: %2").arg(QLatin1String(passo),
                                                   QString::fromLocal8Bit(std::strerror(errno)));
        chiudi();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fallisce("posix_openpt");
    if (grantpt(m_master) != 0)
        return fallisce("grantpt");
    if (unlockpt(m_master) != 0)
        return fallisce("unlockpt");
    const char* nome = ptsname(m_master);
    if (!nome)
        return fallisce("ptsname");
    m_percorso = QString::fromLocal8Bit(nome);
    m_slave = ::open(nome, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fallisce("open slave");
    termios t{};
    if (tcgetattr(m_slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
    }
    const int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    return true;
}

void PseudoTerminale::chiudi() {
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_inAttesa.clear();
}

QByteArray PseudoTerminale::leggi() {
    QByteArray letti;
    if (m_master < 0)
        return letti;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            letti.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    return letti;
}

void PseudoTerminale::scrivi(const QByteArray& byte) {
    m_inAttesa += byte;
    scriviInAttesa();
}

void PseudoTerminale::scriviInAttesa() {
    while (m_master >= 0 && !m_inAttesa.isEmpty()) {
        const ssize_t n = ::write(m_master, m_inAttesa.constData(), m_inAttesa.size());
        if (n > 0) {
            m_inAttesa.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // full: the caller waits until the master is writable
    }
}

namespace {
int tuboSegnali[2] = {-1, -1};

extern "C" void segnale(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(tuboSegnali[1], &c, 1);
}
} // namespace

void esciSuSegnale() {
    if (::pipe(tuboSegnali) != 0)
        return;
    auto* notifica =
        new QSocketNotifier(tuboSegnali[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifica, &QSocketNotifier::activated, QCoreApplication::instance(),
                     [] { QCoreApplication::exit(0); });
    struct sigaction sa {};
    sa.sa_handler = segnale;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

} // namespace kinetra::sim
