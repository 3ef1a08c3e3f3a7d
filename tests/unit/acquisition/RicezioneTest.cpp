#include "Banco.h"

#include <cstring>

using namespace kinetra;
using test::Banco;

static QByteArray frame(int conteggio, std::int32_t tick) {
    QByteArray b;
    sim::appendSerialFrame(b, {static_cast<std::int16_t>(conteggio), tick});
    return b;
}

TEST(DecodificaFrame, ConvertsSignedCountsAndTicksWithTheBoardScale) {
    const struct {
        const char* hex;
        int tipo;
        double mm, ms;
    } casi[] = {
        {"100050c30000", 1, double(20.608f), 10.0},    // 16 x 1.288 in single precision
        {"fffffeffffff", 1, double(-1.288f), -0.0004}, // -1 count, -2 ticks (falling)
        {"ff7f00000080", 1, double(32767 * 1.288f), -2147483648.0 * 0.0002},
        {"008001000000", 2, -32768.0, 0.0002},
        {"6400e02e0000", 3, 100.0, 12000 * 8.33333E-05}, // not 1/12000 ms a tick
        {"6400e02e0000", 7, 100.0, 12000 * 8.33333E-05},
    };
    for (const auto& c : casi) {
        const ScalaScheda s = scalaScheda(c.tipo);
        const QByteArray b = QByteArray::fromHex(c.hex);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(b.constData());
        const auto d = decodificaFrameSeriale(bytes, s.Fattore_spostamento, s.Base_tempi);
        EXPECT_EQ(d.pos, c.mm) << c.hex << " type " << c.tipo;
        EXPECT_NEAR(d.per, c.ms, 1e-9) << c.hex << " type " << c.tipo;
    }
}

TEST(TestoSpostamento, ShowsCentimetresWholeOnSerialAndWithOneDecimalOnHid) {
    const QLocale it(QLocale::Italian, QLocale::Italy), en(QLocale::English);
    EXPECT_EQ(testoSpostamento(20.608, DecimaliSpostamentoSeriale, en), "Spost(cm)=  2");
    EXPECT_EQ(testoSpostamento(20.608, DecimaliSpostamentoHid, en), "Spost(cm)=  2.1");
    EXPECT_EQ(testoSpostamento(-1.288, DecimaliSpostamentoHid, it), "Spost(cm)=  -0,1");
    EXPECT_EQ(testoSpostamento(-25, DecimaliSpostamentoSeriale, en), "Spost(cm)=  -3");
}

TEST(RicevitoreSeriale, ReadsWholeFrameBatchesOnlyWhileMoreThanOneBatchWaits) {
    constexpr int M = 1 << 30; // no limit on a read
    const struct {
        const char* nome;
        int inAttesa, letture, campioni, lunghezza, massimo, evento;
        bool ricezione, acquisizione;
    } casi[] = {
        {"12 wait: the last batch waits for the next event", 12, 0, 0, 12, M, 2, true, true},
        {"13 wait", 13, 1, 2, 12, M, 2, true, true},
        {"24 wait", 24, 1, 2, 12, M, 2, true, true},
        {"25 wait", 25, 2, 4, 12, M, 2, true, true},
        {"InputLen 18 is three frames a batch", 42, 2, 6, 18, M, 2, true, true},
        {"InputLen 0 would read everything as one block", 42, 0, 0, 0, M, 2, true, true},
        {"InputLen 9 would split a frame", 42, 0, 0, 9, M, 2, true, true},
        {"a short read of 8 bytes: one frame, then stop", 42, 1, 1, 12, 8, 2, true, true},
        {"a short read of 4 bytes: no frame", 42, 1, 0, 12, 4, 2, true, true},
        {"another event", 42, 0, 0, 12, M, 3, true, true},
        {"a command reply awaited", 42, 0, 0, 12, M, 2, false, true},
        {"no acquisition", 42, 0, 0, 12, M, 2, true, false},
    };
    for (const auto& c : casi) {
        Banco banco(true);
        banco.stato.Ricezione_attiva = c.ricezione;
        banco.stato.Acquisizione_attiva = c.acquisizione;
        test::PortaFinta porta;
        porta.lunghezza = c.lunghezza;
        porta.massimo = c.massimo;
        porta.evento = c.evento;
        for (int i = 0; i < 7; ++i)
            porta.attesa += frame(i, 50000);
        porta.attesa.truncate(c.inAttesa);
        banco.motore.OnComm(porta);
        EXPECT_EQ(porta.letture, c.letture) << c.nome;
        ASSERT_EQ(banco.stato.N_campioni, c.campioni) << c.nome;
        if (c.campioni > 0) { // frame i is at i counts: the last one read is shown, whole
            EXPECT_EQ(banco.stato.Campioni.back().Posizione, (c.campioni - 1) * 1.288f) << c.nome;
            EXPECT_EQ(banco.vista.spostamento, double((c.campioni - 1) * 1.288f)) << c.nome;
            EXPECT_EQ(banco.vista.decimali, DecimaliSpostamentoSeriale) << c.nome;
        }
    }
}

