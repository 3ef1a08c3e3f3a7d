#include "device/LibreriaHid.h"

#include <QCoreApplication>
#include <QEvent>

namespace kinetra {

namespace {

const QEvent::Type TipoMessaggio = static_cast<QEvent::Type>(QEvent::registerEventType());

struct EventoMessaggio : QEvent {
    EventoMessaggio(quint32 m, qintptr a, qintptr b)
        : QEvent(TipoMessaggio), messaggio(m), p1(a), p2(b) {}
    quint32 messaggio;
    qintptr p1;
    qintptr p2;
};

} // namespace

FinestraHid::FinestraHid(QObject* parent) : QObject(parent) {}

FinestraHid::Procedura FinestraHid::impostaProcedura(Procedura procedura) {
    Procedura precedente = std::move(m_procedura);
    m_procedura = std::move(procedura);
    return precedente;
}

qintptr FinestraHid::inviaMessaggio(quint32 messaggio, qintptr p1, qintptr p2) {
    // Without a procedure of its own the window ignores the message, as a default one would.
    if (!m_procedura)
        return 0;
    // A copy: the procedure may replace itself while it runs.
    const Procedura procedura = m_procedura;
    return procedura(this, messaggio, p1, p2);
}

void FinestraHid::postaMessaggio(quint32 messaggio, qintptr p1, qintptr p2) {
    QCoreApplication::postEvent(this, new EventoMessaggio(messaggio, p1, p2));
}

bool FinestraHid::event(QEvent* evento) {
    if (evento->type() == TipoMessaggio) {
        const auto* m = static_cast<EventoMessaggio*>(evento);
        inviaMessaggio(m->messaggio, m->p1, m->p2);
        return true;
    }
    return QObject::event(evento);
}

} // namespace kinetra
