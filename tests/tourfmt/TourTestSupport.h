#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/ByteStream.h"

namespace orbpix::test {

using Bytes = std::vector<std::uint8_t>;

// A temporary folder removed with the test, without any toolkit.
class StdTempFolder {
public:
    StdTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orbpix-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_root = pattern;
        EXPECT_FALSE(m_root.empty());
    }
    StdTempFolder(const StdTempFolder&) = delete;
    StdTempFolder& operator=(const StdTempFolder&) = delete;
    ~StdTempFolder() {
        std::error_code ec;
        if (!m_root.empty())
            std::filesystem::remove_all(m_root, ec);
    }
    std::string path(const std::string& name) const { return (m_root / name).string(); }
    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes randomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes)
        b = std::uint8_t(random());
    return bytes;
}

// A memory stream filled with the given bytes, positioned at the start.
inline StreamRef<MemoryStream> memoryStreamOf(const Bytes& bytes) {
    auto stream = MemoryStream::create();
    EXPECT_TRUE(stream->write(bytes));
    EXPECT_TRUE(stream->seek(0, ByteStream::Origin::Begin));
    return stream;
}

}  // namespace orbpix::test
