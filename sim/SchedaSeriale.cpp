#include "sim/SchedaSeriale.h"

#include <algorithm>

namespace kinetra::sim {

SchedaSeriale::SchedaSeriale(BoardModel modello, double rate, OpzioniSchedaSeriale opzioni,
                             QObject* parent)
    : QObject(parent), m_opzioni(std::move(opzioni)), m_flusso(std::move(modello), rate) {
    m_orologio.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SchedaSeriale::pompa);
}

SchedaSeriale::~SchedaSeriale() = default;

void SchedaSeriale::rispondi(QByteArray risposta, bool finale, bool avvio) {
    if (finale && m_opzioni.byteExtra > 0)
        risposta.append(QByteArray(m_opzioni.byteExtra, '\xEE'));
    double quando = adesso() + m_opzioni.ritardoMs / 1000.0;
    if (!m_uscite.empty())
        quando = std::max(quando, m_uscite.back().quando);
    if (m_opzioni.pezziMs >= 0) {
        // Pieces keep their spacing across replies too.
        if (!m_uscite.empty())
            quando = std::max(quando, m_uscite.back().quando + m_opzioni.pezziMs / 1000.0);
        for (qsizetype i = 0; i < risposta.size(); ++i) {
            m_uscite.push_back({quando, risposta.mid(i, 1), avvio && i == risposta.size() - 1});
            quando += m_opzioni.pezziMs / 1000.0;
        }
    } else {
        m_uscite.push_back({quando, risposta, avvio});
    }
    programma();
}

void SchedaSeriale::ricevuti(const QByteArray& byte) {
    if (m_opzioni.muta || m_riagganciata)
        return;
    for (const char c : byte) {
        if (c == '$') {
            m_prefisso = true;
            emit comando("$");
            rispondi("$", false);
            continue;
        }
        if (c == '?') {
            m_prefisso = false;
            emit comando("?");
            rispondi(m_opzioni.identita, true);
            continue;
        }
        if (!m_prefisso)
            continue;
        m_prefisso = false;
        switch (c) {
        case 'D':
            emit comando("$D");
            rispondi(QByteArray("D") + static_cast<char>(m_flusso.modello().boardType()), true);
            break;
        case 'i': {
            emit comando("$i");
            QByteArray r("i\x02", 2);
            r.append(static_cast<char>(m_opzioni.canali));
            r.append(static_cast<char>(m_opzioni.tempoCampionamento & 0xFF));
            r.append(static_cast<char>(m_opzioni.tempoCampionamento >> 8));
            rispondi(r, true);
            break;
        }
        case 'T':
            emit comando("$T");
            m_flusso.ferma();
            for (Uscita& u : m_uscite)
                u.avviaFlusso = false;
            if (m_file)
                m_file->close();
            rispondi("T", true);
            break;
        case 'F':
            emit comando("$F");
            m_flusso.ferma();
            rispondi("F", true, true);
            break;
        case 'Z':
            emit comando("$Z");
            m_flusso.azzera();
            rispondi("Z", true);
            break;
        default:
            break;
        }
    }
}

void SchedaSeriale::programma() {
    double prossimo = -1;
    if (!m_uscite.empty())
        prossimo = m_uscite.front().quando;
    if (m_flusso.attivo())
        prossimo = prossimo < 0 ? m_flusso.prossimo() : std::min(prossimo, m_flusso.prossimo());
    if (prossimo < 0) {
        m_timer.stop();
        return;
    }
    const double attesa = std::max(0.0, prossimo - adesso());
    m_timer.start(static_cast<int>(attesa * 1000));
}

void SchedaSeriale::inviaFlusso(const QByteArray& byte) {
    QByteArray uscita;
    for (const char c : byte) {
        if (m_opzioni.riagganciaDopo >= 0 && m_byteFlusso >= m_opzioni.riagganciaDopo)
            break;
        if (m_byteFlusso == m_opzioni.spazzaturaA) {
            for (int i = 0; i < m_opzioni.spazzaturaN; ++i)
                uscita.append(static_cast<char>(0xA5 ^ (i * 37)));
        }
        if (m_byteFlusso != m_opzioni.scartaByte)
            uscita.append(c);
        ++m_byteFlusso;
    }
    if (!uscita.isEmpty()) {
        if (m_file) {
            m_file->write(uscita);
            m_file->flush();
        }
        emit invia(uscita);
    }
    if (m_opzioni.riagganciaDopo >= 0 && m_byteFlusso >= m_opzioni.riagganciaDopo) {
        m_riagganciata = true;
        m_flusso.ferma();
        m_uscite.clear();
        m_timer.stop();
        if (m_file)
            m_file->close();
        emit riaggancia();
    }
}

void SchedaSeriale::pompa() {
    const double t = adesso();
    QByteArray risposte;
    while (!m_uscite.empty() && m_uscite.front().quando <= t) {
        Uscita u = std::move(m_uscite.front());
        m_uscite.pop_front();
        risposte += u.byte;
        if (u.avviaFlusso) {
            emit invia(risposte);
            risposte.clear();
            m_byteFlusso = 0;
            if (!m_opzioni.registrazione.isEmpty()) {
                m_file = std::make_unique<QFile>(m_opzioni.registrazione);
                if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate))
                    m_file.reset();
            }
            m_flusso.avvia(u.quando);
            m_setInviato = false;
        }
    }
    if (!risposte.isEmpty())
        emit invia(risposte);
    if (m_flusso.attivo()) {
        QByteArray pronti;
        for (const QByteArray& pezzo : m_flusso.dovuti(t))
            pronti += pezzo;
        if (!pronti.isEmpty())
            inviaFlusso(pronti);
        if (!m_setInviato && m_flusso.setCompleto() && !m_riagganciata) {
            m_setInviato = true;
            emit setInviato();
        }
    }
    if (!m_riagganciata)
        programma();
}

} // namespace kinetra::sim
