// Draws the default tour skin: a 640 × 480 window with rounded corners, a title bar to drag
// it by, the picture view, the picture list with its scroll buttons, the picture name and
// author lines, and round-cornered buttons that light up under the pointer and sink when
// pressed. Writes skin.ski and the pictures, scrambled as skins keep them, into the folder
// named on the command line. The output depends on nothing but this file.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/ByteStream.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/GifEncoder.h"
#include "tourfmt/SkinDescription.h"

namespace {

using namespace orbpix;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kCornerRadius = 14;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

using Inside = std::function<bool(float x, float y)>;

class Canvas {
public:
    Canvas(int width, int height, Rgb fill = {})
        : m_width(width), m_height(height), m_pixels(std::size_t(width * height), fill) {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rgb at(int x, int y) const { return m_pixels[std::size_t(y * m_width + x)]; }
    Rgb& at(int x, int y) { return m_pixels[std::size_t(y * m_width + x)]; }

    // Covers the shape with the colour, each pixel weighted by how much of it lies inside
    // (16 samples), so that edges are smooth.
    void fill(const Inside& inside, const std::function<Rgb(float, float)>& colour, float x0,
              float y0, float x1, float y1) {
        const int left = std::max(0, int(std::floor(x0)));
        const int top = std::max(0, int(std::floor(y0)));
        const int right = std::min(m_width, int(std::ceil(x1)));
        const int bottom = std::min(m_height, int(std::ceil(y1)));
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                int count = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        count += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4) ? 1 : 0;
                if (count > 0)
                    at(x, y) = mix(at(x, y), colour(x + 0.5f, y + 0.5f), count / 16.0f);
            }
    }
    void fill(const Inside& inside, Rgb colour, float x0, float y0, float x1, float y1) {
        fill(
            inside, [colour](float, float) { return colour; }, x0, y0, x1, y1);
    }

    Canvas crop(int x, int y, int w, int h) const {
        Canvas part(w, h);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                part.at(i, j) = at(x + i, y + j);
        return part;
    }

private:
    int m_width, m_height;
    std::vector<Rgb> m_pixels;
};

Inside roundRect(float x0, float y0, float x1, float y1, float r) {
    return [=](float x, float y) {
        if (x < x0 || x >= x1 || y < y0 || y >= y1)
            return false;
        const float cx = std::clamp(x, x0 + r, x1 - r);
        const float cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}

Inside ring(float cx, float cy, float inner, float outer) {
    return [=](float x, float y) {
        const float d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d >= inner * inner && d <= outer * outer;
    };
}

Inside triangle(std::array<float, 6> p) {
    return [=](float x, float y) {
        const auto edge = [&](int a, int b) {
            return (p[b * 2] - p[a * 2]) * (y - p[a * 2 + 1]) -
                   (p[b * 2 + 1] - p[a * 2 + 1]) * (x - p[a * 2]);
        };
        const float e0 = edge(0, 1), e1 = edge(1, 2), e2 = edge(2, 0);
        return (e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0);
    };
}

Inside segment(float ax, float ay, float bx, float by, float halfWidth) {
    return [=](float x, float y) {
        const float dx = bx - ax, dy = by - ay;
        const float t =
            std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        const float px = ax + t * dx - x, py = ay + t * dy - y;
        return px * px + py * py <= halfWidth * halfWidth;
    };
}

Inside rect(float x0, float y0, float x1, float y1) {
    return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Inside outline(float x0, float y0, float x1, float y1, float t) {
    return [=](float x, float y) {
        return rect(x0, y0, x1, y1)(x, y) && !rect(x0 + t, y0 + t, x1 - t, y1 - t)(x, y);
    };
}

// The palette of the whole skin.
const Rgb kWindowTop{30, 37, 50};
const Rgb kWindowBottom{13, 16, 23};
const Rgb kBarTop{58, 72, 96};
const Rgb kBarBottom{34, 42, 58};
const Rgb kAccent{72, 176, 222};
const Rgb kPanel{9, 11, 16};
const Rgb kPanelEdge{64, 80, 104};
const Rgb kRowStripe{15, 18, 25};
const Rgb kGlyph{222, 231, 242};
const Rgb kGlyphHover{150, 222, 255};

Rgb vertical(Rgb top, Rgb bottom, float y0, float y1, float y) {
    return mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f));
}

