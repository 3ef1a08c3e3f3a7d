#include "core/Attesa.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace kinetra {

void Attendi(float ms) {
    if (!(ms > 0))
        return;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms + 0.5f), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool attendiFinche(const std::function<bool()>& fatto, int ms) {
    QDeadlineTimer scadenza(ms, Qt::PreciseTimer);
    while (!fatto()) {
        if (scadenza.hasExpired())
            return false;
        // Sleeps until an event arrives or the deadline passes; the timer makes sure we wake.
        QEventLoop loop;
        QTimer sveglia;
        sveglia.setSingleShot(true);
        sveglia.setTimerType(Qt::PreciseTimer);
        QObject::connect(&sveglia, &QTimer::timeout, &loop, &QEventLoop::quit);
        sveglia.start(static_cast<int>(std::max<qint64>(0, scadenza.remainingTime())));
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace kinetra
