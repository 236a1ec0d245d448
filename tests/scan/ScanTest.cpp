#include <gtest/gtest.h>

#include <QImageReader>
#include <filesystem>
#include <fstream>

#include "scan/Acquisition.h"
#include "scan/ScanNames.h"
#include "scan/Scanner.h"
#include "support/TempFolder.h"
#include "support/TestScanner.h"

namespace orbpix {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::TestScanner;

void touch(const TempFolder& folder, const std::string& name) {
    std::ofstream(folder.path(name)) << "earlier scan";
}

std::vector<std::string> fileNames(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& p : paths)
        names.push_back(fs::path(p).filename().string());
    return names;
}

std::unique_ptr<Scanner> openTestScanner(const ScannerLibrary& library) {
    std::string error;
    auto scanner = Scanner::open(library, TestScanner::kDevice, error);
    EXPECT_TRUE(scanner) << error;
    return scanner;
}

TEST(ScanNames, FirstFreeAtOrAboveTheLastOneGiven) {
    TempFolder folder;
    touch(folder, "Img00001.bmp");
    touch(folder, "Img00002.bmp");
    EXPECT_EQ(fs::path(ScanNamer(folder.root()).next()).filename(), "Img00003.bmp");

    TempFolder gap;
    touch(gap, "Img00002.bmp");
    ScanNamer namer(gap.root());
    const std::string first = namer.next();
    EXPECT_EQ(fs::path(first).filename(), "Img00001.bmp");
    touch(gap, "Img00001.bmp");
    EXPECT_EQ(fs::path(namer.next()).filename(), "Img00003.bmp");
    std::error_code ignored;
    fs::create_symlink(gap.path("nowhere"), gap.path("Img00003.bmp"), ignored);
    EXPECT_EQ(fs::path(namer.next()).filename(), "Img00004.bmp") << "a dangling link is taken";
}

// Every kind of picture the source can deliver arrives as 8-bit colour.
TEST(Scanner, EveryModeAndDepthReadsAsEightBitColour) {
    struct Case {
        std::string mode;
        int depth;
        std::string picture;
        int expected;  // the value of every sample
    };
    for (const Case& c :
         {Case{"Gray", 8, "Solid white", 255}, Case{"Gray", 16, "Solid white", 255},
          Case{"Lineart", 1, "Solid black", 0}, Case{"Lineart", 1, "Solid white", 255},
          Case{"Color", 16, "Solid black", 0}, Case{"Color", 8, "Solid white", 255}}) {
        SCOPED_TRACE(c.mode + " " + std::to_string(c.depth) + " " + c.picture);
        TestScanner config(c.mode, c.depth, c.picture);
        ScannerLibrary library;
        ASSERT_TRUE(library.available());
        auto scanner = openTestScanner(library);
        ASSERT_TRUE(scanner);
        PixelImage picture;
        const ScanResult result = scanner->acquire(picture, {});
        ASSERT_EQ(result.status, ScanStatus::Done) << result.message;
        // 60 × 40 mm at 25 dots per inch.
        EXPECT_NEAR(picture.width(), 59, 1);
        EXPECT_NEAR(picture.height(), 39, 1);
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 5)
                for (int i = 0; i < 3; ++i)
                    ASSERT_EQ(picture.pixel(x, y)[i], c.expected) << x << "," << y;
    }
}

TEST(Acquisition, OnePictureIsSavedAsJpegUnderTheNextScanName) {
    TestScanner config;
    TempFolder album;
    touch(album, "Img00001.bmp");
    ScannerLibrary library;
    auto scanner = openTestScanner(library);
    ASSERT_TRUE(scanner);
    int reports = 0;
    const AcquireOutcome outcome = acquireOne(*scanner, album.root(), [&](double f) {
        EXPECT_GE(f, 0.0);
        EXPECT_LE(f, 1.0);
        return ++reports > 0;
    });
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    EXPECT_GT(reports, 0);
    ASSERT_EQ(fileNames(outcome.files), std::vector<std::string>{"Img00002.bmp"});
    QImageReader reader(QString::fromStdString(outcome.files[0]));
    EXPECT_EQ(reader.format(), "jpeg") << "stored as JPEG whatever the name says";
    EXPECT_NEAR(reader.size().width(), 59, 1);
}

TEST(Acquisition, ASeriesRunsUntilTheFeederIsEmptyAndFillsGaps) {
    TestScanner config;
    TempFolder album;
    touch(album, "Img00002.bmp");
    ScannerLibrary library;
    auto scanner = openTestScanner(library);
    ASSERT_TRUE(scanner);
    // The test feeder holds ten pages; it runs dry after three, as a feeder that notices
    // only when it reads the next page.
    const AcquireOutcome outcome = acquireSeries(
        *scanner, album.root(), [](int, double) { return true; },
        [&](int pages) {
            if (pages == 3) {
                EXPECT_TRUE(scanner->setOption("read-return-value", "SANE_STATUS_NO_DOCS"));
            }
        });
    ASSERT_TRUE(outcome.succeeded) << outcome.message;
    EXPECT_EQ(fileNames(outcome.files),
              (std::vector<std::string>{"Img00001.bmp", "Img00003.bmp", "Img00004.bmp"}));
    for (const std::string& file : outcome.files)
        EXPECT_TRUE(fs::exists(file));
}

// A source that fails or is cancelled part-way leaves the album folder as it was.
TEST(Acquisition, AFailedOrCancelledSeriesTakesBackItsPictures) {
    TestScanner config;
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "device error");
        TempFolder album;
        touch(album, "Img00002.bmp");
        ScannerLibrary library;
        auto scanner = openTestScanner(library);
        ASSERT_TRUE(scanner);
        const AcquireOutcome outcome = acquireSeries(
            *scanner, album.root(), [&](int page, double) { return !(cancel && page == 3); },
            [&](int pages) {
                if (pages == 2 && !cancel) {
                    std::string error;
                    EXPECT_TRUE(
                        scanner->setOption("read-return-value", "SANE_STATUS_IO_ERROR", &error))
                        << error;
                }
            });
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_TRUE(outcome.files.empty());
        EXPECT_FALSE(outcome.message.empty());
        if (!cancel) {
            EXPECT_NE(outcome.message.find("2 pages"), std::string::npos) << outcome.message;
        }
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(album.root()))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"Img00002.bmp"});
    }
}

TEST(Scanner, AMissingSourceIsNamedInTheError) {
    TestScanner config;
    ScannerLibrary library;
    std::string error;
    EXPECT_FALSE(Scanner::open(library, "test:7", error));
    EXPECT_NE(error.find("test:7"), std::string::npos) << error;
    ASSERT_EQ(library.sources().size(), 1u);
    EXPECT_EQ(library.sources()[0].name, TestScanner::kDevice);
}

}  // namespace
}  // namespace orbpix
