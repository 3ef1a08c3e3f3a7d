#include "core/Stato.h"

#include <QDir>

namespace kinetra {

Stato::Stato(QString cartellaDati) : Cartella_dati(std::move(cartellaDati)) {
    Cartella_ini = QDir(Cartella_dati).filePath(QStringLiteral("ini"));
    File_ini = QDir(Cartella_ini).filePath(QStringLiteral("pesi.ini"));
    Titolo_versione =
        titoloVersione(KINETRA_VERSION_MAJOR, KINETRA_VERSION_MINOR, KINETRA_VERSION_PATCH);
}

void Stato::svuotaCampioni() {
    Campioni.assign(1, Campione{});
    N_campioni = 0;
}

QString titoloVersione(int major, int minor, int revision) {
    return QStringLiteral("KINETRA %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString versioneProgramma() {
    return QStringLiteral("%1.%2.%3")
        .arg(KINETRA_VERSION_MAJOR)
        .arg(KINETRA_VERSION_MINOR)
        .arg(KINETRA_VERSION_PATCH);
}

} // namespace kinetra