void panel(Canvas& c, float x0, float y0, float x1, float y1, float r) {
    c.fill(roundRect(x0, y0, x1, y1, r), kPanelEdge, x0, y0, x1, y1);
    c.fill(roundRect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1), kPanel, x0, y0, x1, y1);
}

// The element layout; skin.ski and the pictures both come from it.
struct ButtonDesign {
    std::int32_t type;
    std::int32_t state;
    const char* name;  // picture names are name.gif, name-hover.gif, name-down.gif
    int left, top, width, height;
    std::function<void(Canvas&, float, float, float, float, Rgb)> glyph;  // in the button
};

void drawButton(Canvas& c, const ButtonDesign& design, int look) {
    const float w = float(design.width), h = float(design.height);
    const Rgb faceTop = look == 0   ? Rgb{66, 82, 108}
                        : look == 1 ? Rgb{82, 104, 138}
                                    : Rgb{30, 38, 52};
    const Rgb faceBottom = look == 0   ? Rgb{40, 50, 68}
                           : look == 1 ? Rgb{52, 68, 94}
                                       : Rgb{44, 56, 76};
    const float r = std::min(w, h) * 0.3f;
    c.fill(roundRect(0, 0, w, h, r), look == 1 ? kAccent : Rgb{20, 25, 34}, 0, 0, w, h);
    c.fill(
        roundRect(1, 1, w - 1, h - 1, r - 1),
        [&](float, float y) { return vertical(faceTop, faceBottom, 1, h - 1, y); }, 0, 0, w, h);
    // A soft highlight on the upper half, absent while pressed.
    if (look != 2)
        c.fill(
            roundRect(3, 2, w - 3, h * 0.5f, r - 2),
            [&](float, float y) {
                return mix(Rgb{255, 255, 255}, faceTop, 0.86f + 0.14f * (y / (h * 0.5f)));
            },
            0, 0, w, h * 0.5f);
    const float shift = look == 2 ? 1.0f : 0.0f;
    design.glyph(c, w / 2 + shift, h / 2 + shift, w, h, look == 1 ? kGlyphHover : kGlyph);
}

void drawLogo(Canvas& c, int look) {
    const float w = float(c.width()), h = float(c.height());
    const float cx = w / 2 + (look == 2 ? 1 : 0), cy = h / 2 - 4 + (look == 2 ? 1 : 0);
    // The ring photograph the suite is about, with a panorama strip running out of it.
    const Rgb glow = look == 1 ? kGlyphHover : kAccent;
    c.fill(
        roundRect(6, cy - 7, w - 6, cy + 7, 7),
        [&](float x, float) {
            return mix(Rgb{40, 60, 84}, glow, 0.5f + 0.5f * std::sin(x / 9));
        },
        0, 0, w, h);
    c.fill(
        ring(cx, cy, 15, 34),
        [&](float x, float y) {
            const float a = std::atan2(y - cy, x - cx);
            return mix(Rgb{24, 40, 62}, glow, 0.55f + 0.45f * std::sin(a * 3));
        },
        0, 0, w, h);
    c.fill(ring(cx, cy, 33, 36), kGlyph, 0, 0, w, h);
    c.fill(ring(cx, cy, 13, 15.5f), kGlyph, 0, 0, w, h);
    // A mountain line inside the ring.
    c.fill(triangle({cx - 10, cy + 6, cx - 2, cy - 6, cx + 6, cy + 6}), kGlyph, 0, 0, w, h);
    c.fill(triangle({cx - 1, cy + 6, cx + 5, cy - 2, cx + 11, cy + 6}), kGlyph, 0, 0, w, h);
}

