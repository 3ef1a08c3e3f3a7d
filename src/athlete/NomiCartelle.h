#pragma once

#include <QString>

namespace kinetra {

// Checks a squad or athlete name before it becomes a folder below the data root: the name must
// stay one folder inside it and be a folder name every system we run on accepts, Windows
// included, since coaches move data folders between machines. Returns the message to show, or
// an empty string when the name can be used.
QString controllaNomeCartella(const QString& nome);

// A character no Windows file or folder name may hold: control characters and <>:"/\|?*.
bool carattereVietato(QChar c);

} // namespace kinetra
