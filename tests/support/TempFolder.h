#pragma once

#include <string>

namespace orbpix::test {

// A fresh folder under the temporary folder, removed with everything in it when the object
// goes, even where a test took away its own write permission.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& root() const { return m_root; }
    std::string path(const std::string& name) const { return m_root + "/" + name; }

private:
    std::string m_root;
};

}  // namespace orbpix::test
