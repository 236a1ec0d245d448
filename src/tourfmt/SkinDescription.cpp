#include "tourfmt/SkinDescription.h"

#include <algorithm>
#include <fstream>
#include <limits>

namespace orbpix {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimLeft(std::string text) {
    const auto first = std::find_if(text.begin(), text.end(), [](char c) { return !isBlank(c); });
    text.erase(text.begin(), first);
    return text;
}

std::string trim(std::string text) {
    text = trimLeft(std::move(text));
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
    return text;
}

// The description is one stream of fields. Each operation follows the conversion it
// stands for: a number skips blanks first, a text field takes everything up to the next
// comma (and needs at least one character), a blank in a line's pattern skips any blanks.
// A failed operation leaves the place where the conversion stopped, so the next line
// starts there.
class FieldScanner {
public:
    explicit FieldScanner(std::string_view text) : m_text(text) {}

    void skipBlanks() {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
    }

    bool literal(char c) {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    // A decimal number; values beyond 32 bits are held at the nearest limit.
    bool number(std::int32_t& value) {
        skipBlanks();
        std::size_t p = m_pos;
        bool negative = false;
        if (p < m_text.size() && (m_text[p] == '+' || m_text[p] == '-')) {
            negative = m_text[p] == '-';
            ++p;
        }
        if (p >= m_text.size() || m_text[p] < '0' || m_text[p] > '9')
            return false;
        std::int64_t magnitude = 0;
        while (p < m_text.size() && m_text[p] >= '0' && m_text[p] <= '9') {
            magnitude =
                std::min<std::int64_t>(magnitude * 10 + (m_text[p] - '0'), std::int64_t{1} << 32);
            ++p;
        }
        const std::int64_t signedValue = negative ? -magnitude : magnitude;
        value = std::int32_t(std::clamp<std::int64_t>(signedValue,
                                                      std::numeric_limits<std::int32_t>::min(),
                                                      std::numeric_limits<std::int32_t>::max()));
        m_pos = p;
        return true;
    }

    // Up to the next comma, kept to kMaxSkinField bytes; the whole field is passed over
    // so that a long field cannot spill into the next one.
    bool text(std::string& value) {
        const std::size_t end = std::min(m_text.find(',', m_pos), m_text.size());
        if (end == m_pos)
            return false;
        value.assign(m_text.substr(m_pos, std::min(end - m_pos, kMaxSkinField)));
        m_pos = end;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::int32_t lineCount(std::int32_t count) {
    return std::clamp(count, std::int32_t{0}, kMaxSkinLines);
}

}  // namespace

SkinDescription parseSkinDescriptionText(std::string_view text) {
    FieldScanner in(text);
    SkinDescription skin;

    std::string name;
    (void)(in.text(name) && in.literal(','));

    std::int32_t* headerFields[] = {&skin.buttonCount, &skin.plainCount, &skin.unused1,
                                    &skin.unused2,     &skin.viewLeft,   &skin.viewTop,
                                    &skin.viewWidth,   &skin.viewHeight};
    for (std::int32_t* field : headerFields) {
        if (!in.number(*field) || !in.literal(','))
            break;
        in.skipBlanks();
    }

    TourElement background;
    background.type = kTypeBackground;
    std::string state, picture1, picture2;
    if (in.text(state) && in.literal(',')) {
        in.skipBlanks();
        if (in.text(picture1) && in.literal(',')) {
            in.skipBlanks();
            (void)(in.text(picture2) && in.literal(','));
        }
    }
    background.state = elementStateForName(state);
    background.pictureNames = {trim(picture1), trim(picture2), std::string()};
    skin.elements.push_back(std::move(background));

    TourElement view;
    view.type = kTypeView;
    view.state = kStateNone;
    view.left = skin.viewLeft;
    view.top = skin.viewTop;
    view.width = skin.viewWidth;
    view.height = skin.viewHeight;
    skin.elements.push_back(std::move(view));

    // A field missing from a line keeps what the previous line left in it.
    std::string type;
    std::array<std::string, 3> pictures;
    std::int32_t left = 0, top = 0;
    for (std::int32_t i = 0; i < lineCount(skin.buttonCount); ++i) {
        [&] {
            if (!in.text(type) || !in.literal(',') || !in.text(state) || !in.literal(','))
                return;
            for (std::string& picture : pictures)
                if (!in.text(picture) || !in.literal(','))
                    return;
            if (!in.number(left) || !in.literal(','))
                return;
            in.skipBlanks();
            if (!in.number(top) || !in.literal(','))
                return;
            in.skipBlanks();
        }();
        TourElement button;
        button.type = elementTypeForName(type);
        button.state = elementStateForName(state);
        button.left = left;
        button.top = top;
        for (std::size_t p = 0; p < pictures.size(); ++p)
            button.pictureNames[p] = trimLeft(pictures[p]);
        skin.elements.push_back(std::move(button));
    }

    std::int32_t width = 0;
    for (std::int32_t i = 0; i < lineCount(skin.plainCount); ++i) {
        int converted = 0;
        [&] {
            if (!in.text(type))
                return;
            ++converted;
            for (std::int32_t* field : {&left, &top, &width}) {
                if (!in.literal(','))
                    return;
                in.skipBlanks();
                if (!in.number(*field))
                    return;
                ++converted;
            }
            (void)in.literal(',');
        }();
        TourElement plain;
        plain.type = elementTypeForName(type);
        plain.state = kStateNone;
        plain.left = left;
        plain.top = top;
        const bool widthGiven = converted >= 4;
        switch (plain.type) {
            case kTypeFrame:
                plain.width = widthGiven ? width : 112;
                plain.height = std::int32_t(7 * 20.0 - 1);  // seven list rows, less one
                break;
            case kTypeAlbumTitle:
                plain.width = widthGiven ? width : 300;
                plain.height = 20;
                break;
            case kTypePictureName:
                plain.width = widthGiven ? width : 160;
                plain.height = 20;
                break;
            case kTypeInfo:
                plain.width = widthGiven ? width : 160;
                plain.height = 60;
                break;
            default:
                plain.width = 0;
                plain.height = 0;
                break;
        }
        skin.elements.push_back(std::move(plain));
    }
    return skin;
}

std::optional<SkinDescription> ParseSkinDescription(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // A description is a few kilobytes; anything past 16 MB is not one and is left unread.
    constexpr std::size_t kMaxBytes = std::size_t{16} << 20;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    std::string text(std::min(kMaxBytes, std::size_t(std::max<std::streamoff>(size, 0))), '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    return parseSkinDescriptionText(text);
}

std::string formatSkinDescription(const SkinDescription& skin, std::string_view skinName) {
    const auto field = [](const std::string& name) {
        return name.empty() ? std::string("-") : name;
    };
    std::string out = field(std::string(skinName)) + ",\n";
    const std::size_t buttons =
        std::min<std::size_t>(std::size_t(std::max(skin.buttonCount, 0)),
                              skin.elements.size() > 2 ? skin.elements.size() - 2 : 0);
    const std::size_t plains = skin.elements.size() > 2 ? skin.elements.size() - 2 - buttons : 0;
    out += std::to_string(buttons) + ", " + std::to_string(plains) + ", " +
           std::to_string(skin.unused1) + ", " + std::to_string(skin.unused2) + ", " +
           std::to_string(skin.viewLeft) + ", " + std::to_string(skin.viewTop) + ", " +
           std::to_string(skin.viewWidth) + ", " + std::to_string(skin.viewHeight) + ",\n";
    if (!skin.elements.empty()) {
        const TourElement& background = skin.elements[0];
        out += elementStateName(background.state) + ", " + field(background.pictureNames[0]) +
               ", " + field(background.pictureNames[1]) + ",\n";
    } else {
        out += "None, -, -,\n";
    }
    for (std::size_t i = 0; i < buttons; ++i) {
        const TourElement& e = skin.elements[2 + i];
        out += elementTypeName(e.type) + "," + elementStateName(e.state) + ",";
        for (const std::string& picture : e.pictureNames)
            out += field(picture) + ",";
        out += std::to_string(e.left) + ", " + std::to_string(e.top) + ",\n";
    }
    for (std::size_t i = 0; i < plains; ++i) {
        const TourElement& e = skin.elements[2 + buttons + i];
        out += elementTypeName(e.type) + ", " + std::to_string(e.left) + ", " +
               std::to_string(e.top) + ", " + std::to_string(e.width) + ",\n";
    }
    return out;
}

}  // namespace orbpix
