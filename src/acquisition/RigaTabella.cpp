#include "acquisition/RigaTabella.h"

#include "core/Formato.h"

#include <algorithm>

namespace kinetra {

TestiRiga testiRiga(const Ripetizione& r, int k, const QLocale& locale) {
    auto tempo = [&](float v) { return formatoNumero(v, 2, locale); };
    auto intero = [&](float v) { return formatoNumero(v, 0, locale); };
    return {
        QString::number(k),   tempo(r.Tempo),        tempo(r.Durata_con),
        intero(r.Spost_con),  intero(r.Vmedia_con),  intero(r.Vmax_con),
        tempo(r.TdiVmax_con), intero(r.SdiVmax_con), tempo(r.Durata_ecc),
        intero(r.Spost_ecc),  intero(r.Vmedia_ecc),  intero(r.Vmax_ecc),
        tempo(r.TdiVmax_ecc), intero(r.SdiVmax_ecc), r.Nota,
    };
}

void aggiungiRiga(ColonneTabella& colonne, const TestiRiga& riga) {
    for (int c = 0; c < ColonneRisultati; ++c)
        colonne[static_cast<std::size_t>(c)].append(riga[static_cast<std::size_t>(c)]);
}

ColonneTabella colonneTabella(const Stato& stato, int righe, const QLocale& locale) {
    ColonneTabella colonne;
    const int ultimo = std::min(righe, static_cast<int>(stato.Ripetizioni.size()) - 1);
    for (int k = 1; k <= ultimo; ++k)
        aggiungiRiga(colonne, testiRiga(stato.Ripetizioni[static_cast<std::size_t>(k)], k, locale));
    return colonne;
}

std::uint32_t coloreAllarme(float vmediaCon, const DatiEsercizio& dati) {
    const float superiore = dati.Limite_sup / 100 * dati.Vel_max;
    const float inferiore = dati.Limite_inf / 100 * dati.Vel_max;
    if (vmediaCon > superiore)
        return ColoreGiallo;
    if (vmediaCon < inferiore)
        return ColoreRosso;
    return ColoreVerde;
}

} // namespace kinetra
