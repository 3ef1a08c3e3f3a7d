// kinetra-analyze: re-analyses a recorded stream of a measuring board and writes the
// repetitions table, through the same decoding, block processing and detection as the program.

#include "RigaComando.h"
#include "acquisition/Analisi.h"
#include "acquisition/Decodifica.h"
#include "athlete/EsportazioneCsv.h"
#include "core/Formato.h"
#include "core/Testo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <optional>

using namespace kinetra;

namespace {

using cli::errore;
using cli::EsitoErroreFile;
using cli::EsitoErroreUso;
constexpr double AmpiezzaPredefinita = 100;

const char* const Descrizione =
    "Re-analyses a recorded stream of a Kinetra measuring board and writes the repetitions\n"
    "table in the program's CSV format (semicolon-separated, CR LF, Windows-1252).\n"
    "\n"
    "A serial capture is the bytes exactly as they came from the port; a HID capture is the\n"
    "65-byte input reports one after another. The samples go through the program's own\n"
    "receivers, block processing and repetition detection, as an acquisition started with\n"
    "an empty table would.\n"
    "\n"
    "With --vel-max, --upper or --lower each repetition's alarm colour is reported on\n"
    "standard error.\n"
    "\n"
    "Exit status: 0 done, 1 the stream cannot be read or is malformed, or an output cannot\n"
    "be written, 2 wrong options.";

// A number option: finite and not negative.
std::optional<float> numeroOpzione(const QCommandLineParser& parser, const QString& nome,
                                   float predefinito) {
    if (!parser.isSet(nome))
        return predefinito;
    const std::optional<double> v = cli::numero(parser, nome, 0);
    return v ? std::optional<float>(static_cast<float>(*v)) : std::nullopt;
}

bool scriviUscita(const QByteArray& dati) {
    const std::size_t scritti = std::fwrite(dati.constData(), 1, dati.size(), stdout);
    return scritti == static_cast<std::size_t>(dati.size()) && std::fflush(stdout) == 0;
}

const char* nomeColore(std::uint32_t colore) {
    switch (colore) {
    case ColoreGiallo:
        return "yellow (above the upper limit)";
    case ColoreRosso:
        return "red (below the lower limit)";
    default:
        return "green";
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kinetra-analyze"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Descrizione));
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("How the stream was captured: serial or hid."),
         QStringLiteral("serial|hid"), QStringLiteral("serial")},
        {QStringLiteral("board-type"),
         QStringLiteral("Board type, which sets the millimetres per count and the milliseconds "
                        "per tick: 1, 2 or 3."),
         QStringLiteral("1|2|3"), QStringLiteral("1")},
        {QStringLiteral("min-displacement"),
         QStringLiteral("Displacement a rise must exceed to count as a repetition (default %1).")
             .arg(AmpiezzaPredefinita),
         QStringLiteral("MM")},
        {QStringLiteral("vel-max"),
         QStringLiteral("The athlete's maximum velocity for the exercise."),
         QStringLiteral("MM/S")},
        {QStringLiteral("upper"), QStringLiteral("Upper alarm limit, % of --vel-max."),
         QStringLiteral("PERCENT")},
        {QStringLiteral("lower"), QStringLiteral("Lower alarm limit, % of --vel-max."),
         QStringLiteral("PERCENT")},
        {QStringLiteral("locale"),
         QStringLiteral("Number and date notation of the table: it, en or system."),
         QStringLiteral("it|en|system"), QStringLiteral("system")},
        {QStringList{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("Write the table to FILE instead of standard output."),
         QStringLiteral("FILE")},
        {QStringLiteral("raw"), QStringLiteral("Also write the raw-sample CSV to FILE."),
         QStringLiteral("FILE")},
        {QStringList{QStringLiteral("h"), QStringLiteral("help")},
         QStringLiteral("Show this help.")},
    });
    parser.addPositionalArgument(QStringLiteral("stream"), QStringLiteral("The recorded stream."));

    if (const auto esito = cli::analizza(parser))
        return *esito;

    const QString link = parser.value(QStringLiteral("link"));
    if (link != QLatin1String("serial") && link != QLatin1String("hid")) {
        errore(QStringLiteral("--link is serial or hid, not \"%1\"").arg(link));
        return EsitoErroreUso;
    }
    const Collegamento collegamento =
        link == QLatin1String("hid") ? Collegamento::Hid : Collegamento::Seriale;

    const QString tipo = parser.value(QStringLiteral("board-type"));
    if (tipo != QLatin1String("1") && tipo != QLatin1String("2") && tipo != QLatin1String("3")) {
        errore(QStringLiteral("--board-type is 1, 2 or 3, not \"%1\"").arg(tipo));
        return EsitoErroreUso;
    }

