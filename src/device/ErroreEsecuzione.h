#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace kinetra {

// A run-time error as the routines that talk to the board see it: a number and a description
// that the caller shows to the user or swallows.
class ErroreEsecuzione : public std::exception {
public:
    ErroreEsecuzione(int numero, QString descrizione)
        : m_numero(numero), m_descrizione(std::move(descrizione)), m_testo(m_descrizione.toUtf8()) {
    }

    int numero() const { return m_numero; }
    const QString& descrizione() const { return m_descrizione; }
    const char* what() const noexcept override { return m_testo.constData(); }

private:
    int m_numero;
    QString m_descrizione;
    QByteArray m_testo;
};

// Numbers of the serial component's errors.
namespace ErroreComm {
inline constexpr int ValoreNonValido = 380;    // a property value out of its range
inline constexpr int PortaGiaInUso = 8000;     // operation not valid while the port is open
inline constexpr int PortaNonValida = 8002;    // no device behind the port number
inline constexpr int PortaGiaAperta = 8005;    // this component has the port open already
inline constexpr int PortaOccupata = 8010;     // the device is busy or not accessible
inline constexpr int StatoNonImpostato = 8015; // the device refused the line settings
inline constexpr int PortaChiusa = 8018;       // operation valid only while the port is open
} // namespace ErroreComm

// A reply shorter than the routine expects: the index of a missing byte.
inline constexpr int ErroreIndice = 9;

} // namespace kinetra
