#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orbpix {

// The file patterns that identify picture files. A list starts with "*.bmp"; the program
// adds the imaging engine's patterns at start.
class FilePatternList {
public:
    FilePatternList();

    // Appends a pattern unless the list already holds it (compared without regard to case).
    void add(std::string_view pattern);
    void enumerate(const std::function<void(const std::string& pattern)>& operation) const;
    // True when the file name matches any pattern (letters compared without regard to case).
    [[nodiscard]] bool matches(std::string_view fileName) const;
    const std::vector<std::string>& patterns() const { return m_patterns; }

private:
    std::vector<std::string> m_patterns;
};

// The list shared by the whole program.
FilePatternList& filePatternList();

// Adds every pattern of the imaging engine's format table to a list.
void addImagingPatterns(FilePatternList& list);

}  // namespace orbpix