std::vector<ButtonDesign> buttons() {
    const auto arrow = [](bool right) {
        return [right](Canvas& c, float cx, float cy, float, float h, Rgb g) {
            const float s = h * 0.22f, d = right ? 1.0f : -1.0f;
            c.fill(triangle({cx - d * s, cy - s * 1.2f, cx + d * s, cy, cx - d * s, cy + s * 1.2f}),
                   g, 0, 0, 1000, 1000);
            c.fill(rect(right ? cx - s * 2 : cx + s * 1.3f, cy - s * 1.2f,
                        right ? cx - s * 1.3f : cx + s * 2, cy + s * 1.2f),
                   g, 0, 0, 1000, 1000);
        };
    };
    const auto updown = [](bool up) {
        return [up](Canvas& c, float cx, float cy, float, float h, Rgb g) {
            const float s = h * 0.22f, d = up ? -1.0f : 1.0f;
            c.fill(triangle({cx - s * 1.3f, cy - d * s * 0.6f, cx + s * 1.3f, cy - d * s * 0.6f, cx,
                             cy + d * s * 0.8f}),
                   g, 0, 0, 1000, 1000);
        };
    };
    const auto zoom = [](bool in) {
        return [in](Canvas& c, float cx, float cy, float, float h, Rgb g) {
            const float r = h * 0.2f;
            c.fill(ring(cx - 2, cy - 2, r - 2, r), g, 0, 0, 1000, 1000);
            c.fill(
                segment(cx - 2 + r * 0.7f, cy - 2 + r * 0.7f, cx + r * 1.5f, cy + r * 1.5f, 2.2f),
                g, 0, 0, 1000, 1000);
            c.fill(rect(cx - 2 - r * 0.55f, cy - 3, cx - 2 + r * 0.55f, cy - 1), g, 0, 0, 1000,
                   1000);
            if (in)
                c.fill(rect(cx - 3, cy - 2 - r * 0.55f, cx - 1, cy - 2 + r * 0.55f), g, 0, 0, 1000,
                       1000);
        };
    };
    const auto minimise = [](Canvas& c, float cx, float cy, float, float, Rgb g) {
        c.fill(rect(cx - 6, cy + 3, cx + 6, cy + 5), g, 0, 0, 1000, 1000);
    };
    const auto maximise = [](Canvas& c, float cx, float cy, float, float, Rgb g) {
        c.fill(outline(cx - 6, cy - 5, cx + 6, cy + 6, 1.6f), g, 0, 0, 1000, 1000);
        c.fill(rect(cx - 6, cy - 5, cx + 6, cy - 2.5f), g, 0, 0, 1000, 1000);
    };
    const auto cancel = [](Canvas& c, float cx, float cy, float, float, Rgb g) {
        c.fill(segment(cx - 5, cy - 5, cx + 5, cy + 5, 1.4f), g, 0, 0, 1000, 1000);
        c.fill(segment(cx - 5, cy + 5, cx + 5, cy - 5, 1.4f), g, 0, 0, 1000, 1000);
    };
    return {
        {kTypeMinimise, kStateUpDownRollover, "minimise", 540, 8, 28, 24, minimise},
        {kTypeMaximise, kStateUpDownRollover, "maximise", 572, 8, 28, 24, maximise},
        {kTypeCancel, kStateUpDownRollover, "close", 604, 8, 28, 24, cancel},
        {kTypeScrollUp, kStateUpDownRollover, "list-up", 212, 326, 26, 26, updown(true)},
        {kTypeScrollDown, kStateUpDownRollover, "list-down", 212, 434, 26, 26, updown(false)},
        {kTypePrevious, kStateUpDownRollover, "previous", 250, 414, 48, 40, arrow(false)},
        {kTypeNext, kStateUpDownRollover, "next", 304, 414, 48, 40, arrow(true)},
        {kTypeZoomIn, kStateUpDownRollover, "zoom-in", 366, 414, 48, 40, zoom(true)},
        {kTypeZoomOut, kStateUpDownRollover, "zoom-out", 420, 414, 48, 40, zoom(false)},
    };
}

constexpr int kViewLeft = 16, kViewTop = 46, kViewWidth = 608, kViewHeight = 268;
constexpr int kFrameLeft = 16, kFrameTop = 326, kFrameWidth = 190;
constexpr int kLogoLeft = 488, kLogoTop = 352, kLogoWidth = 136, kLogoHeight = 100;
constexpr int kBarWidth = 530, kBarHeight = 40;

