#include "core/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace orbpix {

void ByteStream::release() noexcept {
    if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

std::size_t ByteStream::read(std::span<std::uint8_t>) {
    return 0;
}

bool ByteStream::seek(std::int64_t, Origin) {
    return false;
}

bool MemoryStream::write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return true;
    const std::size_t end = m_pos + bytes.size();
    if (end > m_bytes.size())
        m_bytes.resize(end);
    std::memcpy(m_bytes.data() + m_pos, bytes.data(), bytes.size());
    m_pos = end;
    return true;
}

std::size_t MemoryStream::read(std::span<std::uint8_t> bytes) {
    const std::size_t n = std::min(bytes.size(), m_bytes.size() - std::min(m_pos, m_bytes.size()));
    if (n > 0)
        std::memcpy(bytes.data(), m_bytes.data() + m_pos, n);
    m_pos += n;
    return n;
}

bool MemoryStream::seek(std::int64_t offset, Origin origin) {
    std::int64_t base = 0;
    if (origin == Origin::Current)
        base = static_cast<std::int64_t>(m_pos);
    else if (origin == Origin::End)
        base = static_cast<std::int64_t>(m_bytes.size());
    const std::int64_t target = base + offset;
    if (target < 0)
        return false;
    m_pos = static_cast<std::size_t>(target);
    return true;
}

StreamRef<FileStream> FileStream::open(const std::string& path, Mode mode) {
    const char* how = mode == Mode::Read ? "rb" : mode == Mode::Create ? "w+b" : "r+b";
    std::FILE* file = std::fopen(path.c_str(), how);
    if (!file)
        return {};
    return StreamRef<FileStream>::adopt(new FileStream(file));
}

FileStream::~FileStream() {
    std::fclose(m_file);
}

// An empty span may carry no pointer at all, which the C library must never be handed.
bool FileStream::write(std::span<const std::uint8_t> bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size();
}

std::size_t FileStream::read(std::span<std::uint8_t> bytes) {
    return bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), m_file);
}

bool FileStream::seek(std::int64_t offset, Origin origin) {
    const int whence = origin == Origin::Begin     ? SEEK_SET
                       : origin == Origin::Current ? SEEK_CUR
                                                   : SEEK_END;
    return fseeko(m_file, static_cast<off_t>(offset), whence) == 0;
}

std::int64_t FileStream::position() const {
    return static_cast<std::int64_t>(ftello(m_file));
}

bool FileStream::flush() {
    return std::fflush(m_file) == 0;
}

bool writeU32BE(ByteStream& stream, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return stream.write(bytes);
}

bool writeU16BE(ByteStream& stream, std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value)};
    return stream.write(bytes);
}

bool readExactly(ByteStream& stream, std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t n = stream.read(bytes.subspan(done));
        if (n == 0)
            return false;
        done += n;
    }
    return true;
}

std::optional<std::uint64_t> streamLength(ByteStream& stream) {
    if (!stream.seek(0, ByteStream::Origin::End))
        return std::nullopt;
    const std::int64_t length = stream.position();
    if (length < 0)
        return std::nullopt;
    return std::uint64_t(length);
}

}  // namespace orbpix
