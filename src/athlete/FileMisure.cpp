#include "athlete/FileMisure.h"

#include "core/Testo.h"

#include <cmath>
#include <limits>

namespace kinetra {

AperturaFileMisure leggiFileMisure(const QString& percorso, Stato& stato,
                                   const std::function<void()>& Reset_dati) {
    auto fallito = [&stato](QString perche) {
        stato.Traccia_attiva = false;
        return AperturaFileMisure{EsitoFileMisure::Fallito, std::move(perche)};
    };
    QString errore;
    const auto dati = leggiFile(percorso, &errore);
    if (!dati)
        return fallito(errore);
    LettoreCampi lettore(*dati);
    const auto primo = lettore.campo();
    if (!primo)
        return fallito(QStringLiteral("file vuoto"));
    if (*primo != QStringLiteral("pesi01"))
        return {EsitoFileMisure::NonCompatibile, MisureNonCompatibili};

    if (Reset_dati)
        Reset_dati();
    stato.Traccia_attiva = true;
    if (lettore.fine())
        return fallito(QStringLiteral("periodo di campionamento mancante"));
    const auto periodo = lettore.intero();
    if (!periodo)
        return fallito(QStringLiteral("periodo di campionamento non numerico"));
    stato.Tempo_campionamento = *periodo;
    for (int campo = 3; !lettore.fine(); ++campo) {
        // Each value must be a number a single can hold, as the samples are singles.
        const auto v = lettore.numero();
        if (!v || std::fabs(*v) > std::numeric_limits<float>::max())
            return fallito(QStringLiteral("campo %1 non numerico").arg(campo));
    }
    stato.Traccia_attiva = false;
    return {EsitoFileMisure::Letto, {}};
}

} // namespace kinetra
