#include "core/BinaryReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace orbpix {

std::optional<std::uint64_t> checkedByteCount(std::uint64_t count, std::uint64_t size) {
    if (size != 0 && count > std::numeric_limits<std::uint64_t>::max() / size)
        return std::nullopt;
    return count * size;
}

bool BinaryReader::holds(std::uint64_t count, std::uint64_t size) const {
    const auto bytes = checkedByteCount(count, size);
    return bytes && *bytes <= remaining();
}

bool BinaryReader::readU8(std::uint8_t& value) {
    if (atEnd())
        return false;
    value = m_bytes[m_position++];
    return true;
}

// Two's complement: the stored bits are the value's bits.
bool BinaryReader::readI32LE(std::int32_t& value) {
    std::uint32_t bits = 0;
    if (!readU32LE(bits))
        return false;
    value = std::int32_t(bits);
    return true;
}

bool BinaryReader::readI32BE(std::int32_t& value) {
    std::uint32_t bits = 0;
    if (!readU32BE(bits))
        return false;
    value = std::int32_t(bits);
    return true;
}

bool BinaryReader::readBytes(std::size_t count, std::span<const std::uint8_t>& bytes) {
    if (count > remaining())
        return false;
    bytes = m_bytes.subspan(m_position, count);
    m_position += count;
    return true;
}

bool BinaryReader::readInto(std::span<std::uint8_t> out) {
    std::span<const std::uint8_t> bytes;
    if (!readBytes(out.size(), bytes))
        return false;
    if (!bytes.empty())
        std::memcpy(out.data(), bytes.data(), bytes.size());
    return true;
}

bool BinaryReader::readUntil(std::uint8_t terminator, std::span<const std::uint8_t>& bytes) {
    const auto rest = m_bytes.subspan(m_position);
    const auto found = std::find(rest.begin(), rest.end(), terminator);
    if (found == rest.end())
        return false;
    const auto length = std::size_t(found - rest.begin());
    bytes = rest.first(length);
    m_position += length + 1;
    return true;
}

bool BinaryReader::skip(std::size_t count) {
    if (count > remaining())
        return false;
    m_position += count;
    return true;
}

bool BinaryReader::subReader(std::size_t count, BinaryReader& chunk) {
    std::span<const std::uint8_t> bytes;
    if (!readBytes(count, bytes))
        return false;
    chunk = BinaryReader(bytes);
    return true;
}

}  // namespace orbpix
