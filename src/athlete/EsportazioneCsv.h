#pragma once

// The two semicolon-separated exports of an acquisition: the raw samples and the repetitions
// table. Numbers, dates and times follow the given locale so that a spreadsheet of the coach's
// language opens the files as numbers.

#include "core/Stato.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace kinetra {

// The fifteen column lists of the results table (N°Rip, Tempo, six concentric values, six
// eccentric values, Nota), one entry per row, as displayed.
using ColonneTabella = std::array<QStringList, 15>;

// The whole raw-sample file: header lines and one line per stored sample.
QByteArray contenutoFileCampioni(const Stato& stato, const QLocale& locale);

// The whole repetitions table file; `adesso` fills the first line. `avanzamento`, when set, is
// told the row count first (as a negative number; not called for an empty table) and then each
// row index as it is written.
QByteArray contenutoFileDati(const ColonneTabella& colonne, const Stato& stato,
                             const QLocale& locale, const QDateTime& adesso,
                             const std::function<void(int)>& avanzamento = {});

// The automatic name of the raw-sample file in the athlete folder (misure_auto in the data
// folder when no athlete is set), from the time stamp, with every character a Windows file name
// forbids replaced by a period.
QString nomeAutomaticoCampioni(const Stato& stato, const QLocale& locale, const QDateTime& adesso);
// The repetitions table written beside a raw-sample file under the same time stamp.
QString nomeDatiAccanto(const QString& nomeCampioni);

// Writes the raw-sample file, every stored sample. An empty `nome` is replaced by the automatic
// name (made unique, its folder created) and handed back. Returns the system's description of
// a failure, or an empty string; a failed write leaves an earlier file of that name whole.
QString Salva_File_Campioni_csv(QString& nome, const Stato& stato,
                                const QLocale& locale = QLocale(),
                                const QDateTime& adesso = QDateTime::currentDateTime());

// Writes the repetitions table file. Returns the description of a failure, or "".
QString Salva_File_Dati_csv(const QString& nome, const ColonneTabella& colonne, const Stato& stato,
                            const QLocale& locale = QLocale(),
                            const QDateTime& adesso = QDateTime::currentDateTime(),
                            const std::function<void(int)>& avanzamento = {});

} // namespace kinetra
