#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ByteStream.h"
#include "core/ElevationLimits.h"
#include "tourfmt/Chunks.h"
#include "tourfmt/ScrambleKey.h"

namespace orbpix {

inline constexpr std::uint32_t kTourRootTag = 0x00585858;  // bytes 00 58 58 58
inline constexpr std::uint32_t kTourRootType = chunkTag("ORBF");
inline constexpr std::uint32_t kTourVersion = 3223088;  // bytes 00 31 2E 30

// The author's lines of a tour, in the order the file keeps them.
struct TourInfo {
    std::string authorName;
    std::string authorAddress;
    std::string authorHomePage;
    bool operator==(const TourInfo&) const = default;
};

// One picture of a tour: its name, its two view angles in degrees and the JPEG file of its
// unwrapped panorama. A picture read without angles keeps the viewer's defaults, the normal
// limits with their signs turned: top below bottom, which viewers take as no limits stated.
struct TourPicture {
    static constexpr ElevationLimits kUnstatedLimits{-kNormalElevation.top,
                                                     -kNormalElevation.bottom};
    static constexpr std::int32_t kDefaultFirstAngle = kUnstatedLimits.bottom;
    static constexpr std::int32_t kDefaultSecondAngle = kUnstatedLimits.top;

    std::string name;
    std::int32_t firstAngle = kDefaultFirstAngle;    // the bottom angle
    std::int32_t secondAngle = kDefaultSecondAngle;  // the top angle
    std::vector<std::uint8_t> jpeg;
    bool operator==(const TourPicture&) const = default;
};

// Everything a tour shows besides its skin.
struct TourAlbum {
    std::string title;
    std::optional<TourInfo> info;
    std::vector<TourPicture> pictures;
    bool operator==(const TourAlbum&) const = default;
};

// Writes the chunk tree of a tour album into a (normally scrambled) stream: the root, the
// version and the album list are opened by begin(), pictures follow one by one, finish()
// closes the lists. A picture's JPEG can be written straight into the stream between
// beginPicture() and endPicture().
class TourAlbumWriter {
public:
    explicit TourAlbumWriter(ByteStream& stream) : m_chunks(stream) {}

    [[nodiscard]] bool begin(const std::string& title, const std::optional<TourInfo>& info);
    [[nodiscard]] bool beginPicture(const std::string& name, std::int32_t bottomAngle,
                                    std::int32_t topAngle);
    ByteStream& jpegStream() { return m_chunks.stream(); }
    [[nodiscard]] bool endPicture();
    [[nodiscard]] bool addPicture(const TourPicture& picture);
    [[nodiscard]] bool finish();

private:
    ChunkWriter m_chunks;
};

// Writes the whole album through a scrambled stream into a new file.
[[nodiscard]] bool writeTourAlbumFile(const TourAlbum& album, const std::string& path,
                                      const ScrambleKey& key = kTourAlbumKey);

// Reads a tour album the way the viewer does. A stream whose root is not the tour root
// gives an empty album; a malformed chunk ends reading with what was read before it.
TourAlbum readTourAlbum(ByteStream& stream, BlockScrambleStream* scrambled = nullptr);
// Reads a tour album file through a scrambled stream; nothing when it cannot be opened.
std::optional<TourAlbum> readTourAlbumFile(const std::string& path,
                                           const ScrambleKey& key = kTourAlbumKey);

}  // namespace orbpix