    const QString nomeLocale = parser.value(QStringLiteral("locale"));
    QLocale locale;
    if (nomeLocale == QLatin1String("it")) {
        locale = QLocale(QLocale::Italian, QLocale::Italy);
    } else if (nomeLocale == QLatin1String("en")) {
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    } else if (nomeLocale != QLatin1String("system")) {
        errore(QStringLiteral("--locale is it, en or system, not \"%1\"").arg(nomeLocale));
        return EsitoErroreUso;
    }

    const auto ampiezza = numeroOpzione(parser, QStringLiteral("min-displacement"),
                                        static_cast<float>(AmpiezzaPredefinita));
    const auto velMax = numeroOpzione(parser, QStringLiteral("vel-max"), 0);
    const auto superiore = numeroOpzione(parser, QStringLiteral("upper"), 0);
    const auto inferiore = numeroOpzione(parser, QStringLiteral("lower"), 0);
    if (!ampiezza || !velMax || !superiore || !inferiore)
        return EsitoErroreUso;
    const bool allarmi = parser.isSet(QStringLiteral("vel-max")) ||
                         parser.isSet(QStringLiteral("upper")) ||
                         parser.isSet(QStringLiteral("lower"));

    const QStringList posizionali = parser.positionalArguments();
    if (posizionali.size() != 1) {
        errore(posizionali.isEmpty() ? QStringLiteral("no stream given (see --help)")
                                     : QStringLiteral("one stream at a time (see --help)"));
        return EsitoErroreUso;
    }

    QString problema;
    const std::optional<QByteArray> dati = leggiFile(posizionali.first(), &problema);
    if (!dati) {
        errore(QStringLiteral("cannot read %1: %2").arg(posizionali.first(), problema));
        return EsitoErroreFile;
    }
    if (const auto difetto = verificaRegistrazione(*dati, collegamento)) {
        errore(QStringLiteral("%1: %2").arg(posizionali.first(), *difetto));
        return EsitoErroreFile;
    }
    if (collegamento == Collegamento::Seriale && dati->size() % ByteFrameSeriale != 0)
        errore(QStringLiteral("warning: %1 bytes is not a whole number of 6-byte frames; the "
                              "capture may have lost a byte")
                   .arg(dati->size()));

    Stato stato;
    stato.Dati_esercizio.Ampiezza_minima = *ampiezza;
    stato.Dati_esercizio.Vel_max = *velMax;
    stato.Dati_esercizio.Limite_sup = *superiore;
    stato.Dati_esercizio.Limite_inf = *inferiore;
    stato.Memo_attivo = parser.isSet(QStringLiteral("raw"));
    VistaTabella vista(stato, locale);
    MotoreAcquisizione motore(stato, vista);
    avviaAcquisizione(stato, motore, collegamento, tipo.toInt());
    riproduciRegistrazione(motore, *dati, collegamento);
    stato.Acquisizione_attiva = false;

    const ColonneTabella& colonne = vista.colonne();
    if (allarmi) {
        for (qsizetype r = 0; r < colonne[0].size(); ++r) {
            const Ripetizione& rip = stato.Ripetizioni[static_cast<std::size_t>(r + 1)];
            std::fprintf(stderr, "repetition %lld: mean concentric velocity %s mm/s: %s\n",
                         static_cast<long long>(r + 1),
                         formatoNumero(rip.Vmedia_con, 0, locale).toLocal8Bit().constData(),
                         nomeColore(coloreAllarme(rip.Vmedia_con, stato.Dati_esercizio)));
        }
    }

    const QByteArray tabella =
        contenutoFileDati(colonne, stato, locale, QDateTime::currentDateTime());
    if (parser.isSet(QStringLiteral("output"))) {
        const QString nome = parser.value(QStringLiteral("output"));
        const QString esito = scriviFile(nome, tabella, true);
        if (!esito.isEmpty()) {
            errore(QStringLiteral("cannot write %1: %2").arg(nome, esito));
            return EsitoErroreFile;
        }
    } else if (!scriviUscita(tabella)) {
        errore(QStringLiteral("cannot write the table to standard output"));
        return EsitoErroreFile;
    }

    if (stato.Memo_attivo) {
        const QString nome = parser.value(QStringLiteral("raw"));
        const QString esito = scriviFile(nome, contenutoFileCampioni(stato, locale), true);
        if (!esito.isEmpty()) {
            errore(QStringLiteral("cannot write %1: %2").arg(nome, esito));
            return EsitoErroreFile;
        }
    }
    return 0;
}
