#include "device/PorteSeriali.h"

#include "core/Impostazioni.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace kinetra {

bool precedeNaturale(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype fi = i, fj = j;
            while (fi < a.size() && a[fi] == QLatin1Char('0'))
                ++fi;
            while (fj < b.size() && b[fj] == QLatin1Char('0'))
                ++fj;
            qsizetype ei = fi, ej = fj;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            if (ei - fi != ej - fj)
                return ei - fi < ej - fj;
            const int c =
                QStringView(a).sliced(fi, ei - fi).compare(QStringView(b).sliced(fj, ej - fj));
            if (c != 0)
                return c < 0;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

QStringList dispositiviSistema() {
    QStringList nomi;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        nomi << info.systemLocation();
    std::sort(nomi.begin(), nomi.end(), precedeNaturale);
    nomi.removeDuplicates();
    return nomi;
}

QString dispositivoPorta(int n, const Impostazioni* impostazioni) {
    if (n < 1)
        return {};
    if (impostazioni) {
        const QString presentato = impostazioni->dispositivoPorta(n);
        if (!presentato.isEmpty())
            return presentato;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    const QStringList sistema = dispositiviSistema();
    return n <= sistema.size() ? sistema[n - 1] : QString();
#endif
}

} // namespace kinetra
