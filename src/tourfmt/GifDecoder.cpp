#include "tourfmt/GifDecoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/BinaryReader.h"

namespace orbpix {

namespace {

constexpr const char* kPrematureEnd = "Premature End Of File reading GIF image\n";
constexpr const char* kOutOfRange = "Error - GIF Image Map Colour out of range\n";
constexpr const char* kNoMemory = "Cannot allocate memory for picture\n";
// Signature, screen size, flags, background colour and aspect ratio.
constexpr std::size_t kScreenDescriptorSize = 13;
// Position, size and flags of an image.
constexpr std::size_t kImageDescriptorSize = 9;
constexpr int kMaxCodes = 4096;

// How reading stopped; each outcome but Refused has its own message.
enum class Outcome { Ok, Invalid, Premature, TooLarge, Refused };

struct ColourTable {
    std::size_t count = 0;
    // Literal codes reach 511 with the largest code size; indices beyond the file's table
    // read as black instead of beyond the table.
    std::array<std::uint8_t, 512 * 3> rgb{};
};

// Everything in front of the image data.
struct GifHeaders {
    ColourTable colours;
    int transparentIndex = -1;
    bool transparent = false;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int minimumCodeSize = 0;
};

Outcome readScreen(BinaryReader& in, ColourTable& colours) {
    BinaryReader screen;
    std::span<const std::uint8_t> signature;
    std::uint8_t flags = 0;
    if (!in.subReader(kScreenDescriptorSize, screen) || !screen.readBytes(6, signature) ||
        !screen.skip(4) || !screen.readU8(flags))
        return Outcome::Invalid;
    const auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    if (signature[0] != 'G' || signature[1] != 'I' || signature[2] != 'F' || !digit(signature[3]) ||
        !digit(signature[4]) || signature[5] <= 64 || signature[5] >= 123 || !(flags & 0x80))
        return Outcome::Invalid;
    colours.count = std::size_t(2) << (flags & 7);
    std::span<const std::uint8_t> table;
    if (!in.readBytes(colours.count * 3, table))
        return Outcome::Premature;
    std::memcpy(colours.rgb.data(), table.data(), std::min(table.size(), colours.rgb.size()));
    return Outcome::Ok;
}

// Reads extensions up to the image separator, which it consumes.
Outcome readExtensions(BinaryReader& in, GifHeaders& headers) {
    std::uint8_t introducer = 0;
    for (;;) {
        if (!in.readU8(introducer))
            return Outcome::Premature;
        if (introducer != '!')
            break;
        std::uint8_t label = 0, length = 0;
        if (!in.readU8(label) || !in.readU8(length))
            return Outcome::Premature;
        while (length != 0) {
            std::span<const std::uint8_t> block;
            if (!in.readBytes(length, block) || !in.readU8(length))
                return Outcome::Premature;
            // The last data byte of an extension names the transparent colour.
            headers.transparentIndex = block.back();
            headers.transparent = true;
        }
    }
    return introducer == ',' ? Outcome::Ok : Outcome::Invalid;
}

Outcome readImageDescriptor(BinaryReader& in, GifHeaders& headers) {
    BinaryReader descriptor;
    std::uint16_t width = 0, height = 0;
    std::uint8_t flags = 0, codeSize = 0;
    if (!in.subReader(kImageDescriptorSize, descriptor) || !descriptor.skip(4) ||
        !descriptor.readU16LE(width) || !descriptor.readU16LE(height) || !descriptor.readU8(flags))
        return Outcome::Premature;
    headers.width = width;
    headers.height = height;
    headers.interlaced = (flags & 0x40) != 0;
    // Only the global colour table is understood; a local one would be read as picture data.
    if ((flags & 0x80) || width == 0 || height == 0)
        return Outcome::Invalid;
    if (std::int64_t(width) * height > GifDecoder::kMaxPixels)
        return Outcome::TooLarge;
    if (!in.readU8(codeSize))
        return Outcome::Premature;
    headers.minimumCodeSize = codeSize;
    return codeSize < 2 || codeSize > 9 ? Outcome::Refused : Outcome::Ok;
}

Outcome readHeaders(BinaryReader& in, GifHeaders& headers) {
    Outcome outcome = readScreen(in, headers.colours);
    if (outcome == Outcome::Ok)
        outcome = readExtensions(in, headers);
    if (outcome == Outcome::Ok)
        outcome = readImageDescriptor(in, headers);
    return outcome;
}

// Codes of varying width, least significant bit first, across the image's data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(BinaryReader& in) : m_in(in) {}
    bool read(int width, int& code) {
        while (m_bits < width) {
            if (m_blockLeft == 0) {
                std::uint8_t length = 0;
                if (m_ended || !m_in.readU8(length) || length == 0) {
                    m_ended = true;
                    return false;
                }
                m_blockLeft = length;
            }
            std::uint8_t byte = 0;
            if (!m_in.readU8(byte)) {
                m_ended = true;
                return false;
            }
            --m_blockLeft;
            m_buffer |= std::uint32_t(byte) << m_bits;
            m_bits += 8;
        }
        code = int(m_buffer & ((1u << width) - 1));
        m_buffer >>= width;
        m_bits -= width;
        return true;
    }

private:
    BinaryReader& m_in;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
    int m_blockLeft = 0;
    bool m_ended = false;
};

// Puts decoded colour indices into the picture, rows in the order the data delivers them.
class PixelWriter {
public:
    PixelWriter(GifPicture& picture, const GifHeaders& headers)
        : m_picture(picture),
          m_colours(headers.colours),
          m_transparentIndex(headers.transparentIndex),
          m_width(std::size_t(headers.width)),
          m_total(std::size_t(headers.width) * std::size_t(headers.height)),
          m_rows(gifRowOrder(headers.height, headers.interlaced)) {
        picture.width = headers.width;
        picture.height = headers.height;
        picture.transparent = headers.transparent;
        picture.pixels.assign(m_total * 3, 0);
    }

