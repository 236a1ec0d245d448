#pragma once

#include <array>
#include <cstdint>

namespace orbpix {

// Angles whose sine is the square root of a ratio, in angle units (16384 to the turn):
// coarse entry i serves the ratio i/4096, fine entry i the ratio i/1048576 (ratios below
// 1/256). Shared by every renderer of the process.
class ArcSineTables {
public:
    static constexpr int kSize = 4097;
    using Table = std::array<std::int32_t, kSize>;

    // Fills both tables on first use; every later call returns the same tables.
    static const ArcSineTables& get();

    const Table& coarse() const { return m_coarse; }
    const Table& fine() const { return m_fine; }

private:
    ArcSineTables();
    Table m_coarse;
    Table m_fine;
};

}  // namespace orbpix
