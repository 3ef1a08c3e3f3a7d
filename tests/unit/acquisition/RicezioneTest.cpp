#include "VistaRegistrata.h"
#include "acquisition/Decodifica.h"
#include "acquisition/MotoreAcquisizione.h"
#include "acquisition/SorgenteSeriale.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kinetra;
using kinetra::test::VistaRegistrata;

namespace {

const QLocale italiano(QLocale::Italian, QLocale::Italy);
const QLocale inglese(QLocale::English, QLocale::UnitedStates);

QByteArray byte(std::initializer_list<int> valori) {
    QByteArray b;
    for (int v : valori)
        b.append(static_cast<char>(v));
    return b;
}

const std::uint8_t* grezzi(const QByteArray& b) {
    return reinterpret_cast<const std::uint8_t*>(b.constData());
}

// A port whose waiting bytes and settings the test controls; counts the reads.
class PortaFinta : public SorgenteSeriale {
public:
    QByteArray attesa;
    int evento = 2;
    int lunghezza = 12;
    int letture = 0;
    int massimoPerLettura = 1 << 30; // a port that hands back fewer bytes than asked

    int CommEvent() const override { return evento; }
    int InBufferCount() const override { return static_cast<int>(attesa.size()); }
    int InputLen() const override { return lunghezza; }
    QByteArray Input() override {
        ++letture;
        const qsizetype n =
            std::min<qsizetype>({lunghezza > 0 ? lunghezza : attesa.size(), attesa.size(),
                                 static_cast<qsizetype>(massimoPerLettura)});
        QByteArray b = attesa.left(n);
        attesa.remove(0, n);
        return b;
    }
};

// A frame of the given count and ticks, encoded by hand.
QByteArray frame(std::int16_t conteggio, std::int32_t tick) {
    QByteArray b(6, '\0');
    const auto c = static_cast<std::uint16_t>(conteggio);
    const auto t = static_cast<std::uint32_t>(tick);
    b[0] = static_cast<char>(c & 0xFF);
    b[1] = static_cast<char>(c >> 8);
    for (int i = 0; i < 4; ++i)
        b[2 + i] = static_cast<char>((t >> (8 * i)) & 0xFF);
    return b;
}

struct Banco {
    Stato stato;
    VistaRegistrata vista;
    MotoreAcquisizione motore{stato, vista};

    explicit Banco(int tipo = 1, bool seriale = true) {
        const ScalaScheda s = scalaScheda(tipo);
        stato.Fattore_spostamento = s.Fattore_spostamento;
        stato.Base_tempi = s.Base_tempi;
        stato.Seriale_attiva = seriale;
        stato.Hid_connesso = !seriale;
        stato.Ricezione_attiva = true;
        stato.Acquisizione_attiva = true;
        stato.Memo_attivo = true;
        motore.Azzera_tempi();
    }
};

} // namespace

TEST(DecodificaFrame, ConvertsCountsAndTicksWithTheBoardScale) {
    struct Caso {
        QByteArray frame;
        int tipo;
        double mm;
        double ms;
    };
    const Caso casi[] = {
        // 16 counts x 1.288 is a single-precision product: 20.608f, not the double 20.608.
        {byte({0x10, 0x00, 0x50, 0xC3, 0x00, 0x00}), 1, double(20.608f), 10.0},
        // Signed fields: FF FF is -1 count, FE FF FF FF is -2 ticks (falling).
        {byte({0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}), 1, double(-1.288f), -0.0004},
        {byte({0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80}), 2, 32767.0, -2147483648.0 * 0.0002},
        {byte({0x00, 0x80, 0x01, 0x00, 0x00, 0x00}), 2, -32768.0, 0.0002},
        // Type 3 and unknown types: 1 mm per count, 8.33333E-05 ms per tick (not 1/12000).
        {byte({0x64, 0x00, 0xE0, 0x2E, 0x00, 0x00}), 3, 100.0, 12000 * 8.33333E-05},
        {byte({0x64, 0x00, 0xE0, 0x2E, 0x00, 0x00}), 0, 100.0, 12000 * 8.33333E-05},
        {byte({0x64, 0x00, 0xE0, 0x2E, 0x00, 0x00}), 7, 100.0, 12000 * 8.33333E-05},
    };
    for (const Caso& c : casi) {
        const ScalaScheda s = scalaScheda(c.tipo);
        const CampioneDecodificato d =
            decodificaFrameSeriale(grezzi(c.frame), s.Fattore_spostamento, s.Base_tempi);
        EXPECT_EQ(d.pos, c.mm) << c.frame.toHex().constData();
        EXPECT_NEAR(d.per, c.ms, 1e-9) << c.frame.toHex().constData();
    }
    EXPECT_NE(decodificaFrameSeriale(grezzi(casi[0].frame), 1.288f, 0.0002).pos, 20.608);
    EXPECT_NE(12000 * 8.33333E-05, 1.0); // the type 3 tick is not exactly 1/12000 ms
}

