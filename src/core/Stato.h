#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace kinetra {

// One repetition: an eccentric phase followed by a concentric one. Lengths in mm, times in s,
// velocities in mm/s, all single precision as the stored values are.
struct Ripetizione {
    float Inizio_ecc = 0;
    float Tempo = 0;
    float Pos_inizio_ecc = 0;
    float Pos_inizio_con = 0;
    float Vmax_con = 0;
    float Vmax_ecc = 0;
    float SdiVmax_con = 0;
    float SdiVmax_ecc = 0;
    float TdiVmax_con = 0;
    float TdiVmax_ecc = 0;
    float Vmedia_con = 0;
    float Vmedia_ecc = 0;
    float Durata_con = 0;
    float Durata_ecc = 0;
    float Inizio_con = 0;
    float Spost_con = 0;
    float Spost_ecc = 0;
    QString Nota;
};

// One recorded raw sample.
struct Campione {
    float Posizione = 0; // mm
    float dt = 0;        // signed period, s
    float Tempo = 0;     // total time after this sample, s
    float Velocita = 0;  // mm/s
};

// Number of list positions kept per athlete configuration (fields 0 to 8 plus two spare).
inline constexpr int NumeroPosizioni = 11;

// The current athlete and exercise.
struct DatiEsercizio {
    QString Squadra;
    QString Nome_utente;
    float Carico = 0;
    QString Esercizio;
    float Vel_max = 0;
    float Limite_sup = 0;
    float Limite_inf = 0;
    float Ampiezza_minima = 0;
    std::array<std::int32_t, NumeroPosizioni> Pos_campi{};
    QString Cartella_atleta;
};

// Everything the windows and routines share for the whole run. Created once by start-up and
// handed by reference; a test builds its own.
struct Stato {
    explicit Stato(QString cartellaDati = {});

    // The folder that holds the program's data: squads, ini/, misure_auto/, style files.
    QString Cartella_dati;

    QString Titolo_versione;
    QString Stato_connessione = QStringLiteral(" non connesso");
    bool Hid_connesso = false;
    bool Seriale_attiva = false;
    bool Ricezione_attiva = false;
    bool Acquisizione_attiva = false;
    bool Risposta_scaduta = false;
    std::int16_t Timeout_risposta = 1000;
    float Fattore_spostamento = 0;
    double Base_tempi = 0;
    std::int32_t Tempo_campionamento = 0;
    std::int32_t Canali_abilitati = 0;
    std::int16_t Numero_canali = 0;
    QString Cartella_ini;
    QString File_ini;

    DatiEsercizio Dati_esercizio;

    // Record 0 holds the movement before the first repetition; record k is repetition k.
    std::vector<Ripetizione> Ripetizioni = std::vector<Ripetizione>(2);
    std::int32_t Rip_corrente = 0;

    // Never shorter than one element; the stored samples are 0 to N_campioni - 1.
    std::vector<Campione> Campioni = std::vector<Campione>(1);
    std::int32_t N_campioni = 0;

    bool Memo_attivo = false;
    std::int32_t N_righe_memo = 0;
    bool Traccia_attiva = false;

    // The last HID input report, report number first.
    std::array<std::uint8_t, 65> Buffer_hid{};

    // Empties the sample store to its single element 0.
    void svuotaCampioni();
};

// "KINETRA major.minor.revision" for the given version numbers.
QString titoloVersione(int major, int minor, int revision);
// The version of this build, "major.minor.revision".
QString versioneProgramma();

} // namespace kinetra
