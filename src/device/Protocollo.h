#pragma once

// The board's command protocol: sending a command on every link in use, the reply waits on the
// serial link with their time-out, the board type and set-up queries, the start and stop of an
// acquisition and the probe of a serial port.

#include "core/Stato.h"
#include "device/InterfacciaCollegamento.h"
#include "device/MSComm.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace kinetra {

class Impostazioni;

inline const QString MessaggioTipoIgnoto =
    QStringLiteral("dispositivo non riconosciuto: DEFAULT TIPO 3!!");
inline const QString MessaggioNonCollegato = QStringLiteral("Apparato non collegato o spento!");

class Protocollo : public QObject {
    Q_OBJECT
public:
    Protocollo(Stato& stato, Impostazioni& impostazioni, InterfacciaCollegamento& ui,
               QObject* parent = nullptr);

    // The serial component (MSComm1). It may be destroyed at any time, also inside a wait:
    // the routines then see a closed port.
    void impostaComponente(MSComm* comm) { m_comm = comm; }
    MSComm* componente() const { return m_comm; }
    // How a command reaches the HID board (HID_invia_stringa).
    void impostaInvioHid(std::function<void(const QString&)> invia) {
        m_invioHid = std::move(invia);
    }
    // The engine's Reset_dati and Azzera_tempi, run by the start of an acquisition.
    void impostaAvvioDati(std::function<void()> resetDati, std::function<void()> azzeraTempi) {
        m_resetDati = std::move(resetDati);
        m_azzeraTempi = std::move(azzeraTempi);
    }

    void Invia_stringa(const QString& testo);
    void Svuota_ricezione();
    std::uint8_t Leggi_byte();
    QByteArray Leggi_risposta(int n);
    static QString Bytes_in_stringa(const QByteArray& byte);
    static std::int32_t Componi_parola(std::uint8_t basso, std::uint8_t alto);
    static std::int16_t Valore_bit(std::int32_t valore, int n);

    void Leggi_tipo_scheda();
    void Leggi_info_scheda();
    void Avvia_acquisizione();
    void Ferma_acquisizione();
    bool Verifica_porta();

    // Opens the component's port; an already open port counts as opened.
    bool Open_comm();
    // The automatic search: ports 1 to 30 in turn until a probe finds the board. `info` receives
    // the progress captions. Returns the port found, or 0.
    int Cerca_porta(const std::function<void(const QString&)>& info = {});

    // The reply timer: its tick ends the current wait.
    QTimer Timer_Seriale;
    void Timer_Seriale_Timer() { m_stato.Risposta_scaduta = true; }

private:
    MSComm& comm(); // the component, or the closed-port error
    template <class Fatto> void attendiRisposta(Fatto fatto);

    Stato& m_stato;
    Impostazioni& m_impostazioni;
    InterfacciaCollegamento& m_ui;
    QPointer<MSComm> m_comm;
    std::function<void(const QString&)> m_invioHid;
    std::function<void()> m_resetDati;
    std::function<void()> m_azzeraTempi;
};

// Applies the stored serial settings to the component without opening the port (settings
// string, port number, no flow control, nulls kept); a refused value is shown with the
// exclamation icon and ends the routine.
void Leggi_impostazioni(MSComm& comm, const Impostazioni& impostazioni,
                        InterfacciaCollegamento& ui);

} // namespace kinetra
