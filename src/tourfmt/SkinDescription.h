#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tourfmt/TourElement.h"

namespace orbpix {

// A tour skin's "skin.ski": the header numbers and the elements of the tour window in the
// order the container keeps them (background, picture view, buttons, plain elements).
struct SkinDescription {
    std::int32_t buttonCount = 0;
    std::int32_t plainCount = 0;
    std::int32_t unused1 = 0;
    std::int32_t unused2 = 0;
    std::int32_t viewLeft = 0;
    std::int32_t viewTop = 0;
    std::int32_t viewWidth = 0;
    std::int32_t viewHeight = 0;
    std::vector<TourElement> elements;
    bool operator==(const SkinDescription&) const = default;
};

// Text fields are kept to this many bytes; the rest of a longer field is passed over.
inline constexpr std::size_t kMaxSkinField = 255;
// More lines than any 640 × 480 window can use; larger counts are taken as this.
inline constexpr std::int32_t kMaxSkinLines = 1000;

// Reads a description as its fields come: nothing but an unopenable file is an error. A
// missing field leaves its value as the line before left it, unknown names give the
// unknown codes, a short file leaves the remaining elements as the conversions made them.
SkinDescription parseSkinDescriptionText(std::string_view text);
// Reads "skin.ski"; nothing when the file cannot be opened.
std::optional<SkinDescription> ParseSkinDescription(const std::string& path);

// Writes a description that reads back as the given one: elements 2 … buttonCount + 1
// as button lines, the rest as plain lines. Empty picture names are written as "-", since
// an empty field cannot be read.
std::string formatSkinDescription(const SkinDescription& skin, std::string_view skinName);

}  // namespace orbpix
