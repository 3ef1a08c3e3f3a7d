#include "Banco.h"

using namespace kinetra;
using kinetra::test::Banco;

TEST(Elabora_blocco, DerivesVelocityFromThePeriodWithTheLinkFormulaAndItsBounds) {
    enum Link { Seriale, Hid, Entrambi, Nessuno };
    const struct {
        const char* nome;
        Link link;
        float fattore;
        double per;
        double vel; // as drawn (double)
    } casi[] = {
        // 1.288 x 6 x 1000 is rounded to single at each product: 7727.99951171875.
        {"serial type 1, 10 ms", Seriale, 1.288f, 10, 772.799951171875},
        {"HID type 1, 10 ms", Hid, 1.288f, 10, 128.8},
        {"both links: HID wins", Entrambi, 1.288f, 10, 128.8},
        {"no link: no velocity", Nessuno, 1.288f, 10, 0},
        {"falling", Seriale, 1.0f, -20, -300},
        {"10 mm/s is standstill", Seriale, 1.0f, 600, 0},
        {"just above 12 mm/s is kept", Hid, 1.0f, 83, 1000.0 / 83},
        {"just below 12 mm/s is standstill", Hid, 1.0f, 84, 0},
        {"clamped at 5000", Seriale, 1.0f, 1, 5000},
        {"clamped at -5000", Seriale, 1.0f, -1, -5000},
        {"still sample", Seriale, 1.288f, 0, 0},
    };
    for (const auto& c : casi) {
        Banco b;
        b.stato.Fattore_spostamento = c.fattore;
        b.stato.Seriale_attiva = c.link == Seriale || c.link == Entrambi;
        b.stato.Hid_connesso = c.link == Hid || c.link == Entrambi;
        b.blocco({50}, {c.per});
        ASSERT_EQ(b.vista.disegnati.size(), 1u) << c.nome;
        EXPECT_DOUBLE_EQ(b.vista.disegnati[0].vel[0], c.vel) << c.nome;
        EXPECT_EQ(b.stato.Campioni[0].Velocita, static_cast<float>(c.vel)) << c.nome;
    }
}

TEST(Elabora_blocco, AddsEveryPeriodToTheTotalOnlyShortOnesToTheActiveTimeAndStoresSingles) {
    const struct {
        double per;
        float totale, attivo;
    } casi[] = {
        {250, 0.25f, 0}, {-100, 0.1f, 0.1f},        {0, 0, 0},
        {220, 0.22f, 0}, {219.5, 0.2195f, 0.2195f}, {-5000, 5.0f, 0},
    };
    for (const auto& c : casi) {
        Banco b;
        b.blocco({20.608, 0}, {c.per, c.per});
        EXPECT_FLOAT_EQ(b.motore.Tempo_totale(), 2 * c.totale) << c.per;
        EXPECT_FLOAT_EQ(b.motore.Tempo_attivo(), 2 * c.attivo) << c.per;
        ASSERT_EQ(b.stato.N_campioni, 2) << c.per;
        EXPECT_EQ(b.stato.Campioni[0].Posizione, 20.608f) << c.per;
        EXPECT_EQ(b.stato.Campioni[1].dt, static_cast<float>(c.per / 1000)) << c.per;
        EXPECT_FLOAT_EQ(b.stato.Campioni[1].Tempo, 2 * c.totale) << c.per; // the total time
    }
    Banco b; // not recording: processed, not stored
    b.stato.Memo_attivo = false;
    b.blocco({3, 4}, {10, 10});
    EXPECT_EQ(b.stato.N_campioni, 0);
    EXPECT_FLOAT_EQ(b.motore.Tempo_totale(), 0.02f);
}

TEST(Elabora_blocco, AccelerationUsesThePreviousSampleAlsoAcrossBlocks) {
    Banco b;
    b.stato.Fattore_spostamento = 8; // 8000 / period: 16 ms -> 500 mm/s, 10 ms -> 800 mm/s
    b.blocco({0, 1}, {16, 10});
    b.blocco({2}, {8});       // 1000 mm/s after the 800 of the previous block
    b.blocco({3, 4}, {0, 8}); // a still sample, then 1000 mm/s from standstill
    ASSERT_EQ(b.vista.disegnati.size(), 3u);
    EXPECT_DOUBLE_EQ(b.vista.disegnati[0].acc[0], 500.0 / 16);
    EXPECT_DOUBLE_EQ(b.vista.disegnati[0].acc[1], 30.0);
    EXPECT_DOUBLE_EQ(b.vista.disegnati[1].acc[0], 25.0);
    EXPECT_EQ(b.vista.disegnati[2].acc[0], 0.0); // no period to divide by
    EXPECT_DOUBLE_EQ(b.vista.disegnati[2].acc[1], 1000.0 / 8);
}

TEST(Elabora_blocco, StopsDrawingUnderBacklogAndResumesAfterABlockEndingNearlyEmpty) {
    const struct {
        int attesa;
        bool visibile, disegnato, tracciaDopo;
    } passi[] = {
        {0, true, true, true},     {399, true, true, true},   // below 400: drawn
        {400, true, false, false}, {420, true, false, false}, // backlog: processed, not drawn
        {49, true, false, true},   // ends nearly empty: not drawn, drawing allowed again
        {300, true, true, true},   // drawn; 300 does not stop it
        {50, false, false, false}, // hidden: stops; 50 is not below 50
        {10, true, false, true},   // shown again: waits for this block to end nearly empty
        {10, true, true, true},    {0, false, false, true}, // hidden with no backlog
        {0, true, true, true},
    };
    Banco b(true, 2);
    std::size_t disegnati = 0;
    int i = 0;
    for (const auto& p : passi) {
        b.vista.attesa = p.attesa;
        b.vista.visibile = p.visibile;
        b.blocco({1.0 * i, 2.0 * i}, {20, 20});
        disegnati += p.disegnato ? 1 : 0;
        EXPECT_EQ(b.vista.disegnati.size(), disegnati) << "block " << i;
        EXPECT_EQ(b.stato.Traccia_attiva, p.tracciaDopo) << "block " << i;
        ++i;
    }
    EXPECT_EQ(b.stato.N_campioni, 2 * i); // every block was processed and stored
    const auto& ultimo = b.vista.disegnati.back();
    EXPECT_EQ(ultimo.pos, (std::vector<double>{10, 20}));
    EXPECT_EQ(ultimo.per, (std::vector<double>{20, 20}));
    EXPECT_EQ(ultimo.vel, (std::vector<double>{300, 300}));
}