TEST(DecodificaHid, ReadsEightSamplesAndIgnoresTheBytesBetweenThem) {
    QByteArray pulito(ByteReportHid, '\0');
    for (int i = 0; i < 8; ++i) {
        const QByteArray f = frame(static_cast<std::int16_t>(100 * i - 300), (i - 4) * 25000);
        std::memcpy(pulito.data() + 8 * i + 2, f.constData(), 6);
    }
    QByteArray sporco = pulito;
    for (int i = 0; i < 8; ++i) {
        sporco[8 * i] = static_cast<char>(0xA5 + i);
        sporco[8 * i + 1] = static_cast<char>(0x5A - i);
    }
    sporco[64] = static_cast<char>(0xEE);

    for (int i = 0; i < 8; ++i) {
        const CampioneDecodificato a = decodificaCampioneHid(grezzi(pulito), i, 1.288f, 0.0002);
        const CampioneDecodificato b = decodificaCampioneHid(grezzi(sporco), i, 1.288f, 0.0002);
        EXPECT_EQ(a.pos, double(static_cast<float>(100 * i - 300) * 1.288f)) << i;
        EXPECT_NEAR(a.per, (i - 4) * 25000 * 0.0002, 1e-9) << i;
        EXPECT_EQ(a.pos, b.pos) << i;
        EXPECT_EQ(a.per, b.per) << i;
    }
}

