#include "tourfmt/GifEncoder.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "tourfmt/GifDecoder.h"

namespace orbpix {

namespace {

constexpr int kMaxCodes = 4096;

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

// The smallest power of two, at least 2, that holds the palette, as a bit count.
int colourTableBits(const GifImage& image) {
    const std::size_t entries =
        std::max<std::size_t>(2, std::min<std::size_t>(256, image.palette.size() / 3));
    int bits = 1;
    while ((std::size_t(1) << bits) < entries)
        ++bits;
    return bits;
}

// Signature, screen descriptor, colour table, transparency and image descriptor.
std::vector<std::uint8_t> headers(const GifImage& image, int tableBits) {
    const std::string_view signature = image.transparentIndex ? "GIF89a" : "GIF87a";
    std::vector<std::uint8_t> out(signature.begin(), signature.end());
    put16(out, image.width);
    put16(out, image.height);
    out.push_back(std::uint8_t(0x80 | (tableBits - 1) << 4 | (tableBits - 1)));
    out.push_back(0);
    out.push_back(0);
    for (std::size_t i = 0; i < (std::size_t(1) << tableBits) * 3; ++i)
        out.push_back(i < image.palette.size() ? image.palette[i] : 0);
    if (image.transparentIndex)
        out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, *image.transparentIndex, 0});
    out.push_back(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, image.width);
    put16(out, image.height);
    out.push_back(image.interlaced ? 0x40 : 0);
    return out;
}

// The indices in the order the rows travel.
std::vector<std::uint8_t> rowsInTransferOrder(const GifImage& image) {
    std::vector<std::uint8_t> data;
    data.reserve(image.indices.size());
    for (const int y : gifRowOrder(image.height, image.interlaced)) {
        const auto begin = image.indices.begin() + std::ptrdiff_t(y) * image.width;
        data.insert(data.end(), begin, begin + image.width);
    }
    return data;
}

// Codes of growing width, least significant bit first.
class CodePacker {
public:
    explicit CodePacker(int width) : m_width(width) {}
    void emit(int code) {
        m_buffer |= std::uint32_t(code) << m_bits;
        m_bits += m_width;
        while (m_bits >= 8) {
            m_packed.push_back(std::uint8_t(m_buffer));
            m_buffer >>= 8;
            m_bits -= 8;
        }
    }
    int width() const { return m_width; }
    void setWidth(int width) { m_width = width; }
    std::vector<std::uint8_t> finish() {
        if (m_bits > 0)
            m_packed.push_back(std::uint8_t(m_buffer));
        return std::move(m_packed);
    }

private:
    std::vector<std::uint8_t> m_packed;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
    int m_width;
};

std::vector<std::uint8_t> compressLzw(const std::vector<std::uint8_t>& data, int minimumSize) {
    const int clear = 1 << minimumSize;
    CodePacker codes(minimumSize + 1);
    std::unordered_map<std::uint32_t, int> dictionary;
    int next = clear + 2;
    codes.emit(clear);
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
        codes.emit(current);
        if (next < kMaxCodes) {
            dictionary[key] = next++;
            if (next > (1 << codes.width()) && codes.width() < 12)
                codes.setWidth(codes.width() + 1);
        } else {
            codes.emit(clear);
            dictionary.clear();
            next = clear + 2;
            codes.setWidth(minimumSize + 1);
        }
        current = index;
    }
    if (current >= 0)
        codes.emit(current);
    codes.emit(clear + 1);
    return codes.finish();
}

void writeSubBlocks(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& packed) {
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - at);
        out.push_back(std::uint8_t(n));
        out.insert(out.end(), packed.begin() + std::ptrdiff_t(at),
                   packed.begin() + std::ptrdiff_t(at + n));
    }
    out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> encodeGif(const GifImage& image) {
    const int tableBits = colourTableBits(image);
    std::vector<std::uint8_t> out = headers(image, tableBits);
    const int minimumSize = std::max(2, tableBits);
    out.push_back(std::uint8_t(minimumSize));
    writeSubBlocks(out, compressLzw(rowsInTransferOrder(image), minimumSize));
    out.push_back(';');
    return out;
}

}  // namespace orbpix
