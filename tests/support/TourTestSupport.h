#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "core/ByteStream.h"
#include "support/Files.h"
#include "support/TempFolder.h"

namespace orbpix::test {

inline Bytes randomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes)
        b = std::uint8_t(random());
    return bytes;
}

// Appends a 32-bit word, most significant byte first.
inline void putWord(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(value >> shift));
}

// A memory stream filled with the given bytes, positioned at the start.
inline StreamRef<MemoryStream> memoryStreamOf(const Bytes& bytes) {
    auto stream = MemoryStream::create();
    EXPECT_TRUE(stream->write(bytes));
    EXPECT_TRUE(stream->seek(0, ByteStream::Origin::Begin));
    return stream;
}

}  // namespace orbpix::test
