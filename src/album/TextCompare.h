#pragma once

#include <string_view>

namespace orbpix {

// Property, attribute and pattern names compare without regard to case. Letters of the
// ASCII range are folded; other bytes (parts of multibyte characters) compare exactly.
[[nodiscard]] bool equalsIgnoreCase(std::string_view a, std::string_view b);
[[nodiscard]] bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Glob match with "*" and "?", letters folded as above ("*.JPG" matches "x.jpg").
[[nodiscard]] bool matchesPattern(std::string_view name, std::string_view pattern);

}  // namespace orbpix
