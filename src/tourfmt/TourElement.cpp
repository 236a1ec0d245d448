#include "tourfmt/TourElement.h"

#include <string_view>

namespace orbpix {

namespace {

struct NamedCode {
    const char* name;
    std::int32_t code;
};

constexpr NamedCode kTypeNames[] = {
    {"TypeLogo", kTypeLogo},
    {"TypeCancel", kTypeCancel},
    {"TypeScrollH", kTypeScrollUp},
    {"TypeScrollB", kTypeScrollDown},
    {"TypeFrame", kTypeFrame},
    {"TypeTitleAlbum", kTypeAlbumTitle},
    {"TypeTitleNameFile", kTypePictureName},
    {"TypeView3D", kTypeView},
    {"TypeSizeM", kTypeMaximise},
    {"TypeSizeR", kTypeMinimise},
    {"TypeBarre", kTypeBar},
    {"TypeZoomP", kTypeZoomIn},
    {"TypeZoomM", kTypeZoomOut},
    {"TypePrecedent", kTypePrevious},
    {"TypeSuivant", kTypeNext},
    {"TypeInfo", kTypeInfo},
};

constexpr NamedCode kStateNames[] = {
    {"Up", kStateUp},
    {"UpDown", kStateUpDown},
    {"UpDownRollover", kStateUpDownRollover},
    {"UpRollover", kStateUpRollover},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

template <std::size_t N>
std::int32_t lookUp(const NamedCode (&table)[N], std::string_view name, std::int32_t unknown) {
    const std::string_view key = trimmed(name);
    for (const NamedCode& entry : table)
        if (sameIgnoringCase(key, entry.name))
            return entry.code;
    return unknown;
}

template <std::size_t N>
std::string nameOf(const NamedCode (&table)[N], std::int32_t code, const char* unknown) {
    for (const NamedCode& entry : table)
        if (entry.code == code)
            return entry.name;
    return unknown;
}

}  // namespace

int pictureCountForState(std::int32_t state) {
    switch (state) {
        case kStateUp:
            return 1;
        case kStateUpDown:
        case kStateUpRollover:
            return 2;
        case kStateUpDownRollover:
            return 3;
        default:
            return 0;
    }
}

std::int32_t elementTypeForName(std::string_view name) {
    return lookUp(kTypeNames, name, kTypeUnknown);
}

std::int32_t elementStateForName(std::string_view name) {
    return lookUp(kStateNames, name, kStateNone);
}

std::string elementTypeName(std::int32_t type) {
    return nameOf(kTypeNames, type, "TypeUnknown");
}

std::string elementStateName(std::int32_t state) {
    return nameOf(kStateNames, state, "None");
}

}  // namespace orbpix
