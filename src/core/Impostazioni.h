#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace kinetra {

// The per-user settings: string values in sections, each read with its default.
class Impostazioni {
public:
    // The per-user store of this user ("kinetra_2023").
    Impostazioni();
    // A store kept in one INI file (tests, portable use).
    explicit Impostazioni(const QString& fileIni);
    ~Impostazioni();

    QString leggi(const QString& sezione, const QString& chiave, const QString& predefinito) const;
    void scrivi(const QString& sezione, const QString& chiave, const QString& valore);

    // The keys the program keeps, with their read defaults.
    QString impostazioniSeriale() const; // "Properties"/"Settings", ""
    QString portaSeriale() const;        // "Properties"/"CommPort", ""
    QString ultimoUtente() const;        // "funz"/"nome_utente", ""
    QString ultimaSquadra() const;       // "funz"/"squadra", ""
    QString posizioneUtente() const;     // "funz"/"pos_utente", "0"
    QString posizioneSquadra() const;    // "funz"/"pos_squadra", "0"
    // A device path that presents serial port n ("Ports"/"Com<n>"), or "".
    QString dispositivoPorta(int n) const;

private:
    std::unique_ptr<QSettings> m_settings;
};

inline const QString NomeApplicazione = QStringLiteral("kinetra_2023");

} // namespace kinetra
