#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace orbpix::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "orbpix-test-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_root = pattern;
    EXPECT_FALSE(m_root.empty()) << "no temporary folder in " << fs::temp_directory_path();
}

TempFolder::~TempFolder() {
    if (m_root.empty())
        return;
    std::error_code ignored;
    if (fs::remove_all(m_root, ignored) != static_cast<std::uintmax_t>(-1) && !ignored)
        return;
    // Folders a test made read-only cannot be emptied until they are writable again.
    for (auto it = fs::recursive_directory_iterator(m_root, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
}

}  // namespace orbpix::test
