#include "athlete/EsportazioneCsv.h"

#include "athlete/NomiCartelle.h"
#include "core/Formato.h"
#include "core/Testo.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kinetra {

namespace {

const char* const intestazioneDati =
    "Nome;Esercizio;Carico;N\xB0Rip;Tempo;Durata;Spost;Vmedia;Vmax;TdiVmax;SdiVmax;Durata;Spost;"
    "Vmedia;Vmax;TdiVmax;SdiVmax;NOTA;\r\n";

// A text field of the repetitions table. A ";" would shift the following columns and a line
// break would start a new row, so such a text goes in double quotes (inner quotes doubled), the
// way spreadsheets read it.
void appendiTesto(QByteArray& out, const QString& testo) {
    const bool virgolette = testo.contains(QLatin1Char(';')) || testo.contains(QLatin1Char('"')) ||
                            testo.contains(QLatin1Char('\r')) || testo.contains(QLatin1Char('\n'));
    if (!virgolette) {
        out.append(codificaTesto(testo));
        return;
    }
    out.append('"');
    out.append(codificaTesto(testo).replace("\"", "\"\""));
    out.append('"');
}

// A time stamp with every character a Windows file name cannot hold (the time separator of
// most locales among them) turned into a period, the separator some locales use anyway.
QString senzaCaratteriVietati(QString testo) {
    for (QChar& c : testo) {
        if (carattereVietato(c))
            c = QLatin1Char('.');
    }
    return testo;
}

bool nomeLibero(const QString& nomeCampioni) {
    return !QFileInfo::exists(nomeCampioni) && !QFileInfo::exists(nomeDatiAccanto(nomeCampioni));
}

} // namespace

QByteArray contenutoFileCampioni(const Stato& stato, const QLocale& locale) {
    // The stored samples are elements 0 to N_campioni - 1; the store never holds fewer
    // elements, but a count that disagrees with it must not read past its end.
    const auto n =
        std::clamp<qsizetype>(stato.N_campioni, 0, static_cast<qsizetype>(stato.Campioni.size()));
    const char separatore = separatoreDecimale(locale);
    QByteArray out;
    out.reserve(40 + n * 40);
    out.append("Kinetra01;\r\nTempo;Posizione;Velocita;dt\r\n");
    for (qsizetype i = 0; i < n; ++i) {
        const Campione& c = stato.Campioni[static_cast<std::size_t>(i)];
        appendiNumero(out, c.Tempo, 4, separatore);
        out.append(';');
        appendiNumero(out, c.Posizione, 0, separatore);
        out.append(';');
        appendiNumero(out, c.Velocita, 4, separatore);
        out.append(';');
        appendiNumero(out, c.dt, 7, separatore);
        out.append("\r\n", 2);
    }
    return out;
}

QByteArray contenutoFileDati(const ColonneTabella& colonne, const Stato& stato,
                             const QLocale& locale, const QDateTime& adesso,
                             const std::function<void(int)>& avanzamento) {
    const char separatore = separatoreDecimale(locale);
    const DatiEsercizio& dati = stato.Dati_esercizio;
    QByteArray out;
    out.append(codificaTesto(formatoData(adesso, u"dd mm yyyy", locale) + QLatin1Char(';') +
                             formatoData(adesso, u"h:mm:s", locale) + QLatin1Char(';')));
    out.append("\r\n");
    out.append(intestazioneDati);

    const auto righe = static_cast<int>(colonne[0].size());
    if (avanzamento && righe > 0)
        avanzamento(-righe);
    for (int r = 0; r < righe; ++r) {
        appendiTesto(out, dati.Nome_utente);
        out.append(';');
        appendiTesto(out, dati.Esercizio);
        out.append(';');
        appendiNumero(out, dati.Carico, 1, separatore);
        out.append(';');
        out.append(numeroIntero(r + 1).toLatin1());
        out.append(';');
        for (std::size_t c = 1; c <= 13; ++c) {
            // A cell that is missing or not a number leaves its field empty, so the columns
            // after it stay under their headings.
            if (r < colonne[c].size()) {
                if (const auto v = singoloDaTesto(colonne[c][r], locale))
                    appendiNumero(out, *v, 2, separatore);
            }
            out.append(';');
        }
        const auto record = static_cast<std::size_t>(r) + 1;
        if (record < stato.Ripetizioni.size())
            appendiTesto(out, stato.Ripetizioni[record].Nota);
        out.append(";\r\n");
        if (avanzamento)
            avanzamento(r);
    }
    return out;
}

QString nomeAutomaticoCampioni(const Stato& stato, const QLocale& locale, const QDateTime& adesso) {
    // Without an athlete the file would land at the root of the file system; the folder for
    // automatic measurements keeps it with the rest of the data.
    const QString cartella = stato.Dati_esercizio.Cartella_atleta.isEmpty()
                                 ? QDir(stato.Cartella_dati).filePath(QStringLiteral("misure_auto"))
                                 : stato.Dati_esercizio.Cartella_atleta;
    const QString stampa =
        senzaCaratteriVietati(formatoData(adesso, u"yyyy  mmm dd  h:mm:s", locale));
    return QDir(cartella).filePath(stampa + QStringLiteral(".csv"));
}

QString nomeDatiAccanto(const QString& nomeCampioni) {
    QString base = nomeCampioni;
    if (base.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(" dati.csv");
}

QString Salva_File_Campioni_csv(QString& nome, const Stato& stato, const QLocale& locale,
                                const QDateTime& adesso) {
    if (nome.isEmpty()) {
        const QString automatico = nomeAutomaticoCampioni(stato, locale, adesso);
        const QString cartella = QFileInfo(automatico).path();
        if (!QDir().mkpath(cartella))
            return QStringLiteral("Impossibile creare la cartella ") +
                   QDir::toNativeSeparators(cartella);
        // Two acquisitions ended within the same second must not overwrite each other.
        QString candidato = automatico;
        for (int i = 2; !nomeLibero(candidato); ++i)
            candidato = automatico.chopped(4) + QStringLiteral(" %1.csv").arg(i);
        nome = candidato;
    }
    return scriviFile(nome, contenutoFileCampioni(stato, locale), true);
}

QString Salva_File_Dati_csv(const QString& nome, const ColonneTabella& colonne, const Stato& stato,
                            const QLocale& locale, const QDateTime& adesso,
                            const std::function<void(int)>& avanzamento) {
    return scriviFile(nome, contenutoFileDati(colonne, stato, locale, adesso, avanzamento), true);
}

} // namespace kinetra
