// Throughput of the acquisition path and of the exports, on a long simulated set.

#include "acquisition/Analisi.h"
#include "acquisition/RigaTabella.h"
#include "athlete/EsportazioneCsv.h"
#include "sim/BoardModel.h"

#include <benchmark/benchmark.h>

#include <QDateTime>

namespace {

using namespace kinetra;

// A long set: 200 repetitions of 500 mm, with fatigue and jitter.
const sim::BoardModel& modello(sim::Link link) {
    static const auto costruisci = [](sim::Link l) {
        sim::SetPlan s;
        s.noise = 0.1;
        s.fatigue = 0.002;
        s.initialLiftMm = 400;
        s.initialLiftMmS = 300;
        s.repetitions.resize(200);
        return sim::BoardModel(s, 1, l);
    };
    static const sim::BoardModel seriale = costruisci(sim::Link::Serial);
    static const sim::BoardModel hid = costruisci(sim::Link::Hid);
    return link == sim::Link::Serial ? seriale : hid;
}

QByteArray flusso(sim::Link link) {
    if (link == sim::Link::Serial)
        return modello(link).serialBytes();
    QByteArray tutto;
    for (const QByteArray& r : modello(link).hidReports())
        tutto += r;
    return tutto;
}

// From the recorded bytes to the table rows, as kinetra-analyze runs it. Argument: recording
// of the raw samples off (0) or on (1).
void analisi(benchmark::State& state, sim::Link link) {
    const QByteArray dati = flusso(link);
    const Collegamento c = link == sim::Link::Serial ? Collegamento::Seriale : Collegamento::Hid;
    const auto campioni = static_cast<std::int64_t>(modello(link).samples().size());
    qsizetype righe = 0;
    for (auto _ : state) {
        Stato stato;
        stato.Dati_esercizio.Ampiezza_minima = 100;
        stato.Memo_attivo = state.range(0) != 0;
        VistaTabella vista(stato, QLocale::c());
        MotoreAcquisizione motore(stato, vista);
        avviaAcquisizione(stato, motore, c, 1);
        riproduciRegistrazione(motore, dati, c);
        righe = vista.colonne()[0].size();
        benchmark::DoNotOptimize(stato.Rip_corrente);
    }
    state.SetItemsProcessed(state.iterations() * campioni);
    state.counters["rows"] = static_cast<double>(righe);
}

void BM_SerialBytesToRepetitions(benchmark::State& state) {
    analisi(state, sim::Link::Serial);
}
void BM_HidReportsToRepetitions(benchmark::State& state) {
    analisi(state, sim::Link::Hid);
}
BENCHMARK(BM_SerialBytesToRepetitions)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HidReportsToRepetitions)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The state after analysing the HID set with recording on: about a quarter of a million
// samples and 200 rows.
const Stato& statoRegistrato() {
    static const auto stato = [] {
        auto s = std::make_unique<Stato>();
        s->Dati_esercizio.Ampiezza_minima = 100;
        s->Memo_attivo = true;
        VistaTabella vista(*s, QLocale::c());
        MotoreAcquisizione motore(*s, vista);
        avviaAcquisizione(*s, motore, Collegamento::Hid, 1);
        riproduciRegistrazione(motore, flusso(sim::Link::Hid), Collegamento::Hid);
        return s;
    }();
    return *stato;
}

void BM_RawSampleExport(benchmark::State& state) {
    const Stato& stato = statoRegistrato();
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    for (auto _ : state) {
        const QByteArray file = contenutoFileCampioni(stato, italiano);
        benchmark::DoNotOptimize(file.constData());
    }
    state.SetItemsProcessed(state.iterations() * stato.N_campioni);
}
BENCHMARK(BM_RawSampleExport)->Unit(benchmark::kMillisecond);

void BM_RepetitionsExport(benchmark::State& state) {
    const Stato& stato = statoRegistrato();
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    const int righe = stato.Rip_corrente - 1;
    const ColonneTabella colonne = colonneTabella(stato, righe, italiano);
    const QDateTime adesso = QDateTime::currentDateTime();
    for (auto _ : state) {
        const QByteArray file = contenutoFileDati(colonne, stato, italiano, adesso);
        benchmark::DoNotOptimize(file.constData());
    }
    state.SetItemsProcessed(state.iterations() * righe);
}
BENCHMARK(BM_RepetitionsExport);

} // namespace

BENCHMARK_MAIN();
