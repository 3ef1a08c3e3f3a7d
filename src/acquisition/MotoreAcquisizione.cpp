#include "acquisition/MotoreAcquisizione.h"

#include "acquisition/Decodifica.h"
#include "acquisition/SorgenteSeriale.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>

namespace kinetra {

namespace {

constexpr int EventoDatiRicevuti = 2;
constexpr double VelocitaMinima = 12;    // below this a step is standstill
constexpr double VelocitaMassima = 5000; // beyond this a step is a glitch
constexpr float SogliaSalita = 20;       // above: rising
constexpr float SogliaNonSalita = 15;    // below: not rising
constexpr float PrimoSecondo = 1.0f;     // every transition until then starts a rise

// Single plus double, kept as a single: the time sums and every record field are singles.
float somma(float a, double b) {
    return static_cast<float>(static_cast<double>(a) + b);
}

} // namespace

MotoreAcquisizione::MotoreAcquisizione(Stato& stato, VistaAcquisizione& vista)
    : m_stato(stato), m_vista(vista) {}

void MotoreAcquisizione::OnComm(SorgenteSeriale& porta) {
    if (!m_stato.Ricezione_attiva || !m_stato.Acquisizione_attiva)
        return; // the bytes belong to a command reply
    if (porta.CommEvent() != EventoDatiRicevuti)
        return;
    const int lunghezza = porta.InputLen();
    // A batch must be whole frames; anything else would split frames and read past the batch.
    if (lunghezza <= 0 || lunghezza % ByteFrameSeriale != 0)
        return;
    const int frame = lunghezza / ByteFrameSeriale;
    m_pos.resize(static_cast<std::size_t>(frame));
    m_per.resize(static_cast<std::size_t>(frame));
    // Strictly more than one batch: the last batch waits for the next event.
    while (porta.InBufferCount() > lunghezza) {
        const QByteArray batch = porta.Input();
        // A short read decodes only the whole frames it holds, and ends the event.
        const int letti = std::min(frame, static_cast<int>(batch.size() / ByteFrameSeriale));
        const auto* b = reinterpret_cast<const std::uint8_t*>(batch.constData());
        for (int i = 0; i < letti; ++i) {
            const CampioneDecodificato c = decodificaFrameSeriale(
                b + ByteFrameSeriale * i, m_stato.Fattore_spostamento, m_stato.Base_tempi);
            m_pos[static_cast<std::size_t>(i)] = c.pos;
            m_per[static_cast<std::size_t>(i)] = c.per;
        }
        if (letti == 0)
            return;
        m_vista.mostraSpostamento(m_pos[static_cast<std::size_t>(letti - 1)],
                                  DecimaliSpostamentoSeriale);
        Elabora_blocco(letti - 1, m_pos.data(), m_per.data());
        if (letti < frame)
            return;
    }
}

void MotoreAcquisizione::OnRead(const std::function<bool(std::uint8_t*)>& leggi) {
    if (!leggi(m_stato.Buffer_hid.data()))
        return;
    if (!m_stato.Acquisizione_attiva)
        return; // consumed and dropped
    double pos[UltimoCampioneHid + 1];
    double per[UltimoCampioneHid + 1];
    for (int i = 0; i <= UltimoCampioneHid; ++i) {
        const CampioneDecodificato c = decodificaCampioneHid(
            m_stato.Buffer_hid.data(), i, m_stato.Fattore_spostamento, m_stato.Base_tempi);
        pos[i] = c.pos;
        per[i] = c.per;
    }
    m_vista.mostraSpostamento(pos[UltimoCampioneHid], DecimaliSpostamentoHid);
    Elabora_blocco(UltimoCampioneHid, pos, per);
}

void MotoreAcquisizione::Elabora_blocco(int n, const double* pos, const double* per) {
    if (n < 0)
        return;
    const auto campioni = static_cast<std::size_t>(n) + 1;
    m_vel.resize(campioni);
    m_acc.resize(campioni);

    // Serial steps are 6 position counts, HID steps one; the factor product is a single.
    const float passoSeriale = m_stato.Fattore_spostamento * 6 * 1000;
    const float passoHid = m_stato.Fattore_spostamento * 1000;
    double precedente = m_velPrecedente;
    for (std::size_t i = 0; i < campioni; ++i) {
        double v = 0;
        if (per[i] != 0) {
            if (m_stato.Seriale_attiva)
                v = passoSeriale / per[i];
            if (m_stato.Hid_connesso)
                v = passoHid / per[i];
            if (std::fabs(v) < VelocitaMinima)
                v = 0;
            v = std::clamp(v, -VelocitaMassima, VelocitaMassima);
        }
        m_vel[i] = v;
        // A still sample has no period to divide by: its acceleration is 0.
        m_acc[i] = per[i] != 0 ? (v - precedente) / per[i] : 0.0;
        precedente = v;
    }
    m_velPrecedente = m_vel[campioni - 1];

    for (std::size_t j = 0; j < campioni; ++j) {
        const double dt = per[j] / 1000;
        const double durata = std::fabs(dt);
        if (durata < PassoMassimoAttivo)
            m_tempoAttivo = somma(m_tempoAttivo, durata);
        m_tempoTotale = somma(m_tempoTotale, durata);
        if (m_stato.Memo_attivo) {
            const auto indice = static_cast<std::size_t>(m_stato.N_campioni);
            m_stato.Campioni.resize(indice + 1);
            m_stato.Campioni[indice] = Campione{static_cast<float>(pos[j]), static_cast<float>(dt),
                                                m_tempoTotale, static_cast<float>(m_vel[j])};
            ++m_stato.N_campioni;
        }
        // May move the time origin: the next sample continues from the reset sums.
        Elabora_dati(pos[j], static_cast<float>(m_vel[j]));
    }

    const bool disegna = m_vista.byteInAttesa() < SogliaArrestoTraccia &&
                         m_vista.graficoTempoVisibile() && m_stato.Traccia_attiva;
    if (disegna)
        m_vista.aggiungiBlocco(n, per, pos, m_acc.data(), m_vel.data());
    else
        m_stato.Traccia_attiva = false;
    // Raised after the drawing step: drawing resumes with the next block.
    if (m_vista.byteInAttesa() < SogliaRipresaTraccia)
        m_stato.Traccia_attiva = true;
}

Ripetizione& MotoreAcquisizione::corrente() {
    const auto indice = static_cast<std::size_t>(m_stato.Rip_corrente);
    if (m_stato.Ripetizioni.size() <= indice)
        m_stato.Ripetizioni.resize(indice + 1);
    return m_stato.Ripetizioni[indice];
}

void MotoreAcquisizione::Elabora_dati(double pos, float vel) {
    {
        Ripetizione& r = corrente();
        if (vel < m_vminCorrente) {
            m_vminCorrente = vel;
            r.TdiVmax_ecc = m_tempoAttivo - r.Inizio_ecc;
            r.Vmax_ecc = vel;
            r.SdiVmax_ecc = static_cast<float>(r.Pos_inizio_ecc - pos);
            m_vista.Beep();
        }
        if (vel > m_vmaxCorrente) {
            m_vmaxCorrente = vel;
            r.TdiVmax_con = m_tempoAttivo - r.Inizio_con;
            r.Vmax_con = vel;
            r.SdiVmax_con = static_cast<float>(pos - r.Pos_inizio_con);
        }
    }

    if (vel > SogliaSalita)
        m_statoFase[0] = 0;
    if (vel < SogliaNonSalita)
        m_statoFase[0] = 1;

    if (m_statoFase[0] != m_statoFase[1]) {
        if (m_statoFase[0] == 0 || m_tempoAttivo <= PrimoSecondo)
            inizioConcentrica(pos);
        else
            fineConcentrica(pos);
    }
    m_statoFase[1] = m_statoFase[0];
}

void MotoreAcquisizione::inizioConcentrica(double pos) {
    Ripetizione& r = corrente();
    m_posBassa = static_cast<float>(pos);
    r.Pos_inizio_con = static_cast<float>(pos);
    r.Inizio_con = m_tempoAttivo;
    const float discesa = m_posBassa - m_posAlta;
    if (discesa < -m_stato.Dati_esercizio.Ampiezza_minima) {
        r.Durata_ecc = m_tempoAttivo - r.Inizio_ecc;
        r.Spost_ecc = discesa;
    }
    if (r.Durata_ecc > 0)
        r.Vmedia_ecc = r.Spost_ecc / r.Durata_ecc;
}

void MotoreAcquisizione::fineConcentrica(double pos) {
    auto& ripetizioni = m_stato.Ripetizioni;
    m_posAlta = static_cast<float>(pos);

    ++m_stato.Rip_corrente;
    const auto nuovo = static_cast<std::size_t>(m_stato.Rip_corrente);
    ripetizioni.resize(nuovo + 1);
    ripetizioni[nuovo] = Ripetizione{};
    Ripetizione& c = ripetizioni[nuovo];
    Ripetizione& q = ripetizioni[nuovo - 1];

    c.Inizio_ecc = m_tempoAttivo;
    c.Tempo = m_tempoTotale;
    c.Pos_inizio_ecc = m_posAlta;
    q.Spost_con = m_posAlta - q.Pos_inizio_con;

    const float minima = m_stato.Dati_esercizio.Ampiezza_minima;
    if (q.Spost_con > minima && m_stato.Rip_corrente == 1) {
        // The first valid rise of the acquisition is time 0 of the samples and of the table.
        m_tempoAttivo = 0;
        m_tempoTotale = 0;
        c.Inizio_ecc = 0;
        c.Tempo = 0;
        m_stato.svuotaCampioni();
        m_vista.svuotaGraficoTempo();
    }

    q.Durata_con = c.Inizio_ecc - q.Inizio_con;
    if (q.Durata_con > 0)
        q.Vmedia_con = q.Spost_con / q.Durata_con;

    // The cursors frame the rise just ended, whether or not it counts.
    m_vista.posizionaCursori(c.Tempo, q.Tempo);

    if (q.Spost_con <= minima) {
        // Too small for a repetition: the current record keeps collecting.
        --m_stato.Rip_corrente;
        return;
    }
    m_vmaxCorrente = 0;
    m_vminCorrente = 0;
    if (m_stato.Rip_corrente < 2)
        return; // record 0 is never shown

    const int k = m_stato.Rip_corrente - 1;
    m_vista.Aggiungi_riga(k);
    m_vista.Mostra_ripetizione(k);
}

void MotoreAcquisizione::Azzera_tempi() {
    m_tempoAttivo = 0;
    m_tempoTotale = 0;
    m_statoFase = {1, 0};
}

void MotoreAcquisizione::Reset_dati() {
    m_stato.svuotaCampioni();
    m_posAlta = 0;
    m_stato.Rip_corrente = 0;
    m_vista.svuotaListe();
    m_vista.svuotaGraficoRipetizioni();
    m_vista.azzeraSlide();
    m_vista.svuotaGraficoTempo();
    m_vista.riavviaGraficoTempo();
}

} // namespace kinetra
