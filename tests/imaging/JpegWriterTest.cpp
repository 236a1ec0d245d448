#include "imaging/JpegWriter.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "TestImages.h"
#include "core/ByteStream.h"
#include "imaging/ImageStream.h"
#include "imaging/PixelImage.h"

namespace orbpix {
namespace {

using test::Bgr;
using test::makeImage;

// What a RecordingStream saw; kept outside the stream so that it outlives it.
struct StreamLog {
    std::vector<std::size_t> writeSizes;
    std::vector<std::uint8_t> bytes;
    int flushes = 0;
    bool destroyed = false;
};

struct Refusals {
    int firstWrite = 0;  // 1-based number of the first refused write; 0: none
    int writeCount = 1 << 30;
    bool flush = false;
};

// A stream that records every call and refuses the writes or the flush it is told to.
class RecordingStream final : public ByteStream {
public:
    static StreamRef<RecordingStream> create(StreamLog& log, Refusals refusals = {}) {
        return StreamRef<RecordingStream>::adopt(new RecordingStream(log, refusals));
    }

    bool write(std::span<const std::uint8_t> bytes) override {
        const int number = static_cast<int>(m_log.writeSizes.size()) + 1;
        m_log.writeSizes.push_back(bytes.size());
        if (m_refusals.firstWrite > 0 && number >= m_refusals.firstWrite &&
            number < m_refusals.firstWrite + m_refusals.writeCount)
            return false;
        m_log.bytes.insert(m_log.bytes.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool flush() override {
        ++m_log.flushes;
        return !m_refusals.flush;
    }

private:
    RecordingStream(StreamLog& log, Refusals refusals) : m_log(log), m_refusals(refusals) {}
    ~RecordingStream() override { m_log.destroyed = true; }
    StreamLog& m_log;
    Refusals m_refusals;
};

// Installs a handler that collects the messages, for the lifetime of the object.
class CollectedErrors {
public:
    CollectedErrors() {
        setJpegErrorHandler([this](const std::string& message) { m_messages.push_back(message); });
    }
    ~CollectedErrors() { setJpegErrorHandler({}); }
    const std::vector<std::string>& messages() const { return m_messages; }

private:
    std::vector<std::string> m_messages;
};

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* at(int x, int y) const {
        return rgb.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    }
};

struct DecodeErrors {
    jpeg_error_mgr pub;
    std::jmp_buf escape;
};

[[noreturn]] void decodeFailed(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->escape, 1);
}

// Decodes bytes to RGB with libjpeg; false when libjpeg rejects them.
bool decodeJpeg(const std::vector<std::uint8_t>& bytes, Decoded& out) {
    jpeg_decompress_struct cinfo{};
    DecodeErrors errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = decodeFailed;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    out.progressive = cinfo.progressive_mode != 0;
    out.rgb.resize(std::size_t(out.width) * std::size_t(out.height) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.rgb.data() + std::size_t(cinfo.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// The marker codes (second byte) of the segments before the first scan.
std::vector<int> headerMarkers(const std::vector<std::uint8_t>& bytes) {
    std::vector<int> markers;
    std::size_t pos = 2;
    while (pos + 4 <= bytes.size() && bytes[pos] == 0xFF) {
        const int code = bytes[pos + 1];
        markers.push_back(code);
        if (code == 0xDA)
            break;
        pos += 2 + (std::size_t(bytes[pos + 2]) << 8 | bytes[pos + 3]);
    }
    return markers;
}

std::vector<std::uint8_t> encodeToMemory(const PixelImage& image, int quality) {
    auto stream = MemoryStream::create();
    EXPECT_TRUE(encodeJpeg(image, *stream, quality));
    return stream->bytes();
}

PixelImage noiseImage(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    return makeImage(w, h, [&](int, int) {
        return Bgr{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
    });
}

// Red rises to the right, green falls to the right, blue rises downwards: a swap of any
// two channels moves most pixels far away.
PixelImage gradientImage(int w, int h) {
    return makeImage(w, h, [=](int x, int y) {
        const int across = x * 255 / (w - 1);
        return Bgr{std::uint8_t(y * 255 / (h - 1)), std::uint8_t(255 - across),
                   std::uint8_t(across)};
    });
}

TEST(JpegWriterOutput, OnePixelIsABaselineJpegOfThatColour) {
    for (const Bgr colour : {Bgr{20, 30, 230}, Bgr{40, 200, 50}, Bgr{210, 60, 30},
                             Bgr{128, 128, 128}, Bgr{90, 170, 250}}) {
        const PixelImage image = makeImage(1, 1, [=](int, int) { return colour; });
        const std::vector<std::uint8_t> bytes = encodeToMemory(image, 95);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1], 0xD8);
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
        EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
        const std::vector<int> markers = headerMarkers(bytes);
        EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC0), markers.end());
        EXPECT_EQ(std::find(markers.begin(), markers.end(), 0xC2), markers.end());

        Decoded decoded;
        ASSERT_TRUE(decodeJpeg(bytes, decoded));
        EXPECT_FALSE(decoded.progressive);
        ASSERT_EQ(decoded.width, 1);
        ASSERT_EQ(decoded.height, 1);
        ASSERT_EQ(decoded.components, 3);
        EXPECT_NEAR(decoded.at(0, 0)[0], colour.r, 8);
        EXPECT_NEAR(decoded.at(0, 0)[1], colour.g, 8);
        EXPECT_NEAR(decoded.at(0, 0)[2], colour.b, 8);
    }
}

TEST(JpegWriterOutput, GradientDecodesCloseWithChannelsInPlace) {
    // Odd sizes leave partial blocks at the right and bottom edges.
    const PixelImage image = gradientImage(203, 77);
    Decoded decoded;
    ASSERT_TRUE(decodeJpeg(encodeToMemory(image, 90), decoded));
    ASSERT_EQ(decoded.width, 203);
    ASSERT_EQ(decoded.height, 77);
    double errorSum = 0;
    int worst = 0;
    for (int y = 0; y < 77; ++y)
        for (int x = 0; x < 203; ++x)
            for (int c = 0; c < 3; ++c) {
                const int error = std::abs(int(decoded.at(x, y)[c]) - image.pixel(x, y)[2 - c]);
                errorSum += error;
                worst = std::max(worst, error);
            }
    EXPECT_LT(errorSum / (203.0 * 77 * 3), 2.0);
    EXPECT_LT(worst, 24);
}

TEST(JpegWriterOutput, HigherQualityGivesLargerFiles) {
    const PixelImage image = noiseImage(96, 64, 7);
    std::size_t previous = 0;
    for (const int quality : {0, 10, 50, 90, 100}) {
        const std::vector<std::uint8_t> bytes = encodeToMemory(image, quality);
        EXPECT_GT(bytes.size(), previous) << "quality " << quality;
        previous = bytes.size();
        Decoded decoded;
        EXPECT_TRUE(decodeJpeg(bytes, decoded)) << "quality " << quality;
    }
}

TEST(JpegWriterOutput, WritesWholeKilobytesAndNoEmptyTail) {
    // Searches noise pictures for one whose JPEG is a whole number of kilobytes; every
    // output on the way must already arrive in 1024-byte writes with a non-empty tail.
    bool foundWholeKilobytes = false;
    for (unsigned seed = 1; seed < 20000 && !foundWholeKilobytes; ++seed) {
        // Noise of one size compresses to nearly one length, so the sizes vary too.
        const PixelImage image = noiseImage(8 + int(seed % 57), 8 + int(seed / 57 % 41), seed);
        StreamLog log;
        {
            auto stream = RecordingStream::create(log);
            ASSERT_TRUE(encodeJpeg(image, *stream, 90));
        }
        ASSERT_FALSE(log.writeSizes.empty());
        for (std::size_t i = 0; i + 1 < log.writeSizes.size(); ++i) {
            ASSERT_EQ(log.writeSizes[i], 1024u) << "seed " << seed << " write " << i;
        }
        ASSERT_GT(log.writeSizes.back(), 0u) << "seed " << seed;
        ASSERT_LE(log.writeSizes.back(), 1024u) << "seed " << seed;
        ASSERT_GE(log.flushes, 1);
        if (log.bytes.size() % 1024 == 0 && log.bytes.size() >= 2 * 1024) {
            foundWholeKilobytes = true;
            EXPECT_EQ(log.writeSizes.size(), log.bytes.size() / 1024);
            EXPECT_EQ(log.bytes[log.bytes.size() - 1], 0xD9);
            Decoded decoded;
            EXPECT_TRUE(decodeJpeg(log.bytes, decoded));
        }
    }
    EXPECT_TRUE(foundWholeKilobytes);
}

TEST(JpegWriterOutput, WriteImageChoosesTheForm) {
    const PixelImage image = gradientImage(40, 30);
    auto raw = MemoryStream::create();
    auto expectedRaw = MemoryStream::create();
    ASSERT_TRUE(writeImage(image, *raw, ImageStreamForm::Raw, 70));
    ASSERT_TRUE(writeRawImage(image, *expectedRaw));
    EXPECT_EQ(raw->bytes(), expectedRaw->bytes());

    for (const int quality : {30, 80}) {
        auto jpeg = MemoryStream::create();
        ASSERT_TRUE(writeImage(image, *jpeg, ImageStreamForm::Jpeg, quality));
        EXPECT_EQ(jpeg->bytes(), encodeToMemory(image, quality)) << "quality " << quality;
    }
}

// The failing streams of the failure tests, with the picture each one is given.
struct FailureCase {
    const char* name;
    int width;
    int height;
    Refusals refusals;
};

const FailureCase kFailures[] = {
    {"first of many writes refused", 256, 256, {1, 1 << 30, false}},
    // libjpeg would take one refused kilobyte for a pause and carry on without it.
    {"one write in the middle refused", 256, 256, {3, 1, false}},
    {"the only (final) write refused", 1, 1, {1, 1 << 30, false}},
    {"final flush refused", 64, 64, {0, 0, true}},
};

TEST(JpegWriterFailure, RefusedWritesAndFlushesAreReportedAsFailure) {
    for (const FailureCase& failure : kFailures) {
        CollectedErrors errors;
        StreamLog log;
        bool ok = true;
        {
            auto stream = RecordingStream::create(log, failure.refusals);
            ok = encodeJpeg(noiseImage(failure.width, failure.height, 3), *stream, 85);
            EXPECT_FALSE(log.destroyed) << failure.name;
        }
        EXPECT_FALSE(ok) << failure.name;
        ASSERT_EQ(errors.messages().size(), 1u) << failure.name;
        EXPECT_FALSE(errors.messages()[0].empty()) << failure.name;
        // A refused write stops the encoding: nothing more is offered after it.
        if (failure.refusals.firstWrite > 0) {
            EXPECT_EQ(int(log.writeSizes.size()), failure.refusals.firstWrite) << failure.name;
        }
    }
}

TEST(JpegWriterFailure, StreamReferenceIsGivenBackOnEveryPath) {
    // The encoder may hold references while it runs, but the stream must neither die
    // during the call nor outlive the creator's single release afterwards.
    std::vector<FailureCase> cases(std::begin(kFailures), std::end(kFailures));
    cases.push_back({"success", 300, 200, {}});
    cases.push_back({"empty picture refused", 0, 0, {}});
    for (const FailureCase& c : cases) {
        CollectedErrors errors;
        StreamLog log;
        RecordingStream* raw = nullptr;
        {
            auto stream = RecordingStream::create(log, c.refusals);
            raw = stream.get();
            PixelImage image = noiseImage(std::max(c.width, 1), std::max(c.height, 1), 5);
            if (c.width == 0)
                image.clear();
            (void)encodeJpeg(image, *stream, 75);
            ASSERT_FALSE(log.destroyed) << c.name;
            raw->addRef();  // a second owner, to see that the count is exactly one more
        }
        EXPECT_FALSE(log.destroyed) << c.name;
        raw->release();
        EXPECT_TRUE(log.destroyed) << c.name;
    }
}

TEST(JpegWriterFailure, UnencodablePicturesAndQualitiesAreRefusedBeforeWriting) {
    PixelImage tooWide;
    ASSERT_TRUE(tooWide.allocate(kMaxJpegSide + 1, 1));
    PixelImage tooTall;
    ASSERT_TRUE(tooTall.allocate(2, kMaxJpegSide + 1));
    const PixelImage empty;
    const PixelImage fine = gradientImage(8, 8);
    struct Refused {
        const PixelImage* image;
        int quality;
    };
    for (const Refused r : {Refused{&empty, 70}, Refused{&tooWide, 70}, Refused{&tooTall, 70},
                            Refused{&fine, -1}, Refused{&fine, 101}}) {
        CollectedErrors errors;
        StreamLog log;
        {
            auto stream = RecordingStream::create(log);
            EXPECT_FALSE(encodeJpeg(*r.image, *stream, r.quality));
        }
        EXPECT_TRUE(log.writeSizes.empty());
        ASSERT_EQ(errors.messages().size(), 1u);
        EXPECT_FALSE(errors.messages()[0].empty());
    }
    // The widest allowed picture still encodes.
    PixelImage widest;
    ASSERT_TRUE(widest.allocate(kMaxJpegSide, 1));
    std::fill(widest.bits(), widest.bits() + widest.byteCount(), std::uint8_t{100});
    Decoded decoded;
    ASSERT_TRUE(decodeJpeg(encodeToMemory(widest, 50), decoded));
    EXPECT_EQ(decoded.width, kMaxJpegSide);
}

}  // namespace
}  // namespace orbpix