TEST(TestoSpostamento, ShowsCentimetresWholeOnSerialAndWithOneDecimalOnHid) {
    struct Caso {
        double mm;
        int decimali;
        const QLocale& locale;
        const char* atteso;
    };
    const Caso casi[] = {
        {double(20.608f), DecimaliSpostamentoSeriale, inglese, "Spost(cm)=  2"},
        {double(20.608f), DecimaliSpostamentoHid, inglese, "Spost(cm)=  2.1"},
        {double(20.608f), DecimaliSpostamentoHid, italiano, "Spost(cm)=  2,1"},
        {-1.288, DecimaliSpostamentoHid, italiano, "Spost(cm)=  -0,1"},
        {25.0, DecimaliSpostamentoSeriale, inglese, "Spost(cm)=  3"}, // halves away from zero
        {-25.0, DecimaliSpostamentoSeriale, inglese, "Spost(cm)=  -3"},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(testoSpostamento(c.mm, c.decimali, c.locale), QString::fromLatin1(c.atteso));
}

TEST(RicevitoreSeriale, ReadsOnlyWhileMoreThanOneBatchWaits) {
    struct Caso {
        int inAttesa;
        int lettureAttese;
        int restoAtteso;
    };
    // 12 waiting with InputLen 12: nothing is read; the last batch waits for the next event.
    const Caso casi[] = {{0, 0, 0},  {6, 0, 6},   {12, 0, 12}, {13, 1, 1},
                         {18, 1, 6}, {24, 1, 12}, {25, 2, 1},  {60, 4, 12}};
    for (const Caso& c : casi) {
        Banco banco;
        PortaFinta porta;
        for (int i = 0; i * 6 < c.inAttesa; ++i)
            porta.attesa += frame(static_cast<std::int16_t>(i), 50000);
        porta.attesa.truncate(c.inAttesa);
        banco.motore.OnComm(porta);
        EXPECT_EQ(porta.letture, c.lettureAttese) << c.inAttesa;
        EXPECT_EQ(porta.attesa.size(), c.restoAtteso) << c.inAttesa;
        EXPECT_EQ(banco.stato.N_campioni, 2 * c.lettureAttese) << c.inAttesa;
    }
}

TEST(RicevitoreSeriale, LeavesTheBytesAloneOutsideAnAcquisitionOrForOtherEvents) {
    struct Caso {
        const char* nome;
        bool ricezione, acquisizione;
        int evento;
    };
    const Caso casi[] = {
        {"reply awaited", false, true, 2},
        {"no acquisition", true, false, 2},
        {"other event", true, true, 3},
    };
    for (const Caso& c : casi) {
        Banco banco;
        banco.stato.Ricezione_attiva = c.ricezione;
        banco.stato.Acquisizione_attiva = c.acquisizione;
        PortaFinta porta;
        porta.evento = c.evento;
        porta.attesa = frame(1, 1) + frame(2, 2) + frame(3, 3) + frame(4, 4);
        banco.motore.OnComm(porta);
        EXPECT_EQ(porta.letture, 0) << c.nome;
        EXPECT_EQ(porta.attesa.size(), 24) << c.nome;
        EXPECT_EQ(banco.stato.N_campioni, 0) << c.nome;
    }
}

TEST(RicevitoreSeriale, DecodesTwoFramesPerBatchAndShowsTheLastPosition) {
    Banco banco;
    PortaFinta porta;
    porta.attesa = frame(16, 50000) + frame(-1, -2) + frame(99, 0);
    banco.motore.OnComm(porta);
    ASSERT_EQ(banco.stato.N_campioni, 2);
    EXPECT_EQ(banco.stato.Campioni[0].Posizione, 20.608f);
    EXPECT_FLOAT_EQ(banco.stato.Campioni[0].dt, 0.01f);
    EXPECT_EQ(banco.stato.Campioni[1].Posizione, -1.288f);
    EXPECT_FLOAT_EQ(banco.stato.Campioni[1].dt, -0.0000004f);
    EXPECT_EQ(banco.vista.spostamento, double(-1.288f));
    EXPECT_EQ(banco.vista.decimaliSpostamento, DecimaliSpostamentoSeriale);
    EXPECT_EQ(porta.attesa, frame(99, 0));
}

TEST(RicevitoreSeriale, RefusesBatchesThatAreNotWholeFramesAndStopsOnAShortRead) {
    struct Caso {
        const char* nome;
        int lunghezza;
        int massimoPerLettura;
        int campioniAttesi;
        int lettureAttese;
    };
    const Caso casi[] = {
        {"InputLen 0 would read everything as one block", 0, 1 << 30, 0, 0},
        {"InputLen 9 would split a frame", 9, 1 << 30, 0, 0},
        {"InputLen 18 is three frames a batch", 18, 1 << 30, 6, 2},
        {"a read of 8 bytes holds one whole frame", 12, 8, 1, 1},
        {"a read of 4 bytes holds no frame", 12, 4, 0, 1},
    };
    for (const Caso& c : casi) {
        Banco banco;
        PortaFinta porta;
        porta.lunghezza = c.lunghezza;
        porta.massimoPerLettura = c.massimoPerLettura;
        for (int i = 0; i < 7; ++i)
            porta.attesa += frame(static_cast<std::int16_t>(i), 50000);
        banco.motore.OnComm(porta);
        EXPECT_EQ(banco.stato.N_campioni, c.campioniAttesi) << c.nome;
        EXPECT_EQ(porta.letture, c.lettureAttese) << c.nome;
    }
}

TEST(RicevitoreHid, ProcessesEveryReportAsABlockOfEight) {
    Banco banco(1, false);
    QByteArray report(ByteReportHid, '\0');
    for (int i = 0; i < 8; ++i)
        std::memcpy(report.data() + 8 * i + 2, frame(16, 50000).constData(), 6);
    int letture = 0;
    auto leggi = [&](std::uint8_t* buffer) {
        ++letture;
        std::memcpy(buffer, report.constData(), ByteReportHid);
        return true;
    };
    banco.motore.OnRead(leggi);
    EXPECT_EQ(banco.stato.N_campioni, 8);
    EXPECT_EQ(banco.vista.spostamento, double(20.608f));
    EXPECT_EQ(banco.vista.decimaliSpostamento, DecimaliSpostamentoHid);
    EXPECT_EQ(banco.stato.Buffer_hid[2], 0x10);

    // Outside an acquisition the report is read and dropped; the readout stays.
    banco.stato.Acquisizione_attiva = false;
    banco.vista.spostamento = -1;
    banco.motore.OnRead(leggi);
    EXPECT_EQ(letture, 2);
    EXPECT_EQ(banco.stato.N_campioni, 8);
    EXPECT_EQ(banco.vista.spostamento, -1);

    // A failed read ends the call, whatever the flags.
    banco.stato.Acquisizione_attiva = true;
    banco.motore.OnRead([](std::uint8_t*) { return false; });
    EXPECT_EQ(banco.stato.N_campioni, 8);
}
