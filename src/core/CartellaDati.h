#pragma once

#include <QString>

namespace kinetra {

// Where the program keeps squads, the value lists and the exports.
// - portable use: the executable's folder, when it holds a file "portable" or already holds
//   ini/pesi.ini (how existing installations are laid out);
// - demo: a "demo" folder inside the per-user one;
// - otherwise the per-user application data folder.
// The folder is created when missing. Returned without a trailing separator.
QString cartellaDati(const QString& cartellaProgramma, bool demo);

} // namespace kinetra
