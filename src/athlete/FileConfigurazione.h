#pragma once

// The athlete's configuration file (the list positions of the chosen entries, one per field)
// and the value lists file that holds the entries of every field list of the configuration
// window. Both are replaced whole or not at all. Failures come back as the text to show.

#include "core/Stato.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kinetra {

// The field lists of the configuration window, indexed by field; the highest field index is
// size() - 1. List 1 (athletes) comes from the folders and is never stored.
using ListeValori = std::vector<QStringList>;

inline const QString FileNonCompatibile = QStringLiteral("File non compatibile!");
// The reader ran out of lines before the file's own counts were satisfied.
inline const QString FineFileInattesa = QStringLiteral("Input oltre la fine del file");
// A field that should be a number is not one.
inline const QString TipoNonCorrispondente = QStringLiteral("Tipo non corrispondente");
// An entry the value lists file could not give back unchanged.
inline const QString VirgoletteNonAmmesse = QStringLiteral("Il carattere \" non è ammesso!");

// The message for a new list entry that cannot be stored, or an empty string.
QString controllaVoceLista(const QString& voce);

// Writes the value lists file (`File_ini`, creating `Cartella_ini`), then the configuration
// file to `filename`, or, when that is empty, to the athlete's own file in `Cartella_atleta`
// (no configuration file without an athlete). Returns the failure's description, or "". A
// value lists file already written stays when the configuration file then fails.
QString Salva_File_Config(const Stato& stato, const ListeValori& liste,
                          const QString& filename = {});

// Reads the configuration file at `path` into `Pos_campi` and `Cartella_atleta`. Returns
// FileNonCompatibile for a file of another kind, the failure's description for a file that
// cannot be read whole, or "". On any failure the record is left as it was.
QString Carica_File_Config(const QString& path, Stato& stato);

// Fills `liste` (every list emptied first) from the value lists file at `percorso`. A file
// written for fewer fields fills only those; lists of fields beyond ours are skipped. Returns
// the failure's description, or ""; the lists read until a failure stay filled.
QString leggiListeValori(const QString& percorso, ListeValori& liste);

} // namespace kinetra
