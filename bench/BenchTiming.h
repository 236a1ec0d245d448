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
    // runs: about 1 when the work ran on one thread, towards 2 when two cores took part.
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

// Millions of pixels per second for `pixels` handled in `ms` milliseconds.
inline double megapixelsPerSecond(double pixels, double ms) {
    return ms > 0 ? pixels / (ms * 1000.0) : 0.0;
}

}  // namespace orbpix::bench
