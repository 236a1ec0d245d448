#include "tourfmt/GifDecoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <unordered_map>

namespace orbpix {

namespace {

constexpr const char* kPrematureEnd = "Premature End Of File reading GIF image\n";
constexpr const char* kOutOfRange = "Error - GIF Image Map Colour out of range\n";
constexpr const char* kNoMemory = "Cannot allocate memory for picture\n";
constexpr int kMaxCodes = 4096;

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> data) : m_data(data) {}
    bool next(std::uint8_t& byte) {
        if (m_pos >= m_data.size())
            return false;
        byte = m_data[m_pos++];
        return true;
    }
    bool take(std::size_t count, std::span<const std::uint8_t>& bytes) {
        if (count > m_data.size() - m_pos)
            return false;
        bytes = m_data.subspan(m_pos, count);
        m_pos += count;
        return true;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

// Codes of varying width, least significant bit first, across the image's data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(ByteCursor& in) : m_in(in) {}
    bool read(int width, int& code) {
        while (m_bits < width) {
            if (m_blockLeft == 0) {
                std::uint8_t length = 0;
                if (m_ended || !m_in.next(length) || length == 0) {
                    m_ended = true;
                    return false;
                }
                m_blockLeft = length;
            }
            std::uint8_t byte = 0;
            if (!m_in.next(byte)) {
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
    ByteCursor& m_in;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
    int m_blockLeft = 0;
    bool m_ended = false;
};

}  // namespace

GifDecoder::GifDecoder()
    : m_sink([](const std::string& message) { std::fputs(message.c_str(), stderr); }) {}

std::optional<GifPicture> GifDecoder::decode(std::span<const std::uint8_t> data,
                                             const std::string& name) const {
    const auto say = [&](const std::string& message) {
        if (m_sink)
            m_sink(message);
    };
    const auto invalid = [&]() -> std::optional<GifPicture> {
        say("Invalid GIF file format: " + name + "\n");
        return std::nullopt;
    };
    const auto premature = [&]() -> std::optional<GifPicture> {
        say(kPrematureEnd);
        return std::nullopt;
    };

    ByteCursor in(data);
    std::span<const std::uint8_t> header;
    if (!in.take(13, header))
        return invalid();
    const auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    if (header[0] != 'G' || header[1] != 'I' || header[2] != 'F' || !digit(header[3]) ||
        !digit(header[4]) || header[5] <= 64 || header[5] >= 123 || !(header[10] & 0x80))
        return invalid();
    const std::size_t colours = std::size_t(2) << (header[10] & 7);
    std::span<const std::uint8_t> tableBytes;
    if (!in.take(colours * 3, tableBytes))
        return premature();
    // Literal codes reach 511 with the largest code size; indices beyond the file's table
    // read as black instead of beyond the table.
    std::array<std::uint8_t, 512 * 3> table{};
    std::memcpy(table.data(), tableBytes.data(), std::min(tableBytes.size(), table.size()));

    GifPicture picture;
    int transparentIndex = -1;
    std::uint8_t byte = 0;
    for (;;) {
        if (!in.next(byte))
            return premature();
        if (byte != '!')
            break;
        std::uint8_t label = 0, length = 0;
        if (!in.next(label) || !in.next(length))
            return premature();
        while (length != 0) {
            std::span<const std::uint8_t> block;
            if (!in.take(length, block) || !in.next(length))
                return premature();
            // The last data byte of an extension names the transparent colour.
            transparentIndex = block.back();
            picture.transparent = true;
        }
    }
    if (byte != ',')
        return invalid();
    std::span<const std::uint8_t> descriptor;
    if (!in.take(9, descriptor))
        return premature();
    const int width = descriptor[4] | descriptor[5] << 8;
    const int height = descriptor[6] | descriptor[7] << 8;
    const bool interlaced = (descriptor[8] & 0x40) != 0;
    // Only the global colour table is understood; a local one would be read as picture data.
    if (descriptor[8] & 0x80)
        return invalid();
    if (width == 0 || height == 0)
        return invalid();
    if (std::int64_t(width) * height > kMaxPixels) {
        say(kNoMemory);
        return std::nullopt;
    }

    std::uint8_t minimumSize = 0;
    if (!in.next(minimumSize))
        return premature();
    if (minimumSize < 2 || minimumSize > 9)
        return std::nullopt;

    // The rows in the order the data delivers them.
    std::vector<int> rows;
    rows.reserve(std::size_t(height));
    if (interlaced) {
        constexpr int starts[] = {0, 4, 2, 1};
        constexpr int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < height; y += steps[pass])
                rows.push_back(y);
    } else {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
    }

    picture.width = width;
    picture.height = height;
    picture.pixels.assign(std::size_t(width) * std::size_t(height) * 3, 0);
    const std::size_t total = std::size_t(width) * std::size_t(height);
    std::size_t done = 0;
    bool outOfRange = false;
    const auto put = [&](int index) {
        if (done >= total)
            return;
        const std::size_t y = std::size_t(rows[done / std::size_t(width)]);
        const std::size_t x = done % std::size_t(width);
        std::uint8_t* p = picture.pixels.data() + (y * std::size_t(width) + x) * 3;
        const std::uint8_t* c = table.data() + 3 * index;
        p[0] = c[2];
        p[1] = c[1];
        p[2] = c[0];
        if (std::size_t(index) >= colours)
            outOfRange = true;
        if (index == transparentIndex) {
            picture.red = c[0];
            picture.green = c[1];
            picture.blue = c[2];
        }
        ++done;
    };

    const int clear = 1 << minimumSize;
    const int end = clear + 1;
    std::vector<std::int16_t> prefix(kMaxCodes, -1);
    std::vector<std::uint16_t> suffix(kMaxCodes, 0), first(kMaxCodes, 0);
    for (int i = 0; i < clear; ++i) {
        suffix[std::size_t(i)] = std::uint16_t(i);
        first[std::size_t(i)] = std::uint16_t(i);
    }
    std::vector<std::uint16_t> stack(kMaxCodes + 1);
    CodeReader codes(in);
    int codeWidth = minimumSize + 1;
    int next = clear + 2;
    int previous = -1;
    bool malformed = false;
    while (done < total) {
        int code = 0;
        if (!codes.read(codeWidth, code))
            break;
        if (code == clear) {
            codeWidth = minimumSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            break;
        if (previous < 0) {
            if (code >= clear) {
                malformed = true;
                break;
            }
            put(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kMaxCodes)) {
            malformed = true;
            break;
        }
        // Unwind the string for the code; a code just being defined is the previous
        // string followed by its own first character.
        std::size_t depth = 0;
        int walk = code;
        if (code == next) {
            stack[depth++] = first[std::size_t(previous)];
            walk = previous;
        }
        while (walk >= 0) {
            stack[depth++] = suffix[std::size_t(walk)];
            walk = walk < clear ? -1 : prefix[std::size_t(walk)];
        }
        const std::uint16_t head = stack[depth - 1];
        while (depth > 0)
            put(stack[--depth]);
        if (next < kMaxCodes) {
            prefix[std::size_t(next)] = std::int16_t(previous);
            suffix[std::size_t(next)] = head;
            first[std::size_t(next)] = first[std::size_t(previous)];
            ++next;
            if (next == (1 << codeWidth) && codeWidth < 12)
                ++codeWidth;
        }
        previous = code;
    }
    if (outOfRange)
        say(kOutOfRange);
    if (malformed)
        return invalid();
    if (done < total)
        return premature();
    return picture;
}

std::optional<GifPicture> GifDecoder::decodeFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (m_sink)
            m_sink("Cannot open GIF file " + path + "\n");
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return decode(bytes, path);
}

std::vector<std::uint8_t> encodeGif(const GifImage& image) {
    const std::size_t entries =
        std::max<std::size_t>(2, std::min<std::size_t>(256, image.palette.size() / 3));
    int tableBits = 1;
    while ((std::size_t(1) << tableBits) < entries)
        ++tableBits;
    const std::string_view signature = image.transparentIndex ? "GIF89a" : "GIF87a";
    std::vector<std::uint8_t> out(signature.begin(), signature.end());
    const auto put16 = [&](int v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    put16(image.width);
    put16(image.height);
    out.push_back(std::uint8_t(0x80 | (tableBits - 1) << 4 | (tableBits - 1)));
    out.push_back(0);
    out.push_back(0);
    for (std::size_t i = 0; i < (std::size_t(1) << tableBits) * 3; ++i)
        out.push_back(i < image.palette.size() ? image.palette[i] : 0);
    if (image.transparentIndex) {
        out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, *image.transparentIndex, 0});
    }
    out.push_back(',');
    put16(0);
    put16(0);
    put16(image.width);
    put16(image.height);
    out.push_back(image.interlaced ? 0x40 : 0);

    // The data in the order the rows travel.
    std::vector<std::uint8_t> data;
    data.reserve(image.indices.size());
    const auto row = [&](int y) {
        const auto begin = image.indices.begin() + std::ptrdiff_t(y) * image.width;
        data.insert(data.end(), begin, begin + image.width);
    };
    if (image.interlaced) {
        constexpr int starts[] = {0, 4, 2, 1};
        constexpr int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < image.height; y += steps[pass])
                row(y);
    } else {
        for (int y = 0; y < image.height; ++y)
            row(y);
    }

