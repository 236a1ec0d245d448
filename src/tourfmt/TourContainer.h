#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ByteStream.h"
#include "tourfmt/TourElement.h"

namespace orbpix {

// The seven bytes that end every program carrying a tour.
inline constexpr std::string_view kTourMarker = "OrbTour";
inline constexpr std::uint32_t kTourContainerVersion = 1;
// Offsets position, trailer position, container start, skin count position, version and
// marker: always the last 27 bytes of a tour.
inline constexpr std::uint64_t kTourTrailerTail = 27;
// Top, left, width, height, type and state of an element record.
inline constexpr std::uint64_t kTourElementRecordSize = 24;

// The container appended to the viewer program. Every position in it except the container
// start is stored one less than the true offset of what it designates.
struct TourDescriptor {
    std::string caption;
    std::vector<std::string> fileNames;
    // Stored start of each embedded file, then the stored end of the last one.
    std::vector<std::uint32_t> fileOffsets;
    std::uint32_t skinCount = 1;
    std::uint32_t skinHeader = 1;
    std::vector<TourElement> elements;
    std::vector<std::uint32_t> skinOffsets;
    std::uint32_t offsetsPosition = 0;
    std::uint32_t trailerPosition = 0;
    std::uint32_t containerStart = 0;
    std::uint32_t skinCountPosition = 0;
    std::uint32_t version = kTourContainerVersion;

    std::size_t fileCount() const { return fileNames.size(); }
    // True offset and length of embedded file i.
    std::uint64_t fileStart(std::size_t i) const { return std::uint64_t(fileOffsets[i]) + 1; }
    std::uint64_t fileLength(std::size_t i) const {
        return std::uint64_t(fileOffsets[i + 1]) - fileOffsets[i];
    }
    bool operator==(const TourDescriptor&) const = default;
};

// An embedded file as the writer sees it: its bare name, its length and a way to write
// exactly that many bytes of it.
struct EmbeddedFile {
    std::string name;
    std::uint64_t length = 0;
    std::function<bool(ByteStream& out)> writeContent;
};

// Computes every stored position of a container that starts at containerStart. Elements
// must carry as many bitmaps as their state asks for. Nothing when a position would not
// fit in 32 bits, when the caption or a name is longer than 255 bytes, or an element's
// bitmaps do not match its state.
std::optional<TourDescriptor> planTourContainer(std::uint64_t containerStart,
                                                const std::string& caption,
                                                const std::vector<EmbeddedFile>& files,
                                                std::vector<TourElement> elements);

// Writes the planned container at the stream's current position, which must be the
// planned container start. Fails when a file writes another number of bytes than it
// declared, since every later position would then be wrong.
[[nodiscard]] bool writeTourContainer(ByteStream& out, const TourDescriptor& plan,
                                      const std::vector<EmbeddedFile>& files);

// Whether the stream's last seven bytes are the marker.
[[nodiscard]] bool endsWithTourMarker(ByteStream& stream);

// Reads the container at the end of a program. Every position and length is checked
// against the stream before it is used: anything pointing outside the container, a count
// that cannot fit, or a missing marker gives nothing ("no tour"), with the reason in why.
std::optional<TourDescriptor> readTourContainer(ByteStream& stream, std::string* why = nullptr);

// Copies embedded file i of a container read from the same stream.
[[nodiscard]] bool copyEmbeddedFile(ByteStream& stream, const TourDescriptor& tour,
                                    std::size_t index, ByteStream& out);
[[nodiscard]] std::optional<std::vector<std::uint8_t>> readEmbeddedFile(ByteStream& stream,
                                                                        const TourDescriptor& tour,
                                                                        std::size_t index);

}  // namespace orbpix
