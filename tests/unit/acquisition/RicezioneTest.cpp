#include "Banco.h"

using namespace kinetra;
using kinetra::test::Banco;
using kinetra::test::PortaFinta;

namespace {

QByteArray frame(std::int16_t conteggio, std::int32_t tick) {
    QByteArray b;
    sim::appendSerialFrame(b, {conteggio, tick});
    return b;
}

} // namespace

TEST(DecodificaFrame, ConvertsSignedCountsAndTicksWithTheBoardScale) {
    const struct {
        const char* hex;
        int tipo;
        double mm, ms;
    } casi[] = {
        // 16 counts x 1.288 is a single-precision product: 20.608f, not the double 20.608.
        {"100050c30000", 1, double(20.608f), 10.0},
        {"fffffeffffff", 1, double(-1.288f), -0.0004}, // -1 count, -2 ticks (falling)
        {"ff7f00000080", 1, double(32767 * 1.288f), -2147483648.0 * 0.0002},
        {"008001000000", 2, -32768.0, 0.0002},
        // Type 3 and unknown types: 8.33333E-05 ms per tick, not 1/12000.
        {"6400e02e0000", 3, 100.0, 12000 * 8.33333E-05},
        {"6400e02e0000", 7, 100.0, 12000 * 8.33333E-05},
    };
    for (const auto& c : casi) {
        const ScalaScheda s = scalaScheda(c.tipo);
        const QByteArray b = QByteArray::fromHex(c.hex);
        const CampioneDecodificato d =
            decodificaFrameSeriale(reinterpret_cast<const std::uint8_t*>(b.constData()),
                                   s.Fattore_spostamento, s.Base_tempi);
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
        PortaFinta porta;
        porta.lunghezza = c.lunghezza;
        porta.massimo = c.massimo;
        porta.evento = c.evento;
        for (int i = 0; i < 7; ++i)
            porta.attesa += frame(static_cast<std::int16_t>(i), 50000);
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
        std::memcpy(report.data() + 8 * i + 2,
                    frame(static_cast<std::int16_t>(100 * i - 300), (i - 4) * 25000).constData(),
                    6);
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
    banco.motore.OnRead([](std::uint8_t*) { return false; }); // a failed read ends the call
    EXPECT_EQ(banco.stato.N_campioni, 8);
}
