#pragma once

#include <string>
#include <string_view>

#include "album/FileSystem.h"

namespace orbpix::test {

// The real file system, with a fault after a given number of changing operations: either
// one operation fails (the program carries on), or the program stops there (every later
// change is lost). A write caught by the stop leaves half its bytes.
class FaultyFileSystem final : public FileSystem {
public:
    enum class Fault { None, FailOne, StopHere };

    // After a stop, let every change but renames through (a file system that refuses them).
    void failOnlyRenamesAfterStop() { m_renamesOnly = true; }

    void arm(Fault fault, int afterChanges) {
        m_fault = fault;
        m_remaining = afterChanges;
        m_stopped = false;
        m_changes = 0;
    }
    int changes() const { return m_changes; }
    bool stopped() const { return m_stopped; }

    bool exists(const std::string& p) const override { return m_real.exists(p); }
    bool isFolder(const std::string& p) const override { return m_real.isFolder(p); }
    std::optional<std::vector<std::string>> listFiles(const std::string& f) const override {
        return m_real.listFiles(f);
    }
    std::optional<std::string> readFile(const std::string& p) const override {
        return m_real.readFile(p);
    }
    bool makeFolder(const std::string& p) override { return change() && m_real.makeFolder(p); }
    bool rename(const std::string& from, const std::string& to) override {
        return change(/*isRename=*/true) && m_real.rename(from, to);
    }
    bool copy(const std::string& from, const std::string& to) override {
        return change() && m_real.copy(from, to);
    }
    bool removeFile(const std::string& p) override { return change() && m_real.removeFile(p); }
    bool writeFile(const std::string& p, std::string_view bytes) override {
        if (change())
            return m_real.writeFile(p, bytes);
        if (m_stopped && m_tornWrite) {
            m_tornWrite = false;
            (void)m_real.writeFile(p, bytes.substr(0, bytes.size() / 2));
        }
        return false;
    }
    void syncFolder(const std::string& f) override { m_real.syncFolder(f); }

private:
    // False when this change is the faulty one or comes after the stop.
    bool change(bool isRename = false) {
        ++m_changes;
        if (m_stopped)
            return m_renamesOnly && !isRename;
        if (m_fault == Fault::None || m_remaining-- > 0)
            return true;
        if (m_fault == Fault::StopHere) {
            m_stopped = true;
            m_tornWrite = true;
        } else {
            m_fault = Fault::None;
        }
        return false;
    }

    LocalFileSystem m_real;
    Fault m_fault = Fault::None;
    int m_remaining = 0;
    int m_changes = 0;
    bool m_stopped = false;
    bool m_tornWrite = false;
    bool m_renamesOnly = false;
};

}  // namespace orbpix::test
