// kinetra-simulate-set: records the stream a measuring board would send for a simulated set,
// in the formats kinetra-analyze reads, and reports what really happened on standard error.

#include "RigaComando.h"
#include "core/Testo.h"
#include "sim/BoardModel.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <optional>

using namespace kinetra;

namespace {

using cli::errore;
using cli::EsitoErroreFile;
using cli::EsitoErroreUso;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kinetra-simulate-set"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a set lifted on a Kinetra measuring board: the load rests, is lifted once\n"
        "(the initial lift), then goes through the repetitions, each a pause at the top, a\n"
        "descent, a pause at the bottom and a rise along a smooth velocity curve, slower with\n"
        "fatigue. Writes the board's stream (serial: 6-byte frames; hid: 65-byte reports) and\n"
        "prints each repetition's true values on standard error.\n"
        "\n"
        "Exit status: 0 done, 1 the file cannot be written, 2 wrong options."));
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("serial or hid."), QStringLiteral("serial|hid"),
         QStringLiteral("serial")},
        {QStringLiteral("board-type"), QStringLiteral("1, 2 or 3."), QStringLiteral("1|2|3"),
         QStringLiteral("1")},
        {QStringLiteral("reps"), QStringLiteral("Number of repetitions, 1 to 100."),
         QStringLiteral("N"), QStringLiteral("6")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the step jitter: same seed, same bytes."),
         QStringLiteral("S"), QStringLiteral("1")},
        {QStringLiteral("initial-lift"), QStringLiteral("Height of the initial lift, mm."),
         QStringLiteral("MM"), QStringLiteral("400")},
        {QStringLiteral("initial-lift-speed"),
         QStringLiteral("Mean velocity of the initial lift, mm/s."), QStringLiteral("MM/S"),
         QStringLiteral("300")},
        {QStringLiteral("range"), QStringLiteral("Range of motion of a repetition, mm."),
         QStringLiteral("MM"), QStringLiteral("500")},
        {QStringLiteral("speed"),
         QStringLiteral("Mean concentric velocity of the first repetition, mm/s."),
         QStringLiteral("MM/S"), QStringLiteral("550")},
        {QStringLiteral("fatigue"),
         QStringLiteral("Share by which each repetition rises slower than the one before."),
         QStringLiteral("SHARE"), QStringLiteral("0.04")},
        {QStringList{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("The stream file to write (required)."), QStringLiteral("FILE")},
        {QStringList{QStringLiteral("h"), QStringLiteral("help")},
         QStringLiteral("Show this help.")},
    });
    if (const auto esito = cli::analizza(parser))
        return *esito;
    if (!parser.positionalArguments().isEmpty()) {
        errore(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments()[0]));
        return EsitoErroreUso;
    }
    const QString link = parser.value(QStringLiteral("link"));
    if (link != QLatin1String("serial") && link != QLatin1String("hid")) {
        errore(QStringLiteral("--link is serial or hid, not \"%1\"").arg(link));
        return EsitoErroreUso;
    }
    const QString tipo = parser.value(QStringLiteral("board-type"));
    if (tipo != QLatin1String("1") && tipo != QLatin1String("2") && tipo != QLatin1String("3")) {
        errore(QStringLiteral("--board-type is 1, 2 or 3, not \"%1\"").arg(tipo));
        return EsitoErroreUso;
    }
    if (!parser.isSet(QStringLiteral("output"))) {
        errore(QStringLiteral("-o FILE is required"));
        return EsitoErroreUso;
    }
    const auto reps = cli::numero(parser, QStringLiteral("reps"), 1, 100);
    const auto seed = cli::numero(parser, QStringLiteral("seed"), 0, 4294967295.0);
    const auto lift = cli::numero(parser, QStringLiteral("initial-lift"), 0, 2000);
    const auto liftSpeed = cli::numero(parser, QStringLiteral("initial-lift-speed"), 20, 5000);
    const auto range = cli::numero(parser, QStringLiteral("range"), 50, 2000);
    const auto speed = cli::numero(parser, QStringLiteral("speed"), 50, 3000);
    const auto fatigue = cli::numero(parser, QStringLiteral("fatigue"), 0, 0.5);
    if (!reps || !seed || !lift || !liftSpeed || !range || !speed || !fatigue)
        return EsitoErroreUso;
    if (*reps != std::floor(*reps) || *seed != std::floor(*seed)) {
        errore(QStringLiteral("--reps and --seed are whole numbers"));
        return EsitoErroreUso;
    }

    sim::SetPlan set;
    set.initialLiftMm = *lift;
    set.initialLiftMmS = *liftSpeed;
    set.fatigue = *fatigue;
    set.noise = 0.1;
    set.seed = static_cast<std::uint32_t>(*seed);
    for (int i = 0; i < static_cast<int>(*reps); ++i) {
        sim::RepetitionPlan rep;
        rep.rangeMm = *range;
        rep.meanConcentricMmS = *speed;
        set.repetitions.push_back(rep);
    }
    const sim::Link collegamento =
        link == QLatin1String("hid") ? sim::Link::Hid : sim::Link::Serial;
    const sim::BoardModel modello(set, tipo.toInt(), collegamento);

    QByteArray flusso;
    if (collegamento == sim::Link::Serial) {
        flusso = modello.serialBytes();
    } else {
        for (const QByteArray& report : modello.hidReports())
            flusso += report;
    }
    const QString nome = parser.value(QStringLiteral("output"));
    const QString esito = scriviFile(nome, flusso, true);
    if (!esito.isEmpty()) {
        errore(QStringLiteral("cannot write %1: %2").arg(nome, esito));
        return EsitoErroreFile;
    }

    std::fprintf(stderr, "%zu samples, %lld bytes; what the load really did:\n",
                 modello.samples().size(), static_cast<long long>(flusso.size()));
    int k = 1;
    for (const sim::RepetitionTruth& t : modello.truth()) {
        std::fprintf(stderr,
                     "  repetition %d: rise %.2f-%.2f s, %.0f mm, mean %.0f mm/s, peak %.0f mm/s\n",
                     k++, t.concentricStartS, t.concentricEndS, t.displacementMm,
                     t.meanConcentricMmS, t.peakConcentricMmS);
    }
    return 0;
}