Canvas drawBackground() {
    Canvas c(kWidth, kHeight);
    c.fill(
        rect(0, 0, kWidth, kHeight),
        [](float, float y) { return vertical(kWindowTop, kWindowBottom, 0, kHeight, y); }, 0, 0,
        kWidth, kHeight);
    c.fill(
        rect(0, 0, kWidth, kBarHeight),
        [](float, float y) { return vertical(kBarTop, kBarBottom, 0, kBarHeight, y); }, 0, 0,
        kWidth, kBarHeight);
    c.fill(rect(0, kBarHeight, kWidth, kBarHeight + 2), kAccent, 0, 0, kWidth, kHeight);
    // A thin light rim along the window's edge.
    c.fill(
        [](float x, float y) {
            return roundRect(0, 0, kWidth, kHeight, kCornerRadius)(x, y) &&
                   !roundRect(1, 1, kWidth - 1, kHeight - 1, kCornerRadius - 1)(x, y);
        },
        Rgb{90, 110, 140}, 0, 0, kWidth, kHeight);
    panel(c, kViewLeft - 3, kViewTop - 3, kViewLeft + kViewWidth + 3, kViewTop + kViewHeight + 3,
          4);
    panel(c, kFrameLeft - 4, kFrameTop - 4, kFrameLeft + kFrameWidth + 4, kFrameTop + 139 + 4, 6);
    for (int row = 0; row < 7; row += 2)
        c.fill(rect(kFrameLeft, float(kFrameTop + 20 * row), kFrameLeft + kFrameWidth,
                    float(kFrameTop + 20 * row + 19)),
               kRowStripe, 0, 0, kWidth, kHeight);
    panel(c, 244, 322, 476, 408, 6);
    c.fill(rect(250, 346, 470, 347), kPanelEdge, 0, 0, kWidth, kHeight);
    panel(c, 244, 410, 476, 458, 8);
    panel(c, kLogoLeft - 4, kLogoTop - 4, kLogoLeft + kLogoWidth + 4, kLogoTop + kLogoHeight + 4,
          8);
    return c;
}

// Up to 256 colours: the picture's own when it has no more, else a median cut.
GifImage toGif(const Canvas& c) {
    GifImage gif;
    gif.width = c.width();
    gif.height = c.height();
    std::vector<std::array<std::uint8_t, 3>> pixels;
    std::map<std::array<std::uint8_t, 3>, int> counts;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            const Rgb p = c.at(x, y);
            const std::array<std::uint8_t, 3> q = {
                std::uint8_t(std::clamp(std::lround(p.r), 0L, 255L)),
                std::uint8_t(std::clamp(std::lround(p.g), 0L, 255L)),
                std::uint8_t(std::clamp(std::lround(p.b), 0L, 255L))};
            pixels.push_back(q);
            ++counts[q];
        }
    std::vector<std::array<std::uint8_t, 3>> palette;
    if (counts.size() <= 256) {
        for (const auto& entry : counts)
            palette.push_back(entry.first);
    } else {
        using Colour = std::pair<std::array<std::uint8_t, 3>, int>;
        std::vector<std::vector<Colour>> boxes(1,
                                               std::vector<Colour>(counts.begin(), counts.end()));
        while (boxes.size() < 256) {
            // Split the box with the widest channel at its weighted median.
            std::size_t best = 0;
            int bestChannel = 0, bestRange = -1;
            for (std::size_t b = 0; b < boxes.size(); ++b)
                for (int ch = 0; ch < 3; ++ch) {
                    int lo = 255, hi = 0;
                    for (const Colour& colour : boxes[b]) {
                        lo = std::min<int>(lo, colour.first[std::size_t(ch)]);
                        hi = std::max<int>(hi, colour.first[std::size_t(ch)]);
                    }
                    if (boxes[b].size() > 1 && hi - lo > bestRange) {
                        bestRange = hi - lo;
                        best = b;
                        bestChannel = ch;
                    }
                }
            if (bestRange <= 0)
                break;
            auto& box = boxes[best];
            std::sort(box.begin(), box.end(), [&](const Colour& a, const Colour& b) {
                return a.first[std::size_t(bestChannel)] < b.first[std::size_t(bestChannel)];
            });
            long total = 0, half = 0;
            for (const Colour& colour : box)
                total += colour.second;
            std::size_t cut = 1;
            for (; cut < box.size() - 1; ++cut) {
                half += box[cut - 1].second;
                if (half * 2 >= total)
                    break;
            }
            std::vector<Colour> upper(box.begin() + std::ptrdiff_t(cut), box.end());
            box.resize(cut);
            boxes.push_back(std::move(upper));
        }
        for (const auto& box : boxes) {
            double r = 0, g = 0, b = 0, n = 0;
            for (const Colour& colour : box) {
                r += colour.first[0] * double(colour.second);
                g += colour.first[1] * double(colour.second);
                b += colour.first[2] * double(colour.second);
                n += colour.second;
            }
            palette.push_back({std::uint8_t(std::lround(r / n)), std::uint8_t(std::lround(g / n)),
                               std::uint8_t(std::lround(b / n))});
        }
    }
    std::map<std::array<std::uint8_t, 3>, std::uint8_t> nearest;
    for (const auto& entry : counts) {
        int best = 0;
        long bestDistance = -1;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            long d = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const long diff = long(entry.first[std::size_t(ch)]) - palette[i][std::size_t(ch)];
                d += diff * diff;
            }
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = int(i);
            }
        }
        nearest[entry.first] = std::uint8_t(best);
    }
    for (const auto& colour : palette)
        gif.palette.insert(gif.palette.end(), colour.begin(), colour.end());
    for (const auto& p : pixels)
        gif.indices.push_back(nearest[p]);
    return gif;
}