    bool full() const { return m_done >= m_total; }
    bool outOfRange() const { return m_outOfRange; }

    void put(int index) {
        if (full())
            return;
        const std::size_t y = std::size_t(m_rows[m_done / m_width]);
        const std::size_t x = m_done % m_width;
        std::uint8_t* p = m_picture.pixels.data() + (y * m_width + x) * 3;
        const std::uint8_t* c = m_colours.rgb.data() + 3 * index;
        p[0] = c[2];
        p[1] = c[1];
        p[2] = c[0];
        if (std::size_t(index) >= m_colours.count)
            m_outOfRange = true;
        if (index == m_transparentIndex) {
            m_picture.red = c[0];
            m_picture.green = c[1];
            m_picture.blue = c[2];
        }
        ++m_done;
    }

private:
    GifPicture& m_picture;
    const ColourTable& m_colours;
    int m_transparentIndex;
    std::size_t m_width;
    std::size_t m_total;
    std::vector<int> m_rows;
    std::size_t m_done = 0;
    bool m_outOfRange = false;
};

// The decompressor's string table: each code past the literals stands for an earlier code's
// string followed by one character.
class LzwTable {
public:
    explicit LzwTable(int minimumSize)
        : m_minimumSize(minimumSize),
          m_clear(1 << minimumSize),
          m_prefix(kMaxCodes, -1),
          m_suffix(kMaxCodes, 0),
          m_first(kMaxCodes, 0),
          m_stack(kMaxCodes + 1) {
        for (int i = 0; i < m_clear; ++i) {
            m_suffix[std::size_t(i)] = std::uint16_t(i);
            m_first[std::size_t(i)] = std::uint16_t(i);
        }
        reset();
    }

    int clearCode() const { return m_clear; }
    int endCode() const { return m_clear + 1; }
    int codeWidth() const { return m_width; }

