#pragma once

// The serial port as the board protocol and the sample receiver use it: numbered ports, a line
// settings string, binary input read in batches of InputLen bytes, and a receive event once
// RThreshold bytes wait. Every failure is an ErroreEsecuzione with the component's number.

#include "acquisition/SorgenteSeriale.h"
#include "device/ErroreEsecuzione.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

namespace kinetra {

class Impostazioni;

// A parsed line settings string "speed,parity,data bits,stop bits", e.g. "9600,N,8,1.5".
struct LineaSeriale {
    int velocita = 115200;
    QChar parita = QLatin1Char('N');       // upper case: N, E, O, M, S
    int bitDati = 8;                       // 4 to 8
    QString bitStop = QStringLiteral("1"); // "1", "1.5" or "2"

    QString testo() const;
};
// Nothing when the string is not a valid settings string.
std::optional<LineaSeriale> analizzaSettings(const QString& testo);

// Event codes of CommEvent.
inline constexpr int EventoRicezione = 2; // RThreshold bytes or more are waiting
inline constexpr int EventoPortante = 5;  // the line went away (device removed, peer hung up)

class MSComm : public QObject, public SorgenteSeriale {
    Q_OBJECT
public:
    // Port numbers are mapped to devices through `impostazioni` (may be null: system devices).
    explicit MSComm(const Impostazioni* impostazioni = nullptr, QObject* parent = nullptr);
    ~MSComm() override;

    int CommPort() const { return m_porta; }
    void setCommPort(int porta); // 1 to 255; not while the port is open

    QString Settings() const { return m_linea.testo(); }
    void setSettings(const QString& testo);

    bool PortOpen() const { return m_seriale.isOpen(); }
    void setPortOpen(bool aperta);

    int Handshaking() const { return m_flusso; }
    void setHandshaking(int flusso); // 0 none, 1 XON/XOFF, 2 RTS, 3 RTS and XON/XOFF

    bool DTREnable() const { return m_dtr; }
    void setDTREnable(bool attivo);
    bool RTSEnable() const { return m_rts; }
    void setRTSEnable(bool attivo);
    bool NullDiscard() const { return m_scartaNulli; }
    void setNullDiscard(bool attivo) { m_scartaNulli = attivo; }

    int InputMode() const { return m_modo; }
    void setInputMode(int modo); // 0 text, 1 binary
    int InputLen() const override { return m_lunghezza; }
    void setInputLen(int lunghezza);
    int RThreshold() const { return m_soglia; }
    void setRThreshold(int soglia);

    // Bytes waiting; 0 while the port is closed.
    int InBufferCount() const override;
    // Removes and returns up to InputLen waiting bytes (all when 0).
    QByteArray Input() override;
    // Sends the characters as bytes, in order.
    void Output(const QString& testo);
    void Output(const QByteArray& byte);
    int CommEvent() const override { return m_evento; }

    // The device of the current port number (empty when none).
    QString dispositivo() const;

signals:
    void OnComm();

private:
    void ricevi();
    void erroreSeriale(QSerialPort::SerialPortError errore);
    void applicaLinea(const LineaSeriale& linea);
    void applicaFlusso();
    void applicaLinee();

    const Impostazioni* m_impostazioni;
    QSerialPort m_seriale;
    QByteArray m_ingresso;
    LineaSeriale m_linea;
    int m_porta = 1;
    int m_flusso = 0;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_scartaNulli = false;
    int m_modo = 0;
    int m_lunghezza = 0;
    int m_soglia = 0;
    int m_evento = 0;
    bool m_chiusuraInCorso = false;
};

} // namespace kinetra
