// kinetra-board-sim: a measuring board on a pseudo-terminal. Prints the device path on its
// first line of output, answers the board's commands and streams a simulated set after "$F".

#include "core/Impostazioni.h"
#include "sim/PseudoTerminale.h"
#include "sim/SchedaSeriale.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <memory>

using namespace kinetra;
using namespace kinetra::sim;

namespace {

struct Errore {
    QString testo;
};

double numero(const QCommandLineParser& p, const QString& nome, double minimo) {
    bool ok = false;
    const double v = p.value(nome).toDouble(&ok);
    if (!ok || v < minimo)
        throw Errore{QStringLiteral("--%1: not a number of at least %2: '%3'")
                         .arg(nome)
                         .arg(minimo)
                         .arg(p.value(nome))};
    return v;
}

qint64 intero(const QCommandLineParser& p, const QString& nome, qint64 minimo, qint64 massimo) {
    bool ok = false;
    const qint64 v = p.value(nome).toLongLong(&ok);
    if (!ok || v < minimo || v > massimo)
        throw Errore{QStringLiteral("--%1: not a whole number from %2 to %3: '%4'")
                         .arg(nome)
                         .arg(minimo)
                         .arg(massimo)
                         .arg(p.value(nome))};
    return v;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kinetra-board-sim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A Kinetra measuring board on a pseudo-terminal. The first line of output is the device\n"
        "path of its serial port. It answers \"?\", \"$\", \"$D\", \"$i\", \"$T\", \"$F\" and "
        "\"$Z\",\n"
        "and after \"$F\" streams a simulated set of 6-byte frames, then still frames every\n"
        "100 ms until \"$T\". Each \"$F\" starts the set again."));
    p.addHelpOption();
    const QList<QCommandLineOption> opzioni{
        {QStringLiteral("board-type"), QStringLiteral("Board type reported to \"$D\" (default 1)."),
         QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("reps"), QStringLiteral("Repetitions of the set (default 6)."),
         QStringLiteral("n"), QStringLiteral("6")},
        {QStringLiteral("range"), QStringLiteral("Range of motion, mm (default 500)."),
         QStringLiteral("mm"), QStringLiteral("500")},
        {QStringLiteral("velocity"),
         QStringLiteral("Mean concentric velocity of the first repetition, mm/s (default 500)."),
         QStringLiteral("mm/s"), QStringLiteral("500")},
        {QStringLiteral("eccentric"),
         QStringLiteral("Mean eccentric velocity, mm/s (default 400)."), QStringLiteral("mm/s"),
         QStringLiteral("400")},
        {QStringLiteral("initial-lift"),
         QStringLiteral("Unracking lift before the first descent, mm (default 300; 0 none)."),
         QStringLiteral("mm"), QStringLiteral("300")},
        {QStringLiteral("fatigue"),
         QStringLiteral("Share by which each repetition is slower (default 0.03)."),
         QStringLiteral("f"), QStringLiteral("0.03")},
        {QStringLiteral("noise"),
         QStringLiteral("Relative jitter of the step periods (default 0)."), QStringLiteral("f"),
         QStringLiteral("0")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the jitter (default 1)."),
         QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("rate"),
         QStringLiteral("Stream this many times faster than real time (default 1)."),
         QStringLiteral("f"), QStringLiteral("1")},
        {QStringLiteral("identity"), QStringLiteral("Answer to \"?\" (default ?YES)."),
         QStringLiteral("text"), QStringLiteral("?YES")},
        {QStringLiteral("silent"), QStringLiteral("Never answer nor stream: a board that is off.")},
        {QStringLiteral("reply-delay"), QStringLiteral("Send every reply this much later."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("split-replies"),
         QStringLiteral("Send replies one byte at a time, this far apart."), QStringLiteral("ms")},
        {QStringLiteral("extra-reply-bytes"),
         QStringLiteral("Append this many bytes (0xEE) to every reply."), QStringLiteral("n"),
         QStringLiteral("0")},
        {QStringLiteral("channels"),
         QStringLiteral("Enabled channel mask reported by \"$i\" (default 5)."),
         QStringLiteral("mask"), QStringLiteral("5")},
        {QStringLiteral("sampling-time"),
         QStringLiteral("Sampling time reported by \"$i\", hundredths of s (default 1)."),
         QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("drop-byte"),
         QStringLiteral("Leave out the stream byte at this offset (0 = first after \"$F\")."),
         QStringLiteral("offset")},
        {QStringLiteral("garbage"),
         QStringLiteral("Insert COUNT garbage bytes (default 3) before the stream byte at OFFSET."),
         QStringLiteral("offset[:count]")},
        {QStringLiteral("hangup-after"),
         QStringLiteral("Hang up and exit once this many stream bytes have gone out."),
         QStringLiteral("bytes")},
        {QStringLiteral("record"),
         QStringLiteral(
             "Write the stream bytes of the last set to FILE (kinetra-analyze reads it)."),
         QStringLiteral("file")},
        {QStringLiteral("register"),
         QStringLiteral(
             "Present the board as serial port n in the settings (\"Ports\"/\"Com<n>\")."),
         QStringLiteral("n")},
        {QStringLiteral("settings-file"),
         QStringLiteral("Register in this INI file instead of the per-user settings."),
         QStringLiteral("file")},
        {QStringLiteral("verbose"),
         QStringLiteral("Log the bytes and commands received on stderr.")},
    };
    p.addOptions(opzioni);
    p.process(app);

    int tipo = 1;
    double rate = 1;
    SetPlan set;
    OpzioniSchedaSeriale o;
    int registra = 0;
    try {
        if (!p.positionalArguments().isEmpty())
            throw Errore{QStringLiteral("unexpected argument: %1").arg(p.positionalArguments()[0])};
        tipo = static_cast<int>(intero(p, QStringLiteral("board-type"), 0, 255));
        const int ripetizioni = static_cast<int>(intero(p, QStringLiteral("reps"), 0, 1000));
        RepetitionPlan r;
        r.rangeMm = numero(p, QStringLiteral("range"), 1);
        r.meanConcentricMmS = numero(p, QStringLiteral("velocity"), 1);
        r.eccentricMmS = numero(p, QStringLiteral("eccentric"), 1);
        set.repetitions.assign(static_cast<size_t>(ripetizioni), r);
        set.initialLiftMm = numero(p, QStringLiteral("initial-lift"), 0);
        set.fatigue = numero(p, QStringLiteral("fatigue"), 0);
        if (set.fatigue >= 1)
            throw Errore{QStringLiteral("--fatigue must be below 1")};
        set.noise = numero(p, QStringLiteral("noise"), 0);
        set.seed = static_cast<std::uint32_t>(intero(p, QStringLiteral("seed"), 0, 0xFFFFFFFF));
        rate = numero(p, QStringLiteral("rate"), 0.001);
        o.identita = p.value(QStringLiteral("identity")).toLatin1();
        o.muta = p.isSet(QStringLiteral("silent"));
        o.ritardoMs = static_cast<int>(intero(p, QStringLiteral("reply-delay"), 0, 600000));
        if (p.isSet(QStringLiteral("split-replies")))
            o.pezziMs = static_cast<int>(intero(p, QStringLiteral("split-replies"), 0, 60000));
        o.byteExtra = static_cast<int>(intero(p, QStringLiteral("extra-reply-bytes"), 0, 4096));
        o.canali = static_cast<std::uint8_t>(intero(p, QStringLiteral("channels"), 0, 255));
        o.tempoCampionamento =
            static_cast<std::uint16_t>(intero(p, QStringLiteral("sampling-time"), 0, 65535));
        if (p.isSet(QStringLiteral("drop-byte")))
            o.scartaByte = intero(p, QStringLiteral("drop-byte"), 0, INT64_MAX);
        if (p.isSet(QStringLiteral("garbage"))) {
            const QStringList parti = p.value(QStringLiteral("garbage")).split(QLatin1Char(':'));
            bool ok1 = false, ok2 = true;
            o.spazzaturaA = parti[0].toLongLong(&ok1);
            o.spazzaturaN = parti.size() > 1 ? parti[1].toInt(&ok2) : 3;
            if (!ok1 || !ok2 || parti.size() > 2 || o.spazzaturaA < 0 || o.spazzaturaN < 1)
                throw Errore{QStringLiteral("--garbage: expected OFFSET[:COUNT], got '%1'")
                                 .arg(p.value(QStringLiteral("garbage")))};
        }
        if (p.isSet(QStringLiteral("hangup-after")))
            o.riagganciaDopo = intero(p, QStringLiteral("hangup-after"), 0, INT64_MAX);
        o.registrazione = p.value(QStringLiteral("record"));
        if (p.isSet(QStringLiteral("register")))
            registra = static_cast<int>(intero(p, QStringLiteral("register"), 1, 255));
    } catch (const Errore& e) {
        QTextStream(stderr) << "kinetra-board-sim: " << e.testo << "\n";
        return 2;
    }

    PseudoTerminale pty;
    QString errore;
    if (!pty.apri(&errore)) {
        QTextStream(stderr) << "kinetra-board-sim: cannot open a pseudo-terminal: " << errore
                            << "\n";
        return 1;
    }

    std::unique_ptr<Impostazioni> impostazioni;
    if (registra > 0) {
        impostazioni =
            p.isSet(QStringLiteral("settings-file"))
                ? std::make_unique<Impostazioni>(p.value(QStringLiteral("settings-file")))
                : std::make_unique<Impostazioni>();
        impostazioni->scrivi(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(registra),
                             pty.percorso());
    }

    SchedaSeriale scheda(BoardModel(set, tipo, Link::Serial), rate, o);
    QSocketNotifier lettura(pty.master(), QSocketNotifier::Read);
    QSocketNotifier scrittura(pty.master(), QSocketNotifier::Write);
    scrittura.setEnabled(false);
    const bool verboso = p.isSet(QStringLiteral("verbose"));
    QObject::connect(&lettura, &QSocketNotifier::activated, &scheda, [&] {
        const QByteArray byte = pty.leggi();
        if (verboso && !byte.isEmpty())
            QTextStream(stderr) << "kinetra-board-sim: received " << byte.toPercentEncoding("$?")
                                << "\n";
        scheda.ricevuti(byte);
    });
    QObject::connect(&scrittura, &QSocketNotifier::activated, &scheda, [&] {
        pty.scriviInAttesa();
        scrittura.setEnabled(pty.haInAttesa());
    });
    QObject::connect(&scheda, &SchedaSeriale::invia, &scheda, [&](const QByteArray& byte) {
        pty.scrivi(byte);
        scrittura.setEnabled(pty.haInAttesa());
    });
    QObject::connect(&scheda, &SchedaSeriale::riaggancia, &scheda, [&] {
        lettura.setEnabled(false);
        scrittura.setEnabled(false);
        pty.chiudi();
        QTextStream(stderr) << "kinetra-board-sim: hung up after " << scheda.byteFlusso()
                            << " stream bytes\n";
        QCoreApplication::exit(0);
    });
    if (verboso) {
        QObject::connect(&scheda, &SchedaSeriale::setInviato, &scheda,
                         [] { QTextStream(stderr) << "kinetra-board-sim: set sent\n"; });
        QObject::connect(&scheda, &SchedaSeriale::comando, &scheda, [](const QByteArray& c) {
            QTextStream(stderr) << "kinetra-board-sim: " << c << "\n";
        });
    }
    esciSuSegnale();

    std::fputs(qPrintable(pty.percorso() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);

    const QString percorso = pty.percorso();
    const int esito = QCoreApplication::exec();
    if (impostazioni) {
        const QString chiave = QStringLiteral("Com%1").arg(registra);
        if (impostazioni->leggi(QStringLiteral("Ports"), chiave, {}) == percorso)
            impostazioni->scrivi(QStringLiteral("Ports"), chiave, QString());
    }
    return esito;
}
