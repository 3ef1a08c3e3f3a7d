#pragma once

#include <QString>
#include <QStringList>

namespace kinetra {

class Impostazioni;

// The device behind serial port number n (1 to 30). The settings group "Ports" may present a
// device as "Com<n>" (a board simulator on a pseudo-terminal does); otherwise port n is COMn on
// Windows and elsewhere the n-th serial device the system reports, in a stable order. Empty when
// there is none.
QString dispositivoPorta(int n, const Impostazioni* impostazioni);

// The serial devices of the system in the order that numbers them.
QStringList dispositiviSistema();

// Natural order of device names: ttyS2 before ttyS10.
bool precedeNaturale(const QString& a, const QString& b);

} // namespace kinetra
