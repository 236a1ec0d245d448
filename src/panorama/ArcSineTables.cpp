#include "panorama/ArcSineTables.h"

#include <cmath>
#include <numbers>

namespace orbpix {

ArcSineTables::ArcSineTables() {
    const double scale = 8192.0 / std::numbers::pi;
    for (int i = 0; i < kSize; ++i) {
        m_coarse[i] = static_cast<std::int32_t>(std::asin(std::sqrt(i / 4096.0)) * scale + 0.5);
        m_fine[i] = static_cast<std::int32_t>(std::asin(std::sqrt(i / 1048576.0)) * scale + 0.5);
    }
}

const ArcSineTables& ArcSineTables::get() {
    // Built once: rewriting the tables while another view's thread reads them would race,
    // and the values never change.
    static const ArcSineTables tables;
    return tables;
}

}  // namespace orbpix
