#include "xwin/Text.h"

#include <cmath>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

// The rasteriser's code predates our warning set; its warnings are silenced for it alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wpedantic"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

extern const unsigned char kLiberationSansBold[];
extern const std::size_t kLiberationSansBoldSize;

namespace orbpix::xwin {

std::u32string decodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07;
        } else {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        bool valid = i + std::size_t(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + std::size_t(k)]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (valid &&
            (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)))
            valid = false;
        if (!valid) {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(code);
        i += std::size_t(extra) + 1;
    }
    return out;
}

std::u32string fitWithEllipsis(std::u32string_view text, int width,
                               const std::function<int(std::u32string_view)>& measure) {
    if (measure(text) <= width)
        return std::u32string(text);
    static constexpr std::u32string_view kEllipsis = U"...";
    // Widths grow with length, so the longest start that fits is found by halving.
    std::size_t low = 0;
    std::size_t high = text.size();
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        std::u32string candidate(text.substr(0, mid));
        candidate += kEllipsis;
        if (measure(candidate) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    std::u32string fitted(text.substr(0, low));
    fitted += kEllipsis;
    if (low > 0 || measure(fitted) <= width)
        return fitted;
    std::u32string dots(kEllipsis);
    while (!dots.empty() && measure(dots) > width)
        dots.pop_back();
    return dots;
}

struct Font::Face {
    stbtt_fontinfo info{};
    int ascent = 0;
    int descent = 0;
    int lineGap = 0;

    struct Glyph {
        int x0 = 0;
        int y0 = 0;
        int width = 0;
        int height = 0;
        std::vector<unsigned char> coverage;
    };
    // Rasterised glyphs by height and code point; the texts of a tour use few of them.
    mutable std::mutex glyphLock;
    mutable std::map<std::pair<int, char32_t>, Glyph> glyphs;

    float scale(int height) const { return stbtt_ScaleForPixelHeight(&info, float(height)); }

    const Glyph& glyph(char32_t code, int height) const {
        const auto key = std::make_pair(height, code);
        auto found = glyphs.find(key);
        if (found != glyphs.end())
            return found->second;
        Glyph g;
        const float s = scale(height);
        int x1 = 0;
        int y1 = 0;
        stbtt_GetCodepointBitmapBox(&info, int(code), s, s, &g.x0, &g.y0, &x1, &y1);
        g.width = std::max(0, x1 - g.x0);
        g.height = std::max(0, y1 - g.y0);
        g.coverage.resize(std::size_t(g.width) * std::size_t(g.height));
        if (!g.coverage.empty())
            stbtt_MakeCodepointBitmap(&info, g.coverage.data(), g.width, g.height, g.width, s, s,
                                      int(code));
        return glyphs.emplace(key, std::move(g)).first->second;
    }
};

Font::Font(std::unique_ptr<Face> face) : m_face(std::move(face)) {}
Font::~Font() = default;

const Font* Font::boldSans() {
    static const Font* font = []() -> const Font* {
        auto face = std::make_unique<Face>();
        const int offset = stbtt_GetFontOffsetForIndex(kLiberationSansBold, 0);
        if (kLiberationSansBoldSize < 12 || offset < 0 ||
            !stbtt_InitFont(&face->info, kLiberationSansBold, offset))
            return nullptr;
        stbtt_GetFontVMetrics(&face->info, &face->ascent, &face->descent, &face->lineGap);
        return new Font(std::move(face));  // lives as long as the program
    }();
    return font;
}

namespace {

// Each glyph's advance and the kerning with the glyph before it, in unscaled font units.
template <class Visit>
void layout(const stbtt_fontinfo& info, std::u32string_view text, float scale, Visit visit) {
    float x = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t code = text[i];
        if (code == U'\n' || code == U'\r')
            break;
        if (i > 0)
            x += scale * float(stbtt_GetCodepointKernAdvance(&info, int(text[i - 1]), int(code)));
        int advance = 0;
        int bearing = 0;
        stbtt_GetCodepointHMetrics(&info, int(code), &advance, &bearing);
        visit(code, x);
        x += scale * float(advance);
    }
    visit(U'\0', x);
}

}  // namespace

int Font::width(std::u32string_view text, int height) const {
    float end = 0;
    layout(m_face->info, text, m_face->scale(height), [&](char32_t, float x) { end = x; });
    return int(std::ceil(end));
}

void Font::draw(const ImageView& target, const Rect& clip, int x, int y, std::u32string_view text,
                int height, Rgb colour) const {
    const Rect area = clip.intersected(target.bounds());
    if (area.isEmpty() || height <= 0)
        return;
    const float s = m_face->scale(height);
    const int baseline = y + int(std::lround(float(m_face->ascent) * s));
    std::lock_guard lock(m_face->glyphLock);
    layout(m_face->info, text, s, [&](char32_t code, float at) {
        if (code == U'\0')
            return;
        const Face::Glyph& g = m_face->glyph(code, height);
        const int left = x + int(std::lround(at)) + g.x0;
        const int top = baseline + g.y0;
        const Rect box = Rect::ofSize(left, top, g.width, g.height).intersected(area);
        for (int py = box.top; py < box.bottom; ++py) {
            const unsigned char* cover =
                g.coverage.data() + std::size_t(py - top) * std::size_t(g.width);
            for (int px = box.left; px < box.right; ++px) {
                const unsigned alpha = cover[px - left];
                if (alpha == 0)
                    continue;
                std::uint8_t* p = target.pixel(px, py);
                const auto blend = [alpha](std::uint8_t under, std::uint8_t over) {
                    return std::uint8_t((over * alpha + under * (255 - alpha) + 127) / 255);
                };
                p[0] = blend(p[0], colour.blue);
                p[1] = blend(p[1], colour.green);
                p[2] = blend(p[2], colour.red);
            }
        }
    });
}

void drawShadowedText(const ImageView& target, const Rect& box, std::string_view utf8, int height,
                      Rgb colour, const Rect& clip) {
    const Font* font = Font::boldSans();
    if (!font || box.isEmpty())
        return;
    const std::u32string shown =
        fitWithEllipsis(decodeUtf8(utf8), box.width(),
                        [&](std::u32string_view t) { return font->width(t, height); });
    const Rect shadow{box.left + 1, box.top + 1, box.right + 1, box.bottom + 1};
    font->draw(target, shadow.intersected(clip), shadow.left, shadow.top, shown, height, Rgb{});
    font->draw(target, box.intersected(clip), box.left, box.top, shown, height, colour);
}

}  // namespace orbpix::xwin
