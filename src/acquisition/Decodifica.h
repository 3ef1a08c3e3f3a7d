#pragma once

// The board's two wire layouts and the conversion of counts and ticks into millimetres and
// milliseconds. Serial: 6-byte frames back to back (int16 position, int32 signed period, little
// endian). HID: 65-byte reports, report number first, sample i at bytes 8i+2 .. 8i+7.

#include <QLocale>
#include <QString>

#include <cstdint>

namespace kinetra {

inline constexpr int ByteFrameSeriale = 6;
inline constexpr int ByteReportHid = 65;
// 65 \ 8 - 1: the index of the last of the 8 samples of a report.
inline constexpr int UltimoCampioneHid = ByteReportHid / 8 - 1;

// The scale a board type selects: mm per position count (single) and ms per time tick.
struct ScalaScheda {
    float Fattore_spostamento;
    double Base_tempi;
};
// Types 1, 2 and 3; every other type falls back to the type 3 scale.
ScalaScheda scalaScheda(int tipo);
bool tipoSchedaNoto(int tipo);

// One decoded sample: position in mm, signed period in ms (0 = still).
struct CampioneDecodificato {
    double pos;
    double per;
};

inline std::int16_t letturaInt16(const std::uint8_t* b) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
}
inline std::int32_t letturaInt32(const std::uint8_t* b) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

// Count and ticks to mm and ms. The position is a single-precision product kept as a double.
inline CampioneDecodificato converti(std::int16_t conteggio, std::int32_t tick, float fattore,
                                     double baseTempi) {
    const float mm = static_cast<float>(conteggio) * fattore;
    return {static_cast<double>(mm), static_cast<double>(tick) * baseTempi};
}

// The serial frame starting at `frame` (6 bytes).
inline CampioneDecodificato decodificaFrameSeriale(const std::uint8_t* frame, float fattore,
                                                   double baseTempi) {
    return converti(letturaInt16(frame), letturaInt32(frame + 2), fattore, baseTempi);
}

// Sample i (0 to 7) of a 65-byte report; bytes 8i and 8i+1 and byte 64 are not read.
inline CampioneDecodificato decodificaCampioneHid(const std::uint8_t* report, int i, float fattore,
                                                  double baseTempi) {
    const std::uint8_t* s = report + 8 * i;
    return converti(letturaInt16(s + 2), letturaInt32(s + 4), fattore, baseTempi);
}

// The header panel's live position: "Spost(cm)=  " and the position in cm with `decimali`
// decimals (0 on the serial path, 1 on the HID path), in the locale's notation.
QString testoSpostamento(double mm, int decimali, const QLocale& locale = QLocale());
inline constexpr int DecimaliSpostamentoSeriale = 0;
inline constexpr int DecimaliSpostamentoHid = 1;

} // namespace kinetra
