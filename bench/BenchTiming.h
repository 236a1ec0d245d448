#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <vector>

namespace orbpix::bench {

// Wall-clock figures of one measurement, in milliseconds.
struct Timing {
    double medianMs = 0;
    double minMs = 0;
    int runs = 0;
    // Processor time of the whole process over wall-clock time, both summed over the timed
    // runs: about 1 when the work ran on one thread, towards 2 when two cores took part;
    // 0 when not measured.
    double cpuPerWall = 0;
    // The middle half of the runs' spread over the median: small on a quiet machine.
    double spread = 0;
};

// The runs' interquartile range over their median, from sorted times.
inline double spreadOf(const std::vector<double>& sorted) {
    const std::size_t n = sorted.size();
    if (n == 0)
        return 0;
    const double median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    return median > 0 ? (sorted[(3 * n) / 4] - sorted[n / 4]) / median : 0;
}

// The one-minute load average, printed beside each figure so that one taken on a busy machine
// can be told apart; −1 when unknown.
inline double loadAverage() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

// Runs body `warmups` times untimed, then `runs` times timed. body returns false when the
// operation failed; the measurement is then worthless and nothing is returned.
template <typename Body>
std::optional<Timing> measure(int warmups, int runs, Body&& body) {
    for (int i = 0; i < warmups; ++i) {
        if (!body())
            return std::nullopt;
    }
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    double wallMs = 0;
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = body();
        const auto stop = std::chrono::steady_clock::now();
        if (!ok)
            return std::nullopt;
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        wallMs += ms.back();
    }
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    if (ms.empty())
        return std::nullopt;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    Timing timing;
    timing.medianMs = n % 2 == 1 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    timing.minMs = ms.front();
    timing.runs = runs;
    timing.cpuPerWall = wallMs > 0 ? cpuMs / wallMs : 0.0;
    timing.spread = spreadOf(ms);
    return timing;
}

// Two measurements taken in alternating rounds, with the median over rounds of
// second / first.
struct PairTiming {
    Timing first;
    Timing second;
    double medianRatio = 0;
};

template <typename A, typename B>
std::optional<PairTiming> measureInTurns(int warmups, int rounds, A&& a, B&& b) {
    for (int i = 0; i < warmups; ++i)
        if (!a() || !b())
            return std::nullopt;
    std::vector<double> ta, tb, ratios;
    auto timeOne = [](auto& body, std::vector<double>& into) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = body();
        into.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        return ok;
    };
    for (int i = 0; i < rounds; ++i) {
        const bool ok =
            i % 2 == 0 ? timeOne(a, ta) && timeOne(b, tb) : timeOne(b, tb) && timeOne(a, ta);
        if (!ok)
            return std::nullopt;
        ratios.push_back(tb.back() / ta.back());
    }
    auto summary = [](std::vector<double> ms) {
        std::sort(ms.begin(), ms.end());
        Timing t;
        const std::size_t n = ms.size();
        t.medianMs = n % 2 == 1 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
        t.minMs = ms.front();
        t.runs = static_cast<int>(n);
        t.spread = spreadOf(ms);
        return t;
    };
    PairTiming result{summary(ta), summary(tb), 0};
    result.medianRatio = summary(ratios).medianMs;
    return result;
}

// Repeats a measurement (a call returning an optional Timing or PairTiming) until the spread of
// its runs is at most `tolerance`, up to `attempts` times, and keeps the steadiest. A machine
// that stays busy still gives figures, with their spread and the load beside them.
template <typename Measurement>
auto settled(Measurement&& measurement, int attempts = 4, double tolerance = 0.1) {
    auto spreadOfResult = [](const auto& r) {
        if constexpr (requires { r.medianRatio; })
            return std::max(r.first.spread, r.second.spread);
        else
            return r.spread;
    };
    auto best = measurement();
    for (int i = 1; i < attempts && best && spreadOfResult(*best) > tolerance; ++i) {
        auto next = measurement();
        if (!next)
            return next;
        if (spreadOfResult(*next) < spreadOfResult(*best))
            best = next;
    }
    return best;
}

// Millions of pixels per second for `pixels` handled in `ms` milliseconds.
inline double megapixelsPerSecond(double pixels, double ms) {
    return ms > 0 ? pixels / (ms * 1000.0) : 0.0;
}

}  // namespace orbpix::bench