bool writeScrambled(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    auto file = FileStream::open(path.string(), FileStream::Mode::Create);
    if (!file)
        return false;
    auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
    return stream->write(bytes) && stream->flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SKIN-FOLDER\n", argv[0]);
        return 1;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool ok = true;
    const auto save = [&](const std::string& name, const GifImage& gif) {
        ok = writeScrambled(folder / name, encodeGif(gif)) && ok;
    };

    const Canvas background = drawBackground();
    save("background.gif", toGif(background));

    // The window's shape: outside the rounded rectangle is the transparent colour.
    GifImage mask;
    mask.width = kWidth;
    mask.height = kHeight;
    mask.palette = {255, 0, 255, 0, 0, 0};
    mask.transparentIndex = 0;
    const Inside window = roundRect(0, 0, kWidth, kHeight, kCornerRadius);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            mask.indices.push_back(window(x + 0.5f, y + 0.5f) ? 1 : 0);
    save("mask.gif", mask);

    SkinDescription skin;
    skin.viewLeft = kViewLeft;
    skin.viewTop = kViewTop;
    skin.viewWidth = kViewWidth;
    skin.viewHeight = kViewHeight;
    TourElement back;
    back.type = kTypeBackground;
    back.state = kStateUpDown;
    back.pictureNames = {"background.gif", "mask.gif", ""};
    skin.elements.push_back(back);
    TourElement view;
    view.type = kTypeView;
    skin.elements.push_back(view);

    // The bar looks like the title bar it lies on; it is there to be dragged.
    TourElement bar;
    bar.type = kTypeBar;
    bar.state = kStateUp;
    bar.pictureNames = {"bar.gif", "bar.gif", "bar.gif"};
    save("bar.gif", toGif(background.crop(0, 0, kBarWidth, kBarHeight)));
    skin.elements.push_back(bar);

    const char* suffixes[] = {".gif", "-hover.gif", "-down.gif"};
    for (const ButtonDesign& design : buttons()) {
        TourElement button;
        button.type = design.type;
        button.state = design.state;
        button.left = design.left;
        button.top = design.top;
        for (int look = 0; look < 3; ++look) {
            Canvas picture = background.crop(design.left, design.top, design.width, design.height);
            drawButton(picture, design, look);
            const std::string name = std::string(design.name) + suffixes[look];
            save(name, toGif(picture));
            button.pictureNames[std::size_t(look)] = name;
        }
        skin.elements.push_back(button);
    }

    TourElement logo;
    logo.type = kTypeLogo;
    logo.state = kStateUpRollover;
    logo.left = kLogoLeft;
    logo.top = kLogoTop;
    for (int look = 0; look < 2; ++look) {
        Canvas picture = background.crop(kLogoLeft, kLogoTop, kLogoWidth, kLogoHeight);
        drawLogo(picture, look);
        const std::string name = std::string("logo") + suffixes[look];
        save(name, toGif(picture));
        logo.pictureNames[std::size_t(look)] = name;
    }
    logo.pictureNames[2] = "logo.gif";
    skin.elements.push_back(logo);
    skin.buttonCount = std::int32_t(skin.elements.size() - 2);

    const auto plain = [&](std::int32_t type, int left, int top, int width) {
        TourElement e;
        e.type = type;
        e.left = left;
        e.top = top;
        e.width = width;
        skin.elements.push_back(e);
    };
    plain(kTypeAlbumTitle, 18, 10, 500);
    plain(kTypeFrame, kFrameLeft, kFrameTop, kFrameWidth);
    plain(kTypePictureName, 252, 324, 216);
    plain(kTypeInfo, 252, 348, 216);
    skin.plainCount = std::int32_t(skin.elements.size() - 2) - skin.buttonCount;

    std::ofstream(folder / "skin.ski", std::ios::binary) << formatSkinDescription(skin, "Default");
    if (!ok) {
        std::fprintf(stderr, "the skin pictures could not be written to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
