#pragma once

// What a streaming board sends and when: after the start command the model's frames (serial) or
// reports (HID) at their sending times divided by a rate factor, then, once the set is over,
// still samples every 100 ms until the stop command.

#include "sim/BoardModel.h"

#include <QByteArray>

#include <vector>

namespace kinetra::sim {

class FlussoScheda {
public:
    // rate: 1 = real time, 10 = ten times faster.
    FlussoScheda(BoardModel modello, double rate = 1.0);

    const BoardModel& modello() const { return m_modello; }
    double rate() const { return m_rate; }

    // Starts the set from its beginning at time `adesso` (s, any clock).
    void avvia(double adesso);
    void ferma() { m_attivo = false; }
    bool attivo() const { return m_attivo; }
    // The set has been sent in full (still samples may follow).
    bool setCompleto() const;

    // The frames or reports due by `adesso`, in order, each one whole.
    std::vector<QByteArray> dovuti(double adesso);
    // When the next frame or report is due (valid while active).
    double prossimo() const;

    // Zero: from now on positions count from where the load stands.
    void azzera();
    // The position count the board would report now.
    std::int16_t conteggioAttuale() const;

private:
    QByteArray pezzo(size_t indice) const; // frame or report `indice` of the set
    QByteArray fermo() const;              // a still frame or report at the current position
    std::int16_t relativo(std::int16_t conteggio) const;

    BoardModel m_modello;
    double m_rate;
    bool m_attivo = false;
    double m_inizio = 0;
    size_t m_prossimo = 0;     // next frame or report of the set
    size_t m_pezzi = 0;        // frames or reports in the set
    double m_ultimoFermo = 0;  // stream time (s) of the last still sample after the set
    std::int16_t m_ultimo = 0; // last count sent, board scale
    int m_zero = 0;
};

} // namespace kinetra::sim
