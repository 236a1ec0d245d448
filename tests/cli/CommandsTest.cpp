#include "cli/Commands.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <sstream>

#include "TempFolder.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"

namespace orbpix {
namespace {

const std::string kExamples = ORBPIX_SOURCE_DIR "/examples/";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome orbpix(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

QJsonObject json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

struct Ring {
    const char* file;
    double cx, cy, rout;
    int fittedWidth;
};

TEST(OrbpixDetect, FindsTheSampleRingsWithinTwoFittedPixels) {
    for (const Ring& ring : {Ring{"mars_1600x1200_normal.jpg", 800, 600, 540, 800},
                             Ring{"mars_1600x1200_ratio.jpg", 800, 600, 540, 800},
                             Ring{"mars_1200x900_reverse.jpg", 596, 452, 400, 800}}) {
        const Outcome result = orbpix({"detect", kExamples + ring.file, "--json"});
        ASSERT_EQ(result.status, 0) << result.err;
        const QJsonObject object = json(result.out);
        EXPECT_TRUE(object.value("detected").toBool()) << ring.file;
        const QJsonArray fitted = object.value("fitted").toArray();
        ASSERT_EQ(fitted.size(), 2);
        EXPECT_EQ(fitted[0].toInt(), ring.fittedWidth);
        const double scale = 1600.0 / 800 * (ring.cx == 596 ? 0.75 : 1);
        const QJsonArray c = object.value("circles").toArray();
        ASSERT_EQ(c.size(), 4);
        // Truncation when written can cost up to one more full-size pixel.
        EXPECT_NEAR(c[0].toInt(), ring.cx, 2 * scale + 1) << ring.file;
        EXPECT_NEAR(c[1].toInt(), ring.cy, 2 * scale + 1) << ring.file;
        EXPECT_NEAR(c[3].toInt(), ring.rout, 2 * scale + 1) << ring.file;
        EXPECT_NEAR(c[2].toInt(), c[3].toInt() * 0.2277724846671251, 1.5) << ring.file;
    }
}

TEST(OrbpixDetect, PlainOutputIsTheCirclesText) {
    const Outcome result = orbpix({"detect", kExamples + "mars_1200x900_reverse.jpg"});
    ASSERT_EQ(result.status, 0);
    const Outcome withJson = orbpix({"detect", kExamples + "mars_1200x900_reverse.jpg", "--json"});
    QJsonArray c = json(withJson.out).value("circles").toArray();
    EXPECT_EQ(result.out, QStringLiteral("%1,%2,%3,%4\n")
                              .arg(c[0].toInt())
                              .arg(c[1].toInt())
                              .arg(c[2].toInt())
                              .arg(c[3].toInt())
                              .toStdString());
}

TEST(OrbpixDetect, Errors) {
    EXPECT_EQ(orbpix({"detect", "/no/such/ring.jpg"}).status, cli::kExitUnreadable);
    EXPECT_EQ(orbpix({"detect"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"detect", "a.jpg", "--bogus"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"frobnicate"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({}).status, cli::kExitUsage);
    for (const char* command : {"detect", "unwrap", "formats"}) {
        const Outcome help = orbpix({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("Usage: orbpix"), std::string::npos) << command;
    }
    EXPECT_EQ(orbpix({"--help"}).status, 0);
}

TEST(OrbpixUnwrap, WritesTheUnwrappedStripBitForBit) {
    test::TempFolder folder;
    const std::string ring = kExamples + "mars_1200x900_reverse.jpg";
    PixelImage source;
    ASSERT_TRUE(loadFitted(QString::fromStdString(ring), kUnlimited, kUnlimited, source));
    const RingCircles circles{{596, 452, 92}, {596, 452, 400}};
    for (const bool reverse : {false, true}) {
        const QString out = folder.path(reverse ? "r.png" : "n.png");
        std::vector<std::string> args = {"unwrap",          ring,        "-o",
                                         out.toStdString(), "--circles", "596,452,92,400",
                                         "--height",        "150",       "--json"};
        if (reverse)
            args.push_back("--reverse");
        const Outcome result = orbpix(args);
        ASSERT_EQ(result.status, 0) << result.err;

        std::unique_ptr<PanoramaUnwrapper> unwrapper;
        if (reverse)
            unwrapper = std::make_unique<ReverseUnwrapper>();
        else
            unwrapper = std::make_unique<PanoramaUnwrapper>();
        const auto expected =
            unwrapper->unwrap(source, &circles.outer, &circles.inner, 600, 150, {});
        ASSERT_TRUE(expected);
        PixelImage written;
        ASSERT_TRUE(loadFitted(out, kUnlimited, kUnlimited, written));
        ASSERT_EQ(written.width(), 600);
        ASSERT_EQ(written.height(), 150);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 600; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(written.pixel(x, y)[c], expected->image.pixel(x, y)[c]);

        const QJsonObject object = json(result.out);
        EXPECT_EQ(object.value("width").toInt(), 600);
        EXPECT_EQ(object.value("height").toInt(), 150);
        const QJsonArray luminance = object.value("luminance").toArray();
        const QJsonArray chroma = object.value("chroma").toArray();
        ASSERT_EQ(luminance.size(), 256);
        ASSERT_EQ(chroma.size(), 256);
        int total = 0;
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(luminance[i].toInt(), expected->luminance[i]);
            EXPECT_EQ(chroma[i].toInt(), expected->chroma[i]);
            total += luminance[i].toInt();
        }
        EXPECT_EQ(total, 600 * 150);  // raw counts, one per pixel
    }
}

TEST(OrbpixUnwrap, DefaultsToDetectionAndThePreviewHeight) {
    test::TempFolder folder;
    const QString out = folder.path("p.png");
    const Outcome result = orbpix(
        {"unwrap", kExamples + "mars_1200x900_reverse.jpg", "-o", out.toStdString(), "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const QJsonObject object = json(result.out);
    const int rout = object.value("circles").toArray()[3].toInt();
    // The strip height comes from the unrounded radius, which lies in [rout, rout + 1).
    const int height = object.value("height").toInt();
    EXPECT_GE(height, static_cast<int>(rout * 3.14159265358979 / 2));
    EXPECT_LE(height, static_cast<int>((rout + 1) * 3.14159265358979 / 2));
    EXPECT_EQ(object.value("width").toInt(), 4 * object.value("height").toInt());
    const auto info = readImageFileInfo(out);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, object.value("width").toInt());
}

TEST(OrbpixUnwrap, InvalidCirclesWriteNothing) {
    test::TempFolder folder;
    const QString out = folder.path("bad.png");
    const Outcome result = orbpix({"unwrap", kExamples + "mars_1200x900_reverse.jpg", "-o",
                                   out.toStdString(), "--circles", "596,452,92,500"});
    EXPECT_EQ(result.status, cli::kExitInvalidCircles);
    EXPECT_NE(result.err.find("596,452,92,500"), std::string::npos);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(OrbpixUnwrap, ArgumentErrors) {
    test::TempFolder folder;
    const std::string ring = kExamples + "mars_1200x900_reverse.jpg";
    const std::string out = folder.path("x.png").toStdString();
    EXPECT_EQ(orbpix({"unwrap", ring}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"unwrap", ring, "-o", folder.path("x.xyz").toStdString()}).status,
              cli::kExitUsage);
    EXPECT_EQ(orbpix({"unwrap", ring, "-o", out, "--circles", "1,2,3"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"unwrap", ring, "-o", out, "--height", "0"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"unwrap", ring, "-o", out, "--height", "12x"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"unwrap", ring, "-o"}).status, cli::kExitUsage);
    EXPECT_EQ(orbpix({"unwrap", "/no/such.jpg", "-o", out, "--circles", "5,5,1,2"}).status,
              cli::kExitUnreadable);
    EXPECT_EQ(orbpix({"unwrap", ring, "-o", folder.path("no/dir/x.png").toStdString(), "--circles",
                      "596,452,92,400", "--height", "10"})
                  .status,
              cli::kExitFailed);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}

TEST(OrbpixProgram, FormatsNeedsTheResourceLibrary) {
    const QString program = QStringLiteral(ORBPIX_PROGRAM_DIR "/orbpix");
    QProcess withLibrary;
    withLibrary.start(program, {QStringLiteral("formats")});
    ASSERT_TRUE(withLibrary.waitForFinished(30000));
    EXPECT_EQ(withLibrary.exitCode(), 0);
    EXPECT_TRUE(withLibrary.readAllStandardOutput().contains("All pictures|*.bmp;"));

    // The same program alone in a folder has no library beside it.
    test::TempFolder folder;
    const QString lonely = folder.path(QStringLiteral("orbpix"));
    ASSERT_TRUE(QFile::copy(program, lonely));
    QProcess without;
    without.start(lonely, {QStringLiteral("formats")});
    ASSERT_TRUE(without.waitForFinished(30000));
    EXPECT_NE(without.exitCode(), 0);
    EXPECT_TRUE(without.readAllStandardError().contains(
        "Fatal error: Unable to find the resource library..."));
}

}  // namespace
}  // namespace orbpix
