#pragma once

#include <string>
#include <string_view>

namespace orbpix {

// The chunk format keeps texts as UTF-16; the suite keeps them as UTF-8. Malformed input
// (a stray continuation byte, a lone surrogate, an overlong or out-of-range sequence)
// becomes U+FFFD instead of being passed on.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace orbpix
