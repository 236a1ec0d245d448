#include "album/FileSystem.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace orbpix {

namespace fs = std::filesystem;

namespace {

// A file descriptor closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

}  // namespace

bool LocalFileSystem::exists(const std::string& path) const {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool LocalFileSystem::isFolder(const std::string& path) const {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LocalFileSystem::makeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool LocalFileSystem::rename(const std::string& from, const std::string& to) {
    // A plain rename would silently replace the target; parking, restoring and the album
    // file's save sequence all rely on a rename that refuses to.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the flag: a hard link cannot replace either, then the old name
    // goes. Folders cannot be linked; their rename only replaces an empty folder.
    if (isFolder(from))
        return !exists(to) && ::rename(from.c_str(), to.c_str()) == 0;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return false;
    }
    return true;
}

bool LocalFileSystem::copy(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (exists(to))
        return false;
    if (fs::is_directory(from, ec)) {
        fs::copy(from, to, fs::copy_options::recursive, ec);
        if (ec) {
            std::error_code ignored;
            fs::remove_all(to, ignored);
            return false;
        }
        return true;
    }
    if (!fs::copy_file(from, to, fs::copy_options::none, ec) || ec) {
        if (ec.value() != EEXIST) {
            std::error_code ignored;
            fs::remove(to, ignored);
        }
        return false;
    }
    return true;
}

bool LocalFileSystem::removeFile(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        ::chmod(path.c_str(), st.st_mode | S_IWUSR);
    return ::unlink(path.c_str()) == 0;
}

std::optional<std::vector<std::string>> LocalFileSystem::listFiles(
    const std::string& folder) const {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            names.push_back(it->path().filename().string());
    }
    if (ec)
        return std::nullopt;
    return names;
}

std::optional<std::string> LocalFileSystem::readFile(const std::string& path) const {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, std::size_t(n));
    }
    return bytes;
}

bool LocalFileSystem::writeFile(const std::string& path, std::string_view bytes) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return false;
    // The data must be on disk before a rename makes it the album file, or a crash could
    // leave an empty album file in place of both the old and the new one.
    return writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.close();
}

void LocalFileSystem::syncFolder(const std::string& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

FileSystem& localFileSystem() {
    static LocalFileSystem instance;
    return instance;
}

}  // namespace orbpix
