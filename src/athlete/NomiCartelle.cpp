#include "athlete/NomiCartelle.h"

#include "core/Testo.h"

#include <QStringList>

namespace kinetra {

namespace {

// Longest folder name that still leaves room for "<name>.cfg" inside it (255 per component).
constexpr qsizetype lunghezzaMassima = 251;

bool riservato(const QString& nome) {
    // Windows maps these to devices whatever the extension: "nul.txt" is the null device too.
    static const QStringList dispositivi = {
        QStringLiteral("CON"),    QStringLiteral("PRN"),    QStringLiteral("AUX"),
        QStringLiteral("NUL"),    QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"),
        QStringLiteral("CLOCK$"),
    };
    QString base = nome.section(QLatin1Char('.'), 0, 0);
    while (base.endsWith(QLatin1Char(' ')))
        base.chop(1);
    base = base.toUpper();
    if (dispositivi.contains(base))
        return true;
    if (base.size() == 4 &&
        (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT")))) {
        const char16_t c = base.at(3).unicode();
        return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
    }
    return false;
}

} // namespace

bool carattereVietato(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("<>:\"/\\|?*").contains(c);
}

QString controllaNomeCartella(const QString& nome) {
    if (nome.trimmed().isEmpty())
        return QStringLiteral("Il nome non può essere vuoto!");
    for (const QChar c : nome) {
        if (!carattereVietato(c))
            continue;
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("Il nome contiene caratteri non ammessi!");
        return QStringLiteral("Il nome non può contenere i caratteri < > : \" / \\ | ? *");
    }
    // Our files are 8-bit: a character outside the code page would come back as '?' from the
    // value lists, naming a folder that does not exist.
    if (decodificaTesto(codificaTesto(nome)) != nome)
        return QStringLiteral("Il nome contiene caratteri non ammessi!");
    // Windows drops a trailing dot or blank, so the folder would not be the one we asked for;
    // this also refuses "." and "..".
    if (nome.endsWith(QLatin1Char('.')) || nome.endsWith(QLatin1Char(' ')))
        return QStringLiteral("Il nome non può terminare con un punto o uno spazio!");
    // Elsewhere a leading dot hides the folder, and the athlete would vanish from the list.
    if (nome.startsWith(QLatin1Char('.')))
        return QStringLiteral("Il nome non può iniziare con un punto!");
    if (riservato(nome))
        return QStringLiteral("Nome riservato dal sistema!");
    if (nome.size() > lunghezzaMassima)
        return QStringLiteral("Nome troppo lungo!");
    return {};
}

} // namespace kinetra
