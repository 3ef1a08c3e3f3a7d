#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace kinetra {

// Appends v with exactly `decimali` decimals ("0", "0.0", "0.00", ...): rounded half away from
// zero on the exact binary value, no grouping, minus sign kept, `separatore` as decimal point.
// The fast path for the exports; formatoNumero is the same with a QLocale.
void appendiNumero(QByteArray& out, double v, int decimali, char separatore);

// The text of v with exactly `decimali` decimals in the given locale.
QString formatoNumero(double v, int decimali, const QLocale& locale = QLocale());

// The locale's decimal separator as one 8-bit character ('.' when the locale's is wider).
char separatoreDecimale(const QLocale& locale);

// A whole number written on its own: " 3 ", "-1 ".
QString numeroIntero(std::int64_t v);

// Shortest text of a single: at most 7 significant digits, locale decimal separator, no
// exponent for ordinary magnitudes. 80 -> "80", 12.5 -> "12,5" in Italian.
QString testoSingolo(float v, const QLocale& locale = QLocale());

// Value of the longest numeric prefix of s ("." as decimal point, leading blanks skipped):
// "80%" -> 80, "abc" -> 0.
double valoreIniziale(QStringView s);

// Nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4).
std::int64_t arrotondaPari(double v);

// Locale-aware conversion of a displayed number to a single ("12,50" in Italian); empty when
// the text is not a number.
std::optional<float> singoloDaTesto(const QString& testo, const QLocale& locale = QLocale());

// Date and time by a pattern of the codes yyyy, yy, mmm, mm, m, dd, d, hh, h, ss, s and ":":
// "mm"/"m" right after an hour code are minutes, "mmm" is the locale's abbreviated month name,
// ":" is the locale's time separator. Other characters are copied.
QString formatoData(const QDateTime& quando, QStringView pattern,
                    const QLocale& locale = QLocale());

// The locale's time separator (":" in most, "." in some).
QString separatoreOra(const QLocale& locale);

} // namespace kinetra
