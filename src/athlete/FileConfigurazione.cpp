#include "athlete/FileConfigurazione.h"

#include "athlete/NomiCartelle.h"
#include "core/Formato.h"
#include "core/Testo.h"

#include <QDir>
#include <QFileInfo>

#include <array>
#include <optional>

namespace kinetra {

namespace {

const QString intestazioneConfig = QStringLiteral("pesi_cfg");

// How a text is written so that the field reader gives it back unchanged: as it is when
// nothing in it would end or trim the field, in double quotes when it holds a comma, a line
// break or leading blanks. A text with a double quote that would need quoting, or that begins
// with one, has no such form.
std::optional<QByteArray> campoRileggibile(const QString& testo) {
    const bool bordo = testo.startsWith(QLatin1Char(' ')) || testo.startsWith(QLatin1Char('\t'));
    const bool virgolette = bordo || testo.contains(QLatin1Char(',')) ||
                            testo.contains(QLatin1Char('\r')) || testo.contains(QLatin1Char('\n'));
    if (testo.contains(QLatin1Char('"'))) {
        if (virgolette || testo.startsWith(QLatin1Char('"')))
            return std::nullopt;
        return codificaTesto(testo);
    }
    if (!virgolette)
        return codificaTesto(testo);
    return '"' + codificaTesto(testo) + '"';
}

void rigaIntera(QByteArray& out, std::int64_t v) {
    out.append(numeroIntero(v).toLatin1());
    out.append("\r\n");
}

// The next whole number of the file, with the reason when there is none.
std::optional<std::int32_t> leggiIntero(LettoreCampi& lettore, QString& errore) {
    if (lettore.fine()) {
        errore = FineFileInattesa;
        return std::nullopt;
    }
    const auto v = lettore.intero();
    if (!v)
        errore = TipoNonCorrispondente;
    return v;
}

} // namespace

QString controllaVoceLista(const QString& voce) {
    return voce.contains(QLatin1Char('"')) ? VirgoletteNonAmmesse : QString();
}

QString Salva_File_Config(const Stato& stato, const ListeValori& liste, const QString& filename) {
    QByteArray valori;
    const auto u = static_cast<std::int64_t>(liste.size()) - 1;
    rigaIntera(valori, u);
    for (std::size_t k = 0; k < liste.size(); ++k) {
        if (k == 1)
            continue;
        rigaIntera(valori, static_cast<std::int64_t>(liste[k].size()) - 1);
        for (const QString& voce : liste[k]) {
            const auto campo = campoRileggibile(voce);
            if (!campo)
                return VirgoletteNonAmmesse + QStringLiteral(" (") + voce + QLatin1Char(')');
            valori.append(*campo);
            valori.append("\r\n");
        }
    }
    if (!QDir().mkpath(stato.Cartella_ini))
        return QStringLiteral("Impossibile creare la cartella ") +
               QDir::toNativeSeparators(stato.Cartella_ini);
    if (QString errore = scriviFile(stato.File_ini, valori, true); !errore.isEmpty())
        return errore;

    const DatiEsercizio& dati = stato.Dati_esercizio;
    QString percorso = filename;
    if (percorso.isEmpty()) {
        if (dati.Nome_utente.isEmpty())
            return {};
        // The name becomes part of a path: it must not lead out of the athlete folder.
        const QString& nome = dati.Nome_utente;
        if (nome.contains(QLatin1Char('/')) || nome.contains(QLatin1Char('\\')) ||
            nome == QStringLiteral(".") || nome == QStringLiteral(".."))
            return controllaNomeCartella(nome);
        percorso = QDir(dati.Cartella_atleta).filePath(nome + QStringLiteral(".cfg"));
    }
    QByteArray config = intestazioneConfig.toLatin1() + "\r\n";
    for (const std::int32_t p : dati.Pos_campi)
        rigaIntera(config, p);
    // The folder is only informative (loading takes the file's own folder), so a path that
    // cannot be quoted is still written as it is.
    config.append(
        campoRileggibile(dati.Cartella_atleta).value_or(codificaTesto(dati.Cartella_atleta)));
    config.append("\r\n");
    return scriviFile(percorso, config, true);
}

QString Carica_File_Config(const QString& path, Stato& stato) {
    QString errore;
    const auto dati = leggiFile(path, &errore);
    if (!dati)
        return errore;
    LettoreCampi lettore(*dati);
    const auto primo = lettore.campo();
    if (!primo)
        return FineFileInattesa;
    if (*primo != intestazioneConfig)
        return FileNonCompatibile;
    std::array<std::int32_t, NumeroPosizioni> posizioni{};
    for (std::int32_t& p : posizioni) {
        const auto v = leggiIntero(lettore, errore);
        if (!v)
            return errore;
        p = *v;
    }
    if (!lettore.campo())
        return FineFileInattesa;
    stato.Dati_esercizio.Pos_campi = posizioni;
    // The stored folder is the one of the machine that wrote the file; the file itself sits in
    // the athlete folder, wherever the data folder has been moved since.
    stato.Dati_esercizio.Cartella_atleta = QDir::cleanPath(QFileInfo(path).absolutePath());
    return {};
}

QString leggiListeValori(const QString& percorso, ListeValori& liste) {
    for (QStringList& lista : liste)
        lista.clear();
    QString errore;
    const auto dati = leggiFile(percorso, &errore);
    if (!dati)
        return errore;
    LettoreCampi lettore(*dati);
    const auto u = leggiIntero(lettore, errore);
    if (!u)
        return errore;
    for (std::int64_t k = 0; k <= *u; ++k) {
        if (k == 1)
            continue;
        const auto n = leggiIntero(lettore, errore);
        if (!n)
            return errore;
        const bool nostra = k < static_cast<std::int64_t>(liste.size());
        for (std::int64_t j = 0; j <= *n; ++j) {
            const auto voce = lettore.campo();
            if (!voce)
                return FineFileInattesa;
            if (nostra)
                liste[static_cast<std::size_t>(k)].append(*voce);
        }
    }
    return {};
}

} // namespace kinetra
