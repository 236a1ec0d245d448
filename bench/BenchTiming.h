#pragma once

#include <algorithm>
#include <chrono>
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
};

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
        return t;
    };
    PairTiming result{summary(ta), summary(tb), 0};
    result.medianRatio = summary(ratios).medianMs;
    return result;
}

// Millions of pixels per second for `pixels` handled in `ms` milliseconds.
inline double megapixelsPerSecond(double pixels, double ms) {
    return ms > 0 ? pixels / (ms * 1000.0) : 0.0;
}

}  // namespace orbpix::bench
