// Parses arbitrary bytes as a tour skin description and writes it back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tourfmt/SkinDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orbpix;
    const SkinDescription skin =
        parseSkinDescriptionText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (skin.elements.size() < 2 || skin.elements.size() > 2 + 2 * std::size_t(kMaxSkinLines))
        std::abort();
    for (const TourElement& element : skin.elements)
        for (const auto& name : element.pictureNames)
            if (name.size() > kMaxSkinField)
                std::abort();
    (void)formatSkinDescription(skin, "fuzz");
    return 0;
}
