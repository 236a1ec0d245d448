#pragma once

#include <cstdint>

#include "core/ByteStream.h"

namespace orbpix {

// A read-only window [start, start + length) of another stream: a chunk's body handed to
// the code that reads it, which can neither read past the body nor lose its place in the
// parent.
class SubStream final : public ByteStream {
public:
    SubStream(ByteStream& parent, std::int64_t start, std::int64_t length)
        : m_parent(parent), m_start(start), m_length(length < 0 ? 0 : length) {}

    [[nodiscard]] bool write(std::span<const std::uint8_t>) override { return false; }
    [[nodiscard]] std::size_t read(std::span<std::uint8_t> bytes) override;
    [[nodiscard]] bool seek(std::int64_t offset, Origin origin) override;
    [[nodiscard]] std::int64_t position() const override { return m_position; }

    std::int64_t length() const { return m_length; }
    std::int64_t remaining() const { return m_length - m_position; }

    // Reads exactly bytes.size() bytes or reports failure.
    [[nodiscard]] bool readExactly(std::span<std::uint8_t> bytes);
    [[nodiscard]] bool readU32BE(std::uint32_t& value);
    [[nodiscard]] bool readU16BE(std::uint16_t& value);

    // Objects on the stack are not reference counted; nobody may release one.
    ~SubStream() override = default;

private:
    ByteStream& m_parent;
    std::int64_t m_start;
    std::int64_t m_length;
    std::int64_t m_position = 0;
};

}  // namespace orbpix
