#include "core/CartellaDati.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kinetra {

QString cartellaDati(const QString& cartellaProgramma, bool demo) {
    const QDir programma(cartellaProgramma);
    QString cartella;
    if (!demo && (QFileInfo::exists(programma.filePath(QStringLiteral("portable"))) ||
                  QFileInfo::exists(programma.filePath(QStringLiteral("ini/pesi.ini"))))) {
        cartella = programma.absolutePath();
    } else {
        cartella = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (demo)
            cartella = QDir(cartella).filePath(QStringLiteral("demo"));
    }
    QDir().mkpath(cartella);
    return QDir::cleanPath(cartella);
}

} // namespace kinetra
