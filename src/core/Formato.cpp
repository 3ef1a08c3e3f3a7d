#include "core/Formato.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kinetra {

namespace {

// True when |v| lies exactly halfway between two neighbours at `decimali` decimals. Then
// v = M * 2^-(decimali+1) with M odd, since 2 * 10^d * v must be an odd whole number.
bool esattamenteAMeta(double v, int decimali) {
    int esponente = 0;
    double mantissa = std::frexp(std::fabs(v), &esponente); // v = mantissa * 2^esponente
    if (mantissa == 0.0)
        return false;
    auto m = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    esponente -= 53;
    while ((m & 1u) == 0) {
        m >>= 1;
        ++esponente;
    }
    return esponente == -(decimali + 1);
}

// Adds one unit in the last place to a decimal text of digits and at most one '.'.
void incrementaUltimaCifra(char* inizio, char*& fine) {
    char* p = fine - 1;
    for (; p >= inizio; --p) {
        if (*p == '.')
            continue;
        if (*p != '9') {
            ++*p;
            return;
        }
        *p = '0';
    }
    std::memmove(inizio + 1, inizio, static_cast<std::size_t>(fine - inizio));
    *inizio = '1';
    ++fine;
}

} // namespace

void appendiNumero(QByteArray& out, double v, int decimali, char separatore) {
    if (!std::isfinite(v)) {
        out.append(std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : "Inf"));
        return;
    }
    char buf[400];
    char* inizio = buf + 1; // room for a carry into a new leading digit
    char* fine = nullptr;
    const double a = std::fabs(v);
    if (esattamenteAMeta(a, decimali)) {
        // The tie has exactly decimali+1 digits: print them exactly, drop the final 5, round up.
        fine =
            std::to_chars(inizio, buf + sizeof buf, a, std::chars_format::fixed, decimali + 1).ptr;
        --fine;
        if (decimali == 0)
            --fine; // the '.'
        incrementaUltimaCifra(inizio, fine);
    } else {
        fine = std::to_chars(inizio, buf + sizeof buf, a, std::chars_format::fixed, decimali).ptr;
    }
    if (v < 0)
        out.append('-');
    for (char* p = inizio; p < fine; ++p)
        out.append(*p == '.' ? separatore : *p);
}

char separatoreDecimale(const QLocale& locale) {
    const QString s = locale.decimalPoint();
    return s.size() == 1 && s.at(0).unicode() < 0x80 ? s.at(0).toLatin1() : '.';
}

QString formatoNumero(double v, int decimali, const QLocale& locale) {
    QByteArray out;
    appendiNumero(out, v, decimali, '.');
    QString testo = QString::fromLatin1(out);
    if (decimali > 0)
        testo.replace(QLatin1Char('.'), locale.decimalPoint());
    return testo;
}

QString numeroIntero(std::int64_t v) {
    const QString cifre = QString::number(v);
    return (v < 0 ? cifre : QLatin1Char(' ') + cifre) + QLatin1Char(' ');
}

QString testoSingolo(float v, const QLocale& locale) {
    if (v == 0.0f)
        return QStringLiteral("0");
    char buf[64];
    const double d = v;
    const double a = std::fabs(d);
    char* fine = nullptr;
    if (a >= 1e-5 && a < 1e7) {
        // Seven significant digits in fixed notation, trailing zeros dropped.
        const int cifreIntere = static_cast<int>(std::floor(std::log10(a))) + 1;
        const int decimali = std::max(0, 7 - cifreIntere);
        fine = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, decimali).ptr;
        if (decimali > 0) {
            while (fine[-1] == '0')
                --fine;
            if (fine[-1] == '.')
                --fine;
        }
    } else {
        fine = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 6).ptr;
    }
    QString testo = QString::fromLatin1(buf, fine - buf);
    testo.replace(QLatin1Char('.'), locale.decimalPoint());
    return testo;
}

double valoreIniziale(QStringView s) {
    qsizetype i = 0;
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t')))
        ++i;
    const qsizetype inizio = i;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    auto cifre = [&] {
        qsizetype n = 0;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 0x80) {
            ++i;
            ++n;
        }
        return n;
    };
    qsizetype n = cifre();
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        n += cifre();
    }
    if (n == 0)
        return 0.0;
    qsizetype fineNumero = i;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        if (cifre() > 0)
            fineNumero = i;
    }
    const QByteArray testo = s.mid(inizio, fineNumero - inizio).toLatin1();
    double valore = 0;
    const char* b = testo.constData();
    if (*b == '+')
        ++b;
    std::from_chars(b, testo.constData() + testo.size(), valore);
    return valore;
}

std::int64_t arrotondaPari(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

std::optional<float> singoloDaTesto(const QString& testo, const QLocale& locale) {
    bool ok = false;
    const float v = locale.toFloat(testo.trimmed(), &ok);
    if (ok)
        return v;
    return std::nullopt;
}

QString separatoreOra(const QLocale& locale) {
    const QString formato = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype h = formato.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (h >= 0) {
        for (qsizetype i = h; i < formato.size(); ++i) {
            const QChar c = formato[i];
            if (c != QLatin1Char('h') && c != QLatin1Char('H'))
                return c == QLatin1Char('m') ? QStringLiteral(":") : QString(c);
        }
    }
    return QStringLiteral(":");
}

QString formatoData(const QDateTime& quando, QStringView pattern, const QLocale& locale) {
    const QDate data = quando.date();
    const QTime ora = quando.time();
    auto due = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    QString out;
    bool dopoOra = false;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        qsizetype n = 1;
        while (i + n < pattern.size() && pattern[i + n] == c)
            ++n;
        const QChar minuscolo = c.toLower();
        if (minuscolo == QLatin1Char('y')) {
            out += n >= 4 ? QString::number(data.year()) : due(data.year() % 100);
        } else if (minuscolo == QLatin1Char('m')) {
            if (n >= 3)
                out += locale.monthName(data.month(), QLocale::ShortFormat);
            else if (dopoOra)
                out += n == 2 ? due(ora.minute()) : QString::number(ora.minute());
            else
                out += n == 2 ? due(data.month()) : QString::number(data.month());
        } else if (minuscolo == QLatin1Char('d')) {
            out += n >= 2 ? due(data.day()) : QString::number(data.day());
        } else if (minuscolo == QLatin1Char('h')) {
            out += n >= 2 ? due(ora.hour()) : QString::number(ora.hour());
        } else if (minuscolo == QLatin1Char('s')) {
            out += n >= 2 ? due(ora.second()) : QString::number(ora.second());
        } else if (c == QLatin1Char(':')) {
            out += separatoreOra(locale);
        } else {
            out += pattern.mid(i, n).toString();
        }
        if (minuscolo == QLatin1Char('h'))
            dopoOra = true;
        else if (minuscolo != QLatin1Char(':') && c != QLatin1Char(' '))
            dopoOra = false;
        i += n;
    }
    return out;
}

} // namespace kinetra
