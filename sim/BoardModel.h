#pragma once

// A model of the measuring board on a lifting barbell: from a described set it produces exactly
// the samples and bytes the board sends, and keeps the ground truth of every repetition.

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace kinetra::sim {

enum class Link { Serial, Hid };

struct RepetitionPlan {
    double rangeMm = 500;           // distance between the bottom and the top of the movement
    double meanConcentricMmS = 500; // displacement over the whole rise time
    double eccentricMmS = 400;      // mean descent velocity (positive number)
    double pauseTopS = 0.5;         // standing still at the top before the descent
    double pauseBottomS = 0.3;      // standing still at the bottom before the rise
};

struct SetPlan {
    double startPositionMm = 200; // where the load rests before the set
    double initialLiftMm = 300;   // the unracking lift before the first descent (0: none)
    double initialLiftMmS = 400;  // its mean velocity
    double restBeforeS = 1.0;     // standing still before the initial lift
    double restAfterS = 1.0;      // standing still after the last repetition
    std::vector<RepetitionPlan> repetitions;
    double fatigue = 0;     // each repetition's concentric velocity is slower by this share
    double noise = 0;       // relative jitter of the step periods (0: none)
    std::uint32_t seed = 1; // same seed, same bytes
};

// One board sample, as the board counts.
struct BoardSample {
    std::int16_t count = 0; // position in board counts
    std::int32_t ticks = 0; // signed period of the step in board time ticks; 0 = still
};

// What really happened in one repetition (times in s from the start of the stream).
struct RepetitionTruth {
    double eccentricStartS = 0; // the load leaves the top
    double concentricStartS = 0;
    double concentricEndS = 0;
    double displacementMm = 0;    // rise, top minus bottom
    double meanConcentricMmS = 0; // displacement over the whole rise time
    double peakConcentricMmS = 0;
};

class BoardModel {
public:
    BoardModel(const SetPlan& plan, int boardType, Link link);

    // Every sample the board sends, in order, and the stream time at which each is sent (s).
    const std::vector<BoardSample>& samples() const { return m_samples; }
    const std::vector<double>& sendTimes() const { return m_times; }
    const std::vector<RepetitionTruth>& truth() const { return m_truth; }
    // End of the set, after the rest that follows the last repetition (s).
    double durationS() const { return m_durationS; }
    int boardType() const { return m_boardType; }
    Link link() const { return m_link; }
    // Position counts per movement step: 6 on serial, 1 on HID.
    static int stepCounts(Link link);

    // The serial stream: 6-byte frames, little-endian, back to back.
    QByteArray serialBytes() const;
    // HID input reports of 65 bytes, report number first, 8 samples each; the last report is
    // completed with still samples.
    std::vector<QByteArray> hidReports() const;

private:
    std::vector<BoardSample> m_samples;
    std::vector<double> m_times;
    std::vector<RepetitionTruth> m_truth;
    double m_durationS = 0;
    int m_boardType;
    Link m_link;
};

inline constexpr int HidReportSize = 65;

// Encoders and decoders shared by the model, the simulators and the tests.
void appendSerialFrame(QByteArray& out, BoardSample s);
void writeHidSample(QByteArray& report, int index, BoardSample s); // index 0 to 7
BoardSample readSerialFrame(const char* frame);                    // 6 bytes
BoardSample readHidSample(const QByteArray& report, int index);

} // namespace kinetra::sim
