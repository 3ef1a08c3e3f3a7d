#include "sim/BoardModel.h"

#include "acquisition/Decodifica.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace kinetra::sim {

namespace {

constexpr double StillIntervalS = 0.1; // the board reports standing still this often
constexpr int SamplesPerReport = 8;

// One monotone movement: position goes from x0 to x1 between t0 and t1 along a half-sine
// velocity curve (zero velocity at both ends, peak pi/2 times the mean in the middle).
struct Movement {
    double t0, t1, x0, x1;
};

// Time at which a movement reaches position b (b between x0 and x1).
double timeAt(const Movement& m, double b) {
    double frac = (b - m.x0) / (m.x1 - m.x0);
    frac = std::clamp(frac, 0.0, 1.0);
    double s = std::acos(1.0 - 2.0 * frac) / std::numbers::pi;
    return m.t0 + s * (m.t1 - m.t0);
}

// A step crossing of the board: at time t the count became `level` x step counts.
struct Step {
    double t;
    int level;
    int direction; // +1 rising, -1 falling
};

std::int16_t toCount(long long counts) {
    return static_cast<std::int16_t>(
        std::clamp<long long>(counts, std::numeric_limits<std::int16_t>::min(),
                              std::numeric_limits<std::int16_t>::max()));
}

std::int32_t toTicks(long long ticks) {
    return static_cast<std::int32_t>(std::clamp<long long>(
        ticks, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Portable uniform number in [-0.5, 0.5): the standard distributions differ between libraries,
// and the same seed must give the same bytes everywhere.
double jitter(std::mt19937& gen) {
    return static_cast<double>(gen()) / 4294967296.0 - 0.5;
}

} // namespace

int BoardModel::stepCounts(Link link) {
    return link == Link::Serial ? 6 : 1;
}

BoardModel::BoardModel(const SetPlan& plan, int boardType, Link link)
    : m_boardType(boardType), m_link(link) {
    const ScalaScheda scale = scalaScheda(boardType);
    const int counts = stepCounts(link);
    const double stepMm = counts * static_cast<double>(scale.Fattore_spostamento);

    // The course of the load: movements separated by standing still.
    std::vector<Movement> moves;
    double t = std::max(0.0, plan.restBeforeS);
    double x = plan.startPositionMm;
    auto move = [&](double distance, double meanMmS) {
        const double duration = std::abs(distance) / std::max(meanMmS, 1e-6);
        moves.push_back({t, t + duration, x, x + distance});
        t += duration;
        x += distance;
    };
    if (plan.initialLiftMm > 0)
        move(plan.initialLiftMm, plan.initialLiftMmS);
    double slowdown = 1.0;
    for (const RepetitionPlan& rep : plan.repetitions) {
        RepetitionTruth truth;
        t += std::max(0.0, rep.pauseTopS);
        truth.eccentricStartS = t;
        move(-rep.rangeMm, rep.eccentricMmS);
        t += std::max(0.0, rep.pauseBottomS);
        truth.concentricStartS = t;
        const double mean = rep.meanConcentricMmS * slowdown;
        move(rep.rangeMm, mean);
        truth.concentricEndS = t;
        truth.displacementMm = rep.rangeMm;
        truth.meanConcentricMmS = rep.rangeMm / (truth.concentricEndS - truth.concentricStartS);
        truth.peakConcentricMmS = truth.meanConcentricMmS * std::numbers::pi / 2.0;
        m_truth.push_back(truth);
        slowdown *= 1.0 - plan.fatigue;
    }
    m_durationS = t + std::max(0.0, plan.restAfterS);

    // Where the board counts a step: each time the position passes half a step beyond the last
    // counted level.
    int level = static_cast<int>(std::lround(plan.startPositionMm / stepMm));
    const int startLevel = level;
    std::vector<Step> steps;
    for (const Movement& m : moves) {
        if (m.x1 > m.x0) {
            while ((level + 0.5) * stepMm < m.x1) {
                ++level;
                steps.push_back({timeAt(m, (level - 0.5) * stepMm), level, +1});
            }
        } else if (m.x1 < m.x0) {
            while ((level - 0.5) * stepMm > m.x1) {
                --level;
                steps.push_back({timeAt(m, (level + 0.5) * stepMm), level, -1});
            }
        }
    }

    // Jitter moves each step by a share of its shorter neighbouring period, so the order of the
    // steps never changes and the periods still add up to the elapsed time.
    if (plan.noise > 0 && !steps.empty()) {
        std::mt19937 gen(plan.seed);
        const double amount = std::min(plan.noise, 1.0);
        std::vector<double> times(steps.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            const double before = steps[i].t - (i == 0 ? 0.0 : steps[i - 1].t);
            const double after = (i + 1 < steps.size() ? steps[i + 1].t : m_durationS) - steps[i].t;
            times[i] = steps[i].t + amount * std::min(before, after) * jitter(gen);
        }
        for (size_t i = 0; i < steps.size(); ++i)
            steps[i].t = times[i];
    }

    // Samples: one per step, and a still sample whenever 100 ms pass without one being sent.
    // On HID the board sends whole reports: when 100 ms pass without a report it completes the
    // one in progress with still samples (a whole report of them while the load stands), so a
    // stop shows at once.
    const double msPerTick = scale.Base_tempi;
    auto tickOf = [&](double seconds) { return std::llround(seconds * 1000.0 / msPerTick); };
    double lastSent = 0;
    double lastStep = 0;
    std::int16_t count = toCount(static_cast<long long>(startLevel) * counts);
    std::vector<double> sampleTimes;
    auto still = [&](double when) {
        int n = 1;
        if (link == Link::Hid)
            n = SamplesPerReport - static_cast<int>(m_samples.size() % SamplesPerReport);
        for (int i = 0; i < n; ++i) {
            m_samples.push_back({count, 0});
            sampleTimes.push_back(when);
        }
        lastSent = when;
    };
    auto stillUntil = [&](double until) {
        while (lastSent + StillIntervalS < until)
            still(lastSent + StillIntervalS);
    };
    for (const Step& s : steps) {
        stillUntil(s.t);
        count = toCount(static_cast<long long>(s.level) * counts);
        const long long ticks = tickOf(s.t) - tickOf(lastStep);
        m_samples.push_back({count, toTicks(s.direction > 0 ? ticks : -ticks)});
        sampleTimes.push_back(s.t);
        lastStep = s.t;
        if (link == Link::Serial || m_samples.size() % SamplesPerReport == 0)
            lastSent = s.t;
    }
    stillUntil(m_durationS);
    if (link == Link::Hid && m_samples.size() % SamplesPerReport != 0)
        still(std::max(sampleTimes.back(), m_durationS));

    // Send times: serial frames leave as they happen; a HID report leaves when its last sample
    // is in.
    m_times = sampleTimes;
    if (link == Link::Hid) {
        for (size_t i = 0; i < m_times.size(); ++i) {
            const size_t last = (i / SamplesPerReport + 1) * SamplesPerReport - 1;
            m_times[i] = sampleTimes[std::min(last, sampleTimes.size() - 1)];
        }
    }
}

QByteArray BoardModel::serialBytes() const {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(m_samples.size() * 6));
    for (const BoardSample& s : m_samples)
        appendSerialFrame(out, s);
    return out;
}

std::vector<QByteArray> BoardModel::hidReports() const {
    std::vector<QByteArray> reports;
    for (size_t i = 0; i < m_samples.size(); i += SamplesPerReport) {
        QByteArray report(HidReportSize, '\0');
        for (size_t j = 0; j < SamplesPerReport; ++j) {
            const BoardSample s =
                i + j < m_samples.size() ? m_samples[i + j] : BoardSample{m_samples[i].count, 0};
            writeHidSample(report, static_cast<int>(j), s);
        }
        reports.push_back(report);
    }
    return reports;
}

void appendSerialFrame(QByteArray& out, BoardSample s) {
    char frame[6];
    qToLittleEndian<std::int16_t>(s.count, frame);
    qToLittleEndian<std::int32_t>(s.ticks, frame + 2);
    out.append(frame, 6);
}

void writeHidSample(QByteArray& report, int index, BoardSample s) {
    if (report.size() < HidReportSize)
        report.resize(HidReportSize, '\0');
    char* p = report.data() + 8 * index;
    qToLittleEndian<std::int16_t>(s.count, p + 2);
    qToLittleEndian<std::int32_t>(s.ticks, p + 4);
}

BoardSample readSerialFrame(const char* frame) {
    return {qFromLittleEndian<std::int16_t>(frame), qFromLittleEndian<std::int32_t>(frame + 2)};
}

BoardSample readHidSample(const QByteArray& report, int index) {
    const char* p = report.constData() + 8 * index;
    return {qFromLittleEndian<std::int16_t>(p + 2), qFromLittleEndian<std::int32_t>(p + 4)};
}

} // namespace kinetra::sim