TEST(RicevitoreHid, DecodesEachReportWhateverTheBytesBetweenSamplesOnlyDuringAnAcquisition) {
    Banco banco;
    QByteArray report(ByteReportHid, static_cast<char>(0xA5)); // bytes that must not matter
    for (int i = 0; i < 8; ++i)
        std::memcpy(report.data() + 8 * i + 2, frame(100 * i - 300, (i - 4) * 25000).data(), 6);
    int letture = 0;
    auto leggi = [&](std::uint8_t* buffer) {
        ++letture;
        std::memcpy(buffer, report.constData(), ByteReportHid);
        return true;
    };
    banco.motore.OnRead(leggi);
    ASSERT_EQ(banco.stato.N_campioni, 8);
    for (int i = 0; i < 8; ++i) {
        const Campione& c = banco.stato.Campioni[static_cast<std::size_t>(i)];
        EXPECT_EQ(c.Posizione, static_cast<float>(100 * i - 300) * 1.288f) << i;
        EXPECT_FLOAT_EQ(c.dt, (i - 4) * 0.005f) << i;
    }
    EXPECT_EQ(banco.vista.spostamento, double(400 * 1.288f));
    EXPECT_EQ(banco.vista.decimali, DecimaliSpostamentoHid);

    // Outside an acquisition the report is read and dropped; the readout stays.
    banco.stato.Acquisizione_attiva = false;
    banco.vista.spostamento = -1;
    banco.motore.OnRead(leggi);
    EXPECT_EQ(letture, 2);
    EXPECT_EQ(banco.stato.N_campioni, 8);
    EXPECT_EQ(banco.vista.spostamento, -1);

    banco.stato.Acquisizione_attiva = true;
    banco.stato.Memo_attivo = false; // not recording: processed and drawn, not stored
    banco.motore.OnRead(leggi);
    EXPECT_EQ(banco.vista.disegnati.size(), 2u);
    EXPECT_EQ(banco.stato.N_campioni, 8);
    banco.vista.spostamento = -1;
    banco.motore.OnRead([](std::uint8_t*) { return false; }); // a failed read ends the call
    EXPECT_EQ(banco.vista.spostamento, -1);
}

TEST(Elabora_blocco, DerivesVelocityAndTimeSumsFromThePeriodWithTheLinkFormulaAndItsBounds) {
    enum Link { Seriale, Hid, Entrambi, Nessuno };
    const struct {
        const char* nome;
        Link link;
        float fattore;
        double per, vel;      // vel as drawn (double)
        float totale, attivo; // what one sample adds (s)
    } casi[] = {
        // 1.288 x 6 x 1000 is rounded to single at each product: 7727.99951171875.
        {"serial type 1, 10 ms", Seriale, 1.288f, 10, 772.799951171875, 0.01f, 0.01f},
        {"HID type 1, 10 ms", Hid, 1.288f, 10, 128.8, 0.01f, 0.01f},
        {"both links: HID wins", Entrambi, 1.288f, 10, 128.8, 0.01f, 0.01f},
        {"no link: no velocity", Nessuno, 1.288f, 10, 0, 0.01f, 0.01f},
        {"falling", Seriale, 1.0f, -20, -300, 0.02f, 0.02f},
        {"10 mm/s is standstill", Seriale, 1.0f, 600, 0, 0.6f, 0},
        {"just above 12 mm/s is kept", Hid, 1.0f, 83, 1000.0 / 83, 0.083f, 0.083f},
        {"just below 12 mm/s is standstill", Hid, 1.0f, 84, 0, 0.084f, 0.084f},
        {"clamped at 5000", Seriale, 1.0f, 1, 5000, 0.001f, 0.001f},
        {"clamped at -5000", Seriale, 1.0f, -1, -5000, 0.001f, 0.001f},
        {"still sample", Seriale, 1.288f, 0, 0, 0, 0},
        {"0.22 s is left out of the active time", Hid, 1.0f, 220, 0, 0.22f, 0},
        {"0.2195 s is active", Hid, 1.0f, 219.5, 0, 0.2195f, 0.2195f},
        {"a long fall", Seriale, 1.0f, -5000, 0, 5.0f, 0},
    };
    for (const auto& c : casi) {
        Banco b;
        b.stato.Fattore_spostamento = c.fattore;
        b.stato.Seriale_attiva = c.link == Seriale || c.link == Entrambi;
        b.stato.Hid_connesso = c.link == Hid || c.link == Entrambi;
        b.blocco({20.608, 50}, {c.per, c.per});
        ASSERT_EQ(b.vista.disegnati.size(), 1u) << c.nome;
        EXPECT_DOUBLE_EQ(b.vista.disegnati[0].vel[1], c.vel) << c.nome;
        EXPECT_FLOAT_EQ(b.motore.Tempo_totale(), 2 * c.totale) << c.nome;
        EXPECT_FLOAT_EQ(b.motore.Tempo_attivo(), 2 * c.attivo) << c.nome;
        ASSERT_EQ(b.stato.N_campioni, 2) << c.nome;
        const Campione& s = b.stato.Campioni[1];
        EXPECT_EQ(b.stato.Campioni[0].Posizione, 20.608f) << c.nome;
        EXPECT_EQ(s.Velocita, static_cast<float>(c.vel)) << c.nome;
        EXPECT_EQ(s.dt, static_cast<float>(c.per / 1000)) << c.nome;
        EXPECT_FLOAT_EQ(s.Tempo, 2 * c.totale) << c.nome; // the total time
    }
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
    EXPECT_EQ(b.vista.disegnati.back().pos, (std::vector<double>{10, 20})); // the whole block
}
