#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbpix {

// The file operations an album performs, behind one small interface so that tests can
// interrupt a sequence after any step. Paths are byte strings as the file system has them.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    [[nodiscard]] virtual bool exists(const std::string& path) const = 0;
    [[nodiscard]] virtual bool isFolder(const std::string& path) const = 0;
    // Creates one folder level.
    [[nodiscard]] virtual bool makeFolder(const std::string& path) = 0;
    // Renames a file or folder; never replaces an existing target.
    [[nodiscard]] virtual bool rename(const std::string& from, const std::string& to) = 0;
    // Copies a file, or a folder with its whole tree; never replaces an existing target and
    // leaves nothing behind when it fails.
    [[nodiscard]] virtual bool copy(const std::string& from, const std::string& to) = 0;
    // Deletes a file, making it writable first.
    [[nodiscard]] virtual bool removeFile(const std::string& path) = 0;
    // Names of the plain files of a folder (no folders), in no particular order.
    [[nodiscard]] virtual std::optional<std::vector<std::string>> listFiles(
        const std::string& folder) const = 0;
    [[nodiscard]] virtual std::optional<std::string> readFile(const std::string& path) const = 0;
    // Creates or truncates a file and writes the bytes, on disk before it returns.
    [[nodiscard]] virtual bool writeFile(const std::string& path, std::string_view bytes) = 0;
    // Makes the renames inside a folder durable.
    virtual void syncFolder(const std::string& folder) = 0;
};

// The real file system.
class LocalFileSystem final : public FileSystem {
public:
    bool exists(const std::string& path) const override;
    bool isFolder(const std::string& path) const override;
    bool makeFolder(const std::string& path) override;
    bool rename(const std::string& from, const std::string& to) override;
    bool copy(const std::string& from, const std::string& to) override;
    bool removeFile(const std::string& path) override;
    std::optional<std::vector<std::string>> listFiles(const std::string& folder) const override;
    std::optional<std::string> readFile(const std::string& path) const override;
    bool writeFile(const std::string& path, std::string_view bytes) override;
    void syncFolder(const std::string& folder) override;
};

// The instance albums use unless they are given another.
FileSystem& localFileSystem();

}  // namespace orbpix
