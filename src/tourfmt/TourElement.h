#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orbpix {

// What an element of a tour window does. The codes are stored in the tour container.
enum ElementType : std::int32_t {
    kTypeLogo = 0,
    kTypeCancel = 1,
    kTypeScrollUp = 2,
    kTypeScrollDown = 3,
    kTypeFrame = 4,
    kTypeAlbumTitle = 5,
    kTypePictureName = 6,
    kTypeView = 7,
    kTypeMaximise = 8,
    kTypeMinimise = 9,
    kTypeBar = 10,
    kTypeZoomIn = 11,
    kTypeZoomOut = 12,
    kTypePrevious = 13,
    kTypeNext = 14,
    kTypeInfo = 15,
    kTypeBackground = 200,
    kTypeUnknown = 255,
};

// Which pictures an element shows; the codes are stored in the tour container.
enum ElementState : std::int32_t {
    kStateUp = 0,              // normal
    kStateUpDown = 1,          // normal, pressed
    kStateUpDownRollover = 2,  // normal, hover, pressed
    kStateUpRollover = 3,      // normal, hover
    kStateNone = 255,
};

// How many pictures an element of the given state carries (0 outside the four states).
[[nodiscard]] int pictureCountForState(std::int32_t state);

// The type or state code of a name from a skin description, compared without regard to
// case after removing surrounding white space; kTypeUnknown / kStateNone when unknown.
[[nodiscard]] std::int32_t elementTypeForName(std::string_view name);
[[nodiscard]] std::int32_t elementStateForName(std::string_view name);
// The name a skin description uses for a code ("TypeUnknown" / "None" for unknown codes).
[[nodiscard]] std::string elementTypeName(std::int32_t type);
[[nodiscard]] std::string elementStateName(std::int32_t state);

// One element of a tour window. Type and state keep whatever code they were given, so an
// element read from a file says what the file said.
struct TourElement {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t type = kTypeUnknown;
    std::int32_t state = kStateNone;
    // The skin folder's picture files (skin description only).
    std::array<std::string, 3> pictureNames;
    // The GIF files of the element's pictures, as many as its state asks for (container).
    std::vector<std::vector<std::uint8_t>> bitmaps;

    int pictureCount() const { return pictureCountForState(state); }
    bool operator==(const TourElement&) const = default;
};

}  // namespace orbpix
