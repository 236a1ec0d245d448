#include "scan/ScanNames.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace orbpix {

std::string ScanNamer::next() {
    for (; m_number <= 99999; ++m_number) {
        char name[32];
        std::snprintf(name, sizeof name, "Img%05d.bmp", m_number);
        const std::filesystem::path path = std::filesystem::path(m_folder) / name;
        std::error_code error;
        // A dangling link counts as taken: saving through it would write elsewhere.
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)))
            return path.string();
    }
    return {};
}

}  // namespace orbpix
