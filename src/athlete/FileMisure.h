#pragma once

// Reader of measurement files: a first field "pesi01", the sampling period in hundredths of a
// second, then numbers that are read to the end and kept nowhere.

#include "core/Stato.h"

#include <QString>

#include <functional>

namespace kinetra {

enum class EsitoFileMisure {
    Letto,          // read to its end
    NonCompatibile, // another kind of file: nothing changed, `messaggio` is to be shown
    Fallito,        // unreadable or damaged: ends without a message, `messaggio` says why
};

struct AperturaFileMisure {
    EsitoFileMisure esito = EsitoFileMisure::Fallito;
    QString messaggio;
};

inline const QString MisureNonCompatibili = QStringLiteral(" File non compatibile!");

// Opens the measurement file at `percorso`. A file of the right kind first clears the current
// acquisition through `Reset_dati`, then sets `Tempo_campionamento`; a failure after that keeps
// both. `Traccia_attiva` is set while the file is read and cleared when it ends either way.
AperturaFileMisure leggiFileMisure(const QString& percorso, Stato& stato,
                                   const std::function<void()>& Reset_dati);

} // namespace kinetra