    const int minimumSize = std::max(2, tableBits);
    out.push_back(std::uint8_t(minimumSize));
    const int clear = 1 << minimumSize;
    std::vector<std::uint8_t> packed;
    std::uint32_t buffer = 0;
    int bits = 0;
    int width = minimumSize + 1;
    const auto emit = [&](int code) {
        buffer |= std::uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            packed.push_back(std::uint8_t(buffer));
            buffer >>= 8;
            bits -= 8;
        }
    };
    std::unordered_map<std::uint32_t, int> dictionary;
    int next = clear + 2;
    emit(clear);
    int current = -1;
    for (const std::uint8_t index : data) {
        if (current < 0) {
            current = index;
            continue;
        }
        const std::uint32_t key = std::uint32_t(current) << 8 | index;
        const auto found = dictionary.find(key);
        if (found != dictionary.end()) {
            current = found->second;
            continue;
        }
        emit(current);
        if (next < kMaxCodes) {
            dictionary[key] = next++;
            if (next > (1 << width) && width < 12)
                ++width;
        } else {
            emit(clear);
            dictionary.clear();
            next = clear + 2;
            width = minimumSize + 1;
        }
        current = index;
    }
    if (current >= 0)
        emit(current);
    emit(clear + 1);
    if (bits > 0)
        packed.push_back(std::uint8_t(buffer));
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - at);
        out.push_back(std::uint8_t(n));
        out.insert(out.end(), packed.begin() + std::ptrdiff_t(at),
                   packed.begin() + std::ptrdiff_t(at + n));
    }
    out.push_back(0);
    out.push_back(';');
    return out;
}

}  // namespace orbpix