    void reset() {
        m_width = m_minimumSize + 1;
        m_next = m_clear + 2;
    }

    // A code may name a defined string or the one being defined, while there is room for it.
    bool accepts(int code) const { return code < m_next || (code == m_next && m_next < kMaxCodes); }

    // Writes the string of code and defines the next code as previous's string followed by
    // that string's first character.
    void expand(int code, int previous, PixelWriter& pixels) {
        // A code just being defined is the previous string followed by its own first character.
        std::size_t depth = 0;
        int walk = code;
        if (code == m_next) {
            m_stack[depth++] = m_first[std::size_t(previous)];
            walk = previous;
        }
        while (walk >= 0) {
            m_stack[depth++] = m_suffix[std::size_t(walk)];
            walk = walk < m_clear ? -1 : m_prefix[std::size_t(walk)];
        }
        const std::uint16_t head = m_stack[depth - 1];
        while (depth > 0)
            pixels.put(m_stack[--depth]);
        if (m_next < kMaxCodes) {
            m_prefix[std::size_t(m_next)] = std::int16_t(previous);
            m_suffix[std::size_t(m_next)] = head;
            m_first[std::size_t(m_next)] = m_first[std::size_t(previous)];
            ++m_next;
            if (m_next == (1 << m_width) && m_width < 12)
                ++m_width;
        }
    }

private:
    int m_minimumSize;
    int m_clear;
    int m_width = 0;
    int m_next = 0;
    std::vector<std::int16_t> m_prefix;
    std::vector<std::uint16_t> m_suffix, m_first, m_stack;
};

// Decodes until the picture is full, the end code or the end of the data. False on a code
// the table cannot know yet.
bool decodeLzw(BinaryReader& in, int minimumSize, PixelWriter& pixels) {
    LzwTable table(minimumSize);
    CodeReader codes(in);
    int previous = -1;
    while (!pixels.full()) {
        int code = 0;
        if (!codes.read(table.codeWidth(), code) || code == table.endCode())
            return true;
        if (code == table.clearCode()) {
            table.reset();
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= table.clearCode())
                return false;
            pixels.put(code);
        } else {
            if (!table.accepts(code))
                return false;
            table.expand(code, previous, pixels);
        }
        previous = code;
    }
    return true;
}

}  // namespace

std::vector<int> gifRowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(std::size_t(std::max(height, 0)));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    constexpr int starts[] = {0, 4, 2, 1};
    constexpr int steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            rows.push_back(y);
    return rows;
}

GifDecoder::GifDecoder()
    : m_sink([](const std::string& message) { std::fputs(message.c_str(), stderr); }) {}

void GifDecoder::say(const std::string& message) const {
    if (m_sink)
        m_sink(message);
}

std::optional<GifPicture> GifDecoder::decode(std::span<const std::uint8_t> data,
                                             const std::string& name) const {
    const std::string invalid = "Invalid GIF file format: " + name + "\n";
    BinaryReader in(data);
    GifHeaders headers;
    switch (readHeaders(in, headers)) {
        case Outcome::Ok:
            break;
        case Outcome::Invalid:
            say(invalid);
            return std::nullopt;
        case Outcome::Premature:
            say(kPrematureEnd);
            return std::nullopt;
        case Outcome::TooLarge:
            say(kNoMemory);
            return std::nullopt;
        case Outcome::Refused:
            return std::nullopt;
    }
    GifPicture picture;
    PixelWriter pixels(picture, headers);
    const bool wellFormed = decodeLzw(in, headers.minimumCodeSize, pixels);
    if (pixels.outOfRange())
        say(kOutOfRange);
    if (!wellFormed)
        say(invalid);
    else if (!pixels.full())
        say(kPrematureEnd);
    else
        return picture;
    return std::nullopt;
}

std::optional<GifPicture> GifDecoder::decodeFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        say("Cannot open GIF file " + path + "\n");
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return decode(bytes, path);
}

}  // namespace orbpix
