#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace orbpix {

class Album;

// One property change that a caller applies later, for instance as part of an edit step.
struct PropertyChange {
    std::size_t index = 0;
    std::string name;
    std::string value;
};

// Finds the circles of pictures added together: every listed item without "CIRCLES" gets
// them, detected on its picture or the defaults when detection fails. With a change list the
// new values are appended to it; without, they are set on the items directly. A picture that
// cannot be read gets nothing. Answers how many items received circles.
std::size_t detectCirclesOfItems(Album& album, std::span<const std::size_t> indexes,
                                 std::vector<PropertyChange>* changes = nullptr);

}  // namespace orbpix
