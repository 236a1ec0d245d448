#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbpix {

struct PanoramaResult;

// One item's colour correction as its "CC" property stores it.
struct ColourCorrection {
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;

    bool isNeutral() const { return brightness == 0 && contrast == 0 && saturation == 0; }
    friend bool operator==(const ColourCorrection&, const ColourCorrection&) = default;
};

// The ranges of the editing window's sliders.
inline constexpr int kBrightnessLimit = 128;
inline constexpr int kContrastLimit = 128;
inline constexpr int kSaturationLimit = 255;

// "b,c,s"; the inverse accepts the same three integers (a missing property is 0,0,0 for the
// caller to decide) and nothing else.
std::string formatColourCorrection(const ColourCorrection& cc);
std::optional<ColourCorrection> parseColourCorrection(std::string_view text);

// A tone table and a 3 × 4 colour matrix (units of 1/1024), each with its own switch, applied
// to 32-bit blue-green-red pixels in one pass. The fourth byte of a pixel is never touched.
// Every pass gives the same bytes as the plain table lookup and matrix arithmetic; where the
// processor allows, eight or sixteen pixels are worked on at a time.
class ColourAdjuster {
public:
    ColourAdjuster();

    // Rebuilds the tone table; neither switches its pass on.
    void setBrightnessContrast(int brightness, int contrast);
    // Rebuilds the matrix.
    void setSaturation(int value);
    // Both passes off and the tone table back to identity.
    void reset();

    void enableToneTable(bool on) { m_toneOn = on; }
    void enableMatrix(bool on) { m_matrixOn = on; }
    bool toneTableEnabled() const { return m_toneOn; }
    bool matrixEnabled() const { return m_matrixOn; }

    // Builds both passes from a stored correction and switches on the ones that change
    // anything, as the display does.
    void configure(const ColourCorrection& cc);

    const std::array<std::int32_t, 256>& toneTable() const { return m_tone; }
    const std::array<std::int32_t, 12>& matrix() const { return m_matrix; }

    // The single passes regardless of the switches.
    void applyToneTable(std::uint8_t* pixels, std::size_t count) const;
    void applyMatrix(std::uint8_t* pixels, std::size_t count) const;
    void applyToneTableThenMatrix(std::uint8_t* pixels, std::size_t count) const;
    // Whatever the switches say: tone table, then matrix, in one pass when both are on.
    void apply(std::uint8_t* pixels, std::size_t count) const;

private:
    void pass(std::uint8_t* pixels, std::size_t count, bool toneOn, bool matrixOn) const;

    std::array<std::int32_t, 256> m_tone{};
    std::array<std::int32_t, 12> m_matrix{};
    // What the tone table was built from, for the vector form that computes it.
    int m_brightness = 0;
    int m_contrast = 0;
    bool m_toneVector = false;                    // the vector form gives exactly the table
    std::array<std::uint8_t, 256> m_toneBytes{};  // the table as bytes, for byte lookups
    bool m_toneOn = false;
    bool m_matrixOn = false;
};

// The correction that spreads a panorama's luminance and chroma over the full range, read
// from the cumulative histograms (scaled to 0..255) of an unwrap result. Contrast and
// saturation are clamped to the sliders' ranges.
ColourCorrection automaticCorrection(const std::array<std::int32_t, 256>& luminance,
                                     const std::array<std::int32_t, 256>& chroma);

}  // namespace orbpix
