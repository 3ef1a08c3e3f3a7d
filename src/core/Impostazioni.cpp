#include "core/Impostazioni.h"

#include <QSettings>

namespace kinetra {

Impostazioni::Impostazioni()
    : m_settings(std::make_unique<QSettings>(NomeApplicazione, NomeApplicazione)) {}

Impostazioni::Impostazioni(const QString& fileIni)
    : m_settings(std::make_unique<QSettings>(fileIni, QSettings::IniFormat)) {}

Impostazioni::~Impostazioni() = default;

QString Impostazioni::leggi(const QString& sezione, const QString& chiave,
                            const QString& predefinito) const {
    m_settings->sync();
    return m_settings->value(sezione + QLatin1Char('/') + chiave, predefinito).toString();
}

void Impostazioni::scrivi(const QString& sezione, const QString& chiave, const QString& valore) {
    m_settings->setValue(sezione + QLatin1Char('/') + chiave, valore);
    m_settings->sync();
}

QString Impostazioni::impostazioniSeriale() const {
    return leggi(QStringLiteral("Properties"), QStringLiteral("Settings"), {});
}
QString Impostazioni::portaSeriale() const {
    return leggi(QStringLiteral("Properties"), QStringLiteral("CommPort"), {});
}
QString Impostazioni::ultimoUtente() const {
    return leggi(QStringLiteral("funz"), QStringLiteral("nome_utente"), {});
}
QString Impostazioni::ultimaSquadra() const {
    return leggi(QStringLiteral("funz"), QStringLiteral("squadra"), {});
}
QString Impostazioni::posizioneUtente() const {
    return leggi(QStringLiteral("funz"), QStringLiteral("pos_utente"), QStringLiteral("0"));
}
QString Impostazioni::posizioneSquadra() const {
    return leggi(QStringLiteral("funz"), QStringLiteral("pos_squadra"), QStringLiteral("0"));
}
QString Impostazioni::dispositivoPorta(int n) const {
    return leggi(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n), {});
}

} // namespace kinetra
