#include "imaging/SineTable.h"

#include <array>
#include <cmath>
#include <numbers>

namespace orbpix {

const std::int32_t* SineTable::entries() {
    static const std::array<std::int32_t, kSize> table = [] {
        std::array<std::int32_t, kSize> t{};
        for (int k = 0; k < kSize; ++k)
            t[k] = static_cast<std::int32_t>(
                0.5 + 16384.0 * std::sin(2.0 * std::numbers::pi * k / kSize));
        return t;
    }();
    return table.data();
}

}  // namespace orbpix
