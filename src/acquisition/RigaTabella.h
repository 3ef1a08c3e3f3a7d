#pragma once

// The texts of one row of the results table and the alarm colour of a repetition: shared by the
// results window and the headless analyser so that both show the same numbers.

#include "athlete/EsportazioneCsv.h"
#include "core/Stato.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>

namespace kinetra {

inline constexpr int ColonneRisultati = 15;
using TestiRiga = std::array<QString, ColonneRisultati>;

// The fifteen column texts of record k: N°Rip, Tempo, the six concentric values (Durata, Spost.,
// Vmedia, Vmax, TdiVmax, SdiVmax), the same six for the eccentric phase, Nota. Times with two
// decimals, lengths and velocities as whole numbers, in the locale's notation.
TestiRiga testiRiga(const Ripetizione& r, int k, const QLocale& locale = QLocale());

// Appends a row to the column lists.
void aggiungiRiga(ColonneTabella& colonne, const TestiRiga& riga);

// The table of records 1 to `righe` of the state, as the results window lists them.
ColonneTabella colonneTabella(const Stato& stato, int righe, const QLocale& locale = QLocale());

// Alarm colours, red in the low byte.
inline constexpr std::uint32_t ColoreRosso = 255;
inline constexpr std::uint32_t ColoreVerde = 65280;
inline constexpr std::uint32_t ColoreGiallo = 65535;

// Yellow above Limite_sup % of Vel_max, red below Limite_inf %, green between (limits
// included); computed in single precision.
std::uint32_t coloreAllarme(float vmediaCon, const DatiEsercizio& dati);

} // namespace kinetra
