#include "tourfmt/TourContainer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/TourTestSupport.h"

namespace orbpix {
namespace {

using test::Bytes;

std::uint32_t u32At(const Bytes& bytes, std::uint64_t at) {
    EXPECT_LE(at + 4, bytes.size());
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);  // the test machine is little-endian too
    return value;
}

TourElement element(std::int32_t type, std::int32_t state, std::int32_t top, std::int32_t left,
                    std::vector<Bytes> bitmaps = {}) {
    TourElement e;
    e.type = type;
    e.state = state;
    e.top = top;
    e.left = left;
    e.bitmaps = std::move(bitmaps);
    return e;
}

std::vector<TourElement> sampleElements() {
    return {element(kTypeBackground, kStateUpDown, 0, 0,
                    {test::randomBytes(40, 1), test::randomBytes(30, 2)}),
            [] {
                TourElement view = element(kTypeView, kStateNone, 20, 10);
                view.width = 300;
                view.height = 200;
                return view;
            }(),
            element(kTypeNext, kStateUpDownRollover, 440, 600,
                    {test::randomBytes(11, 3), test::randomBytes(12, 4), test::randomBytes(13, 5)}),
            element(kTypeCancel, kStateUp, 2, 620, {test::randomBytes(7, 6)}),
            [] {
                TourElement frame = element(kTypeFrame, kStateNone, 20, 10);
                frame.width = 112;
                frame.height = 139;
                return frame;
            }()};
}

struct Built {
    Bytes bytes;
    TourDescriptor plan;
};

// A program of `programSize` bytes with a container for one album file appended.
Built buildTour(std::size_t programSize, const Bytes& album) {
    Bytes program = test::randomBytes(programSize, 77);
    std::vector<EmbeddedFile> files{
        {"album.orb", album.size(), [&](ByteStream& out) { return out.write(album); }}};
    auto plan = planTourContainer(program.size(), "ALBUM PHOTO", files, sampleElements());
    EXPECT_TRUE(plan);
    auto stream = test::memoryStreamOf(program);
    EXPECT_TRUE(stream->seek(0, ByteStream::Origin::End));
    EXPECT_TRUE(writeTourContainer(*stream, *plan, files));
    return {stream->bytes(), *plan};
}

std::optional<TourDescriptor> readBytes(const Bytes& bytes, std::string* why = nullptr) {
    auto stream = test::memoryStreamOf(bytes);
    return readTourContainer(*stream, why);
}

TEST(TourContainer, EveryStoredPositionIsOneBelowWhatItDesignates) {
    const Bytes album = test::randomBytes(1001, 9);
    const auto [bytes, plan] = buildTour(5000, album);
    const std::uint64_t O = 5000;

    // Fields 1 to 5 at the container start.
    EXPECT_EQ(plan.containerStart, O);
    EXPECT_EQ(bytes[O], 11);
    EXPECT_EQ(std::string(bytes.begin() + O + 1, bytes.begin() + O + 12), "ALBUM PHOTO");
    EXPECT_EQ(u32At(bytes, O + 12), 1u);
    EXPECT_EQ(bytes[O + 16], 9);
    EXPECT_EQ(std::string(bytes.begin() + O + 17, bytes.begin() + O + 26), "album.orb");
    // The album's true start is O + 26; its stored start one less.
    ASSERT_EQ(plan.fileOffsets.size(), 2u);
    EXPECT_EQ(plan.fileOffsets[0], O + 25);
    EXPECT_EQ(plan.fileOffsets[1] - plan.fileOffsets[0], album.size());
    EXPECT_TRUE(std::equal(album.begin(), album.end(), bytes.begin() + O + 26));
    // Field 7 starts where the album ends, and its stored position is entry N.
    EXPECT_EQ(plan.offsetsPosition, plan.fileOffsets[1]);
    EXPECT_EQ(u32At(bytes, plan.offsetsPosition + 1), plan.fileOffsets[0]);
    EXPECT_EQ(u32At(bytes, plan.offsetsPosition + 5), plan.fileOffsets[1]);
    EXPECT_EQ(plan.skinCountPosition, plan.offsetsPosition + 8);
    EXPECT_EQ(u32At(bytes, plan.skinCountPosition + 1), 1u);
    EXPECT_EQ(plan.skinOffsets.at(0), plan.skinCountPosition + 4);
    EXPECT_EQ(u32At(bytes, plan.skinOffsets[0] + 1), 1u);  // the skin header
    EXPECT_EQ(u32At(bytes, plan.skinOffsets[0] + 5), 5u);  // the element count
    // The first element's top.
    EXPECT_EQ(u32At(bytes, plan.skinCountPosition + 13), 0u);
    // The trailer: 31 bytes with one skin, the skin offsets at its stored position + 1.
    EXPECT_EQ(bytes.size(), std::size_t(plan.trailerPosition) + 1 + 31);
    EXPECT_EQ(u32At(bytes, plan.trailerPosition + 1), plan.skinOffsets[0]);
    const std::size_t L = bytes.size();
    EXPECT_EQ(u32At(bytes, L - 27), plan.offsetsPosition);
    EXPECT_EQ(u32At(bytes, L - 23), plan.trailerPosition);
    EXPECT_EQ(u32At(bytes, L - 19), O);
    EXPECT_EQ(u32At(bytes, L - 15), plan.skinCountPosition);
    EXPECT_EQ(u32At(bytes, L - 11), 1u);
    EXPECT_EQ(std::string(bytes.end() - 7, bytes.end()), "OrbTour");
}

TEST(TourContainer, ReadsBackWhatWasWritten) {
    const Bytes album = test::randomBytes(777, 10);
    const auto [bytes, plan] = buildTour(333, album);
    std::string why;
    const auto tour = readBytes(bytes, &why);
    ASSERT_TRUE(tour) << why;
    EXPECT_EQ(*tour, plan);
    ASSERT_EQ(tour->elements.size(), 5u);
    // Elements without pictures follow their 24 bytes directly; the rollover button
    // keeps its three pictures in order.
    EXPECT_TRUE(tour->elements[1].bitmaps.empty());
    EXPECT_EQ(tour->elements[2].bitmaps, sampleElements()[2].bitmaps);
    EXPECT_EQ(tour->elements[4].width, 112);
    auto stream = test::memoryStreamOf(bytes);
    EXPECT_EQ(readEmbeddedFile(*stream, *tour, 0), album);
    EXPECT_FALSE(readEmbeddedFile(*stream, *tour, 1));
}

TEST(TourContainer, AProgramWithoutTheMarkerCarriesNoTour) {
    std::string why;
    EXPECT_FALSE(readBytes(test::randomBytes(4000, 1), &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(readBytes({}));
    Bytes almost = test::randomBytes(100, 2);
    const std::string lower = "orbTour";
    almost.insert(almost.end(), lower.begin(), lower.end());
    EXPECT_FALSE(readBytes(almost));
    auto stream = test::memoryStreamOf(almost);
    EXPECT_FALSE(endsWithTourMarker(*stream));
    const auto built = buildTour(10, {1, 2, 3});
    auto tour = test::memoryStreamOf(built.bytes);
    EXPECT_TRUE(endsWithTourMarker(*tour));
}

TEST(TourContainer, PositionsOutsideTheFileMeanNoTour) {
    // Named, not a structured binding: clang 14 refuses to capture those in the lambda.
    const Built built = buildTour(200, test::randomBytes(50, 3));
    const Bytes& bytes = built.bytes;
    const TourDescriptor& plan = built.plan;
    const std::size_t L = bytes.size();
    const auto patched = [&](std::size_t at, std::uint32_t value) {
        Bytes copy = bytes;
        std::memcpy(copy.data() + at, &value, 4);
        return copy;
    };
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const std::uint64_t O = 200;
    const Case cases[] = {
        {"offsets position past the end", patched(L - 27, std::uint32_t(L))},
        {"offsets position wrapping", patched(L - 27, 0xFFFFFFFFu)},
        {"trailer position past the end", patched(L - 23, std::uint32_t(L - 20))},
        {"container start past the end", patched(L - 19, std::uint32_t(L + 100))},
        {"skin count position before the start", patched(L - 15, 3)},
        {"a huge file count", patched(O + 12, 0x7FFFFFFF)},
        {"a file ending past the trailer", patched(plan.offsetsPosition + 5, std::uint32_t(L))},
        {"file offsets going backwards",
         patched(plan.offsetsPosition + 5, plan.fileOffsets[0] - 1)},
        {"no skin", patched(plan.skinCountPosition + 1, 0)},
        {"a huge skin count", patched(plan.skinCountPosition + 1, 0x40000000)},
        {"a huge element count", patched(plan.skinOffsets[0] + 5, 0xFFFFFFFF)},
        {"a huge bitmap", patched(plan.skinCountPosition + 13 + 24, 0xFFFFFFF0)},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(readBytes(c.bytes, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    for (std::size_t cut = 1; cut < L; cut += 3) {
        Bytes shortened(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
        // Keep a marker at the end so that the reader has to look at the positions.
        shortened.insert(shortened.end(), bytes.end() - 27, bytes.end());
        (void)readBytes(shortened);
    }
}

TEST(TourContainer, PlanningRefusesWhatTheFormatCannotHold) {
    std::vector<EmbeddedFile> files{{"a", 10, {}}};
    EXPECT_FALSE(planTourContainer(0, std::string(256, 'c'), files, {}));
    EXPECT_FALSE(planTourContainer(0, "c", {{std::string(256, 'n'), 1, {}}}, {}));
    EXPECT_FALSE(planTourContainer(0, "c", {{"big", std::uint64_t{1} << 32, {}}}, {}));
    EXPECT_FALSE(planTourContainer(std::uint64_t{1} << 32, "c", files, {}));
    // A rollover button needs three pictures.
    EXPECT_FALSE(planTourContainer(0, "c", files,
                                   {element(kTypeNext, kStateUpDownRollover, 0, 0, {{1}, {2}})}));
    EXPECT_TRUE(planTourContainer(0, "c", files, {element(kTypeFrame, kStateNone, 0, 0)}));
}

TEST(TourContainer, AFileWritingAnotherLengthThanDeclaredFails) {
    const Bytes content = {1, 2, 3};
    std::vector<EmbeddedFile> files{{"a", 4, [&](ByteStream& out) { return out.write(content); }}};
    const auto plan = planTourContainer(0, "c", files, {});
    ASSERT_TRUE(plan);
    auto stream = MemoryStream::create();
    EXPECT_FALSE(writeTourContainer(*stream, *plan, files));
}

}  // namespace
}  // namespace orbpix
