#include "sim/FlussoScheda.h"

#include <algorithm>
#include <limits>

namespace kinetra::sim {

namespace {
constexpr double IntervalloFermo = 0.1;
constexpr size_t CampioniPerRapporto = 8;
} // namespace

FlussoScheda::FlussoScheda(BoardModel modello, double rate)
    : m_modello(std::move(modello)), m_rate(rate > 0 ? rate : 1.0) {
    const size_t n = m_modello.samples().size();
    m_pezzi =
        m_modello.link() == Link::Serial ? n : (n + CampioniPerRapporto - 1) / CampioniPerRapporto;
    m_ultimo = n ? m_modello.samples().front().count : 0;
}

void FlussoScheda::avvia(double adesso) {
    m_attivo = true;
    m_inizio = adesso;
    m_prossimo = 0;
    m_ultimoFermo = std::max(m_modello.durationS(),
                             m_modello.sendTimes().empty() ? 0.0 : m_modello.sendTimes().back());
    if (!m_modello.samples().empty())
        m_ultimo = m_modello.samples().front().count;
}

bool FlussoScheda::setCompleto() const {
    return m_prossimo >= m_pezzi;
}

double FlussoScheda::prossimo() const {
    if (m_prossimo < m_pezzi) {
        const size_t campione =
            m_modello.link() == Link::Serial ? m_prossimo : m_prossimo * CampioniPerRapporto;
        return m_inizio + m_modello.sendTimes()[campione] / m_rate;
    }
    return m_inizio + (m_ultimoFermo + IntervalloFermo) / m_rate;
}

std::int16_t FlussoScheda::relativo(std::int16_t conteggio) const {
    return static_cast<std::int16_t>(std::clamp<int>(conteggio - m_zero,
                                                     std::numeric_limits<std::int16_t>::min(),
                                                     std::numeric_limits<std::int16_t>::max()));
}

QByteArray FlussoScheda::pezzo(size_t indice) const {
    const auto& campioni = m_modello.samples();
    QByteArray out;
    if (m_modello.link() == Link::Serial) {
        BoardSample s = campioni[indice];
        s.count = relativo(s.count);
        appendSerialFrame(out, s);
        return out;
    }
    out = QByteArray(HidReportSize, '\0');
    for (size_t j = 0; j < CampioniPerRapporto; ++j) {
        const size_t k = indice * CampioniPerRapporto + j;
        BoardSample s = k < campioni.size() ? campioni[k] : BoardSample{m_ultimo, 0};
        s.count = relativo(s.count);
        writeHidSample(out, static_cast<int>(j), s);
    }
    return out;
}

QByteArray FlussoScheda::fermo() const {
    QByteArray out;
    const BoardSample s{relativo(m_ultimo), 0};
    if (m_modello.link() == Link::Serial) {
        appendSerialFrame(out, s);
        return out;
    }
    out = QByteArray(HidReportSize, '\0');
    for (size_t j = 0; j < CampioniPerRapporto; ++j)
        writeHidSample(out, static_cast<int>(j), s);
    return out;
}

std::vector<QByteArray> FlussoScheda::dovuti(double adesso) {
    std::vector<QByteArray> pronti;
    if (!m_attivo)
        return pronti;
    while (prossimo() <= adesso) {
        if (m_prossimo < m_pezzi) {
            pronti.push_back(pezzo(m_prossimo));
            const auto& campioni = m_modello.samples();
            const size_t ultimo =
                m_modello.link() == Link::Serial
                    ? m_prossimo
                    : std::min(campioni.size(), (m_prossimo + 1) * CampioniPerRapporto) - 1;
            m_ultimo = campioni[ultimo].count;
            ++m_prossimo;
        } else {
            m_ultimoFermo += IntervalloFermo;
            pronti.push_back(fermo());
        }
    }
    return pronti;
}

void FlussoScheda::azzera() {
    m_zero = m_ultimo;
}

std::int16_t FlussoScheda::conteggioAttuale() const {
    return relativo(m_ultimo);
}

} // namespace kinetra::sim
