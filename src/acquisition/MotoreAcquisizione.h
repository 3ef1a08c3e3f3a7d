#pragma once

// From decoded samples to repetitions: velocity and acceleration, the two time sums, recording,
// the drawing decision, and the detection of repetitions with their values. Holds the state
// that lives from one block to the next; the shared data (Ripetizioni, Campioni, flags) is in
// the Stato it works on.

#include "acquisition/VistaAcquisizione.h"
#include "core/Stato.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kinetra {

class SorgenteSeriale;

// Drawing stops once this many bytes wait on the serial input and resumes after a block that
// ends with fewer than SogliaRipresaTraccia waiting.
inline constexpr int SogliaArrestoTraccia = 400;
inline constexpr int SogliaRipresaTraccia = 50;
// Steps of this length (s) or longer are pauses: they do not count as active time.
inline constexpr double PassoMassimoAttivo = 0.22;

class MotoreAcquisizione {
public:
    MotoreAcquisizione(Stato& stato, VistaAcquisizione& vista);

    // Serial receiver, run on every receive event of the port.
    void OnComm(SorgenteSeriale& porta);
    // HID receiver: `leggi` copies one pending 65-byte report into the buffer it is given and
    // says whether it did. The report lands in Stato::Buffer_hid.
    void OnRead(const std::function<bool(std::uint8_t* buffer)>& leggi);

    // One block: samples 0 to n, positions in mm, signed periods in ms.
    void Elabora_blocco(int n, const double* pos, const double* per);
    // One sample: position in mm, velocity in mm/s.
    void Elabora_dati(double pos, float vel);

    // Start of an acquisition: time sums to 0, the first sample is a transition unless rising.
    void Azzera_tempi();
    // Clears the acquired data: samples, repetition counter, table, graphs and slide.
    void Reset_dati();

    float Tempo_attivo() const { return m_tempoAttivo; }
    float Tempo_totale() const { return m_tempoTotale; }
    const std::array<std::int16_t, 2>& Stato_fase() const { return m_statoFase; }
    float Pos_alta() const { return m_posAlta; }
    float Pos_bassa() const { return m_posBassa; }
    float Vmax_corrente() const { return m_vmaxCorrente; }
    float Vmin_corrente() const { return m_vminCorrente; }
    double Vel_precedente() const { return m_velPrecedente; }

    // Acceleration (m/s²) of the samples of the last block.
    const std::vector<double>& accelerazioni() const { return m_acc; }

private:
    Ripetizione& corrente();
    void inizioConcentrica(double pos);
    void fineConcentrica(double pos);

    Stato& m_stato;
    VistaAcquisizione& m_vista;

    float m_tempoAttivo = 0;
    float m_tempoTotale = 0;
    std::array<std::int16_t, 2> m_statoFase{0, 0};
    float m_posAlta = 0;
    float m_posBassa = 0;
    float m_vmaxCorrente = 0;
    float m_vminCorrente = 0;
    double m_velPrecedente = 0;

    // Working arrays, kept between blocks so that a block costs no allocation.
    std::vector<double> m_pos, m_per, m_vel, m_acc;
};

} // namespace kinetra
