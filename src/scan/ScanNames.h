#pragma once

#include <string>

namespace orbpix {

// Names for scanned pictures in an album folder: "Img00001.bmp" and on. Each command starts
// at 1 and hands out the first free name at or above the last one it gave, so pictures of
// earlier scans are never overwritten and gaps are filled.
class ScanNamer {
public:
    explicit ScanNamer(std::string folder) : m_folder(std::move(folder)) {}
    // The next free path; empty when every five-digit number is taken.
    std::string next();

private:
    std::string m_folder;
    int m_number = 1;
};

}  // namespace orbpix
