#pragma once

// What the command-line tools share: exit codes, messages on standard error, the parse with
// --help, and number options with their bounds.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace kinetra::cli {

inline constexpr int EsitoErroreFile = 1;
inline constexpr int EsitoErroreUso = 2;

inline void errore(const QString& testo) {
    std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                 testo.toLocal8Bit().constData());
}

// Parses the arguments; prints the help or the error. Returns the exit code when the tool must
// stop here.
inline std::optional<int> analizza(QCommandLineParser& parser) {
    if (!parser.parse(QCoreApplication::arguments())) {
        errore(parser.errorText());
        return EsitoErroreUso;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    return std::nullopt;
}

// The value of a number option within [minimo, massimo]; reported and empty when it is not.
inline std::optional<double> numero(const QCommandLineParser& parser, const QString& nome,
                                    double minimo,
                                    double massimo = std::numeric_limits<double>::infinity()) {
    bool ok = false;
    const double v = parser.value(nome).toDouble(&ok);
    if (ok && std::isfinite(v) && v >= minimo && v <= massimo)
        return v;
    if (std::isinf(massimo))
        errore(QStringLiteral("--%1 wants a number of %2 or more, not \"%3\"")
                   .arg(nome)
                   .arg(minimo)
                   .arg(parser.value(nome)));
    else
        errore(QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                   .arg(nome)
                   .arg(minimo)
                   .arg(massimo)
                   .arg(parser.value(nome)));
    return std::nullopt;
}

} // namespace kinetra::cli
