#include "album/FilePatternList.h"

#include <algorithm>

#include "album/TextCompare.h"
#include "imaging/io/FormatPatterns.h"

namespace orbpix {

FilePatternList::FilePatternList() : m_patterns{"*.bmp"} {}

void FilePatternList::add(std::string_view pattern) {
    const bool known = std::any_of(m_patterns.begin(), m_patterns.end(), [&](const std::string& p) {
        return equalsIgnoreCase(p, pattern);
    });
    if (!known)
        m_patterns.emplace_back(pattern);
}

void FilePatternList::enumerate(
    const std::function<void(const std::string& pattern)>& operation) const {
    for (const std::string& pattern : m_patterns)
        operation(pattern);
}

bool FilePatternList::matches(std::string_view fileName) const {
    return std::any_of(m_patterns.begin(), m_patterns.end(),
                       [&](const std::string& p) { return matchesPattern(fileName, p); });
}

FilePatternList& filePatternList() {
    static FilePatternList list;
    return list;
}

void addImagingPatterns(FilePatternList& list) {
    enumeratePatterns([&](int, const char* pattern) { list.add(pattern); });
}

}  // namespace orbpix
