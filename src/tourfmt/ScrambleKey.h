#pragma once

#include <array>
#include <cstdint>

namespace orbpix {

// A 16-byte key value in the in-memory layout of a GUID: a 32-bit field, two 16-bit fields
// (each least significant byte first) and eight bytes.
using ScrambleKey = std::array<std::uint8_t, 16>;

constexpr ScrambleKey makeScrambleKey(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                                      const std::array<std::uint8_t, 8>& data4) {
    ScrambleKey key{};
    for (int i = 0; i < 4; ++i)
        key[std::size_t(i)] = std::uint8_t(data1 >> (8 * i));
    key[4] = std::uint8_t(data2);
    key[5] = std::uint8_t(data2 >> 8);
    key[6] = std::uint8_t(data3);
    key[7] = std::uint8_t(data3 >> 8);
    for (std::size_t i = 0; i < 8; ++i)
        key[8 + i] = data4[i];
    return key;
}

// The key of every tour album file ("album.orb"): the album program writes with it, the
// viewer reads with it.
inline constexpr ScrambleKey kTourAlbumKey =
    makeScrambleKey(0x6F72B5A3, 0x41C7, 0x4E19, {0x9D, 0x2B, 0x6C, 0xE0, 0x57, 0x13, 0xA8, 0x4F});

// The key of the GIF pictures of a tour skin folder: whoever draws a skin scrambles its
// pictures with it, the generator unscrambles them into the tour.
inline constexpr ScrambleKey kTourSkinPictureKey =
    makeScrambleKey(0x1D5E0C72, 0x93A4, 0x47F0, {0xB6, 0x08, 0x3E, 0x71, 0xCA, 0x25, 0x94, 0xD3});

}  // namespace orbpix
