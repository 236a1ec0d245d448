#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orbpix {

// count × size in bytes, or nothing when the product does not fit in 64 bits. Counts read
// from a file go through this before anything is sized by them.
[[nodiscard]] std::optional<std::uint64_t> checkedByteCount(std::uint64_t count,
                                                            std::uint64_t size);

// Reads values from a borrowed byte span. Every read either succeeds completely and moves on,
// or fails and leaves the reader where it was, so no caller can read past the bytes it was
// given. Copying a reader is cheap and copies its position.
class BinaryReader {
public:
    BinaryReader() = default;
    explicit BinaryReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t size() const { return m_bytes.size(); }
    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_bytes.size() - m_position; }
    bool atEnd() const { return remaining() == 0; }
    // Whether count records of size bytes each are still there; false on overflow too.
    // Asked before allocating for a count read from the data.
    [[nodiscard]] bool holds(std::uint64_t count, std::uint64_t size = 1) const;

    [[nodiscard]] bool readU8(std::uint8_t& value);
    [[nodiscard]] bool readU16LE(std::uint16_t& value) { return readLE(value); }
    [[nodiscard]] bool readU16BE(std::uint16_t& value) { return readBE(value); }
    [[nodiscard]] bool readU32LE(std::uint32_t& value) { return readLE(value); }
    [[nodiscard]] bool readU32BE(std::uint32_t& value) { return readBE(value); }
    [[nodiscard]] bool readI32LE(std::int32_t& value);
    [[nodiscard]] bool readI32BE(std::int32_t& value);
    [[nodiscard]] bool readU64LE(std::uint64_t& value) { return readLE(value); }
    [[nodiscard]] bool readU64BE(std::uint64_t& value) { return readBE(value); }

    // The next count bytes, still borrowed from the span the reader was made with.
    [[nodiscard]] bool readBytes(std::size_t count, std::span<const std::uint8_t>& bytes);
    // Copies exactly out.size() bytes.
    [[nodiscard]] bool readInto(std::span<std::uint8_t> out);
    // The bytes up to the next terminator, which is consumed but not returned.
    [[nodiscard]] bool readUntil(std::uint8_t terminator, std::span<const std::uint8_t>& bytes);
    [[nodiscard]] bool skip(std::size_t count);
    // Consumes count bytes and gives a reader over just them, for a chunk whose contents
    // must not reach into what follows it.
    [[nodiscard]] bool subReader(std::size_t count, BinaryReader& chunk);

private:
    enum class ByteOrder { Little, Big };
    template <std::unsigned_integral T>
    [[nodiscard]] bool readLE(T& value) {
        return readOrdered(value, ByteOrder::Little);
    }
    template <std::unsigned_integral T>
    [[nodiscard]] bool readBE(T& value) {
        return readOrdered(value, ByteOrder::Big);
    }
    template <std::unsigned_integral T>
    [[nodiscard]] bool readOrdered(T& value, ByteOrder order) {
        std::span<const std::uint8_t> bytes;
        if (!readBytes(sizeof(T), bytes))
            return false;
        T result = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t at = order == ByteOrder::Big ? sizeof(T) - 1 - i : i;
            result |= T(T(bytes[at]) << (8 * i));
        }
        value = result;
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
};

}  // namespace orbpix
