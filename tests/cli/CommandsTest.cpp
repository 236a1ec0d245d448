#include "cli/Commands.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QStandardPaths>

#include <sstream>

#include "RunOrbpix.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"
#include "support/QtFiles.h"

namespace orbpix {
namespace {

const std::string kExamples = ORBPIX_SOURCE_DIR "/examples/";

using test::json;
using test::orbpix;
using test::Outcome;

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
    test::QtTempFolder folder;
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

// A real XMP reader sees the photo-sphere description of an unwrapped panorama, and the file
// is still the same picture.
TEST(OrbpixUnwrap, GpanoDescribesThePanoramaForOtherViewers) {
    const QString exiftool = QStandardPaths::findExecutable("exiftool");
    if (exiftool.isEmpty())
        GTEST_SKIP() << "exiftool is not installed (scripts/install-deps installs it)";
    test::QtTempFolder folder;
    const QString plain = folder.path("plain.jpg"), described = folder.path("sphere.jpg");
    const std::string ring = kExamples + "mars_1200x900_reverse.jpg";
    for (const auto& [path, extra] : {std::pair{plain, ""}, std::pair{described, "--gpano"}}) {
        std::vector<std::string> args{"unwrap", ring, "--reverse",       "--height",
                                      "400",    "-o", path.toStdString()};
        if (*extra)
            args.push_back(extra);
        ASSERT_EQ(orbpix(args).status, 0);
    }
    QProcess reader;
    reader.start(exiftool, {"-j", "-n", "-XMP-GPano:all", described});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QJsonObject fields =
        QJsonDocument::fromJson(reader.readAllStandardOutput()).array()[0].toObject();
    EXPECT_EQ(fields.value("ProjectionType").toString(), "equirectangular");
    EXPECT_EQ(fields.value("UsePanoramaViewer").toVariant().toString().toLower(), "true");
    EXPECT_EQ(fields.value("FullPanoWidthPixels").toInt(), 1600);
    EXPECT_EQ(fields.value("FullPanoHeightPixels").toInt(), 800);
    EXPECT_EQ(fields.value("CroppedAreaImageWidthPixels").toInt(), 1600);
    EXPECT_EQ(fields.value("CroppedAreaImageHeightPixels").toInt(), 400);
    EXPECT_EQ(fields.value("CroppedAreaLeftPixels").toInt(), 0);
    // Taken upside down: the strip reaches 64 degrees above the horizon, 26 from the zenith.
    EXPECT_EQ(fields.value("CroppedAreaTopPixels").toInt(), 116);
    EXPECT_EQ(fields.value("InitialViewHeadingDegrees").toInt(), 0);
    EXPECT_EQ(fields.value("InitialViewPitchDegrees").toInt(), 0);
    EXPECT_EQ(fields.value("InitialHorizontalFOVDegrees").toInt(), 90);
    EXPECT_EQ(fields.value("StitchingSoftware").toString(), "OrbPix");
    EXPECT_EQ(fields.size(), 13);  // the file name and the twelve fields
    QImage a, b;
    ASSERT_TRUE(a.load(plain));
    ASSERT_TRUE(b.load(described));
    EXPECT_EQ(a, b);

    EXPECT_EQ(orbpix({"unwrap", ring, "--gpano", "-o", folder.path("p.png").toStdString()}).status,
              cli::kExitUsage);
}

TEST(OrbpixUnwrap, DefaultsToDetectionAndThePreviewHeight) {
    test::QtTempFolder folder;
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
    EXPECT_EQ(object.value("damaged"), QJsonValue(false));
    EXPECT_EQ(result.err, "");
}

TEST(OrbpixUnwrap, ADamagedPictureIsReportedAndRefusedWhenStrict) {
    test::QtTempFolder folder;
    const QString cut = folder.path("cut.jpg");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(kExamples + "mars_1200x900_reverse.jpg"), cut));
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() * 2 / 3));
    const QString out = folder.path("p.png");
    const Outcome result = orbpix({"unwrap", cut.toStdString(), "--circles", "596,452,92,400", "-o",
                                   out.toStdString(), "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(json(result.out).value("damaged"), QJsonValue(true));
    EXPECT_EQ(result.err.rfind("orbpix unwrap: warning: " + cut.toStdString() + " is damaged: ", 0),
              0u)
        << result.err;
    ASSERT_TRUE(QFile::remove(out));
    const Outcome strict = orbpix({"unwrap", cut.toStdString(), "--circles", "596,452,92,400", "-o",
                                   out.toStdString(), "--strict"});
    EXPECT_EQ(strict.status, cli::kExitUnreadable);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(OrbpixUnwrap, InvalidCirclesWriteNothing) {
    test::QtTempFolder folder;
    const QString out = folder.path("bad.png");
    const Outcome result = orbpix({"unwrap", kExamples + "mars_1200x900_reverse.jpg", "-o",
                                   out.toStdString(), "--circles", "596,452,92,500"});
    EXPECT_EQ(result.status, cli::kExitInvalidCircles);
    EXPECT_NE(result.err.find("596,452,92,500"), std::string::npos);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(OrbpixUnwrap, ArgumentErrors) {
    test::QtTempFolder folder;
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

// The reverse sample unwrapped as the colour and JPEG tests ask orbpix to: 600 × 150.
const std::string kReverseRing = kExamples + "mars_1200x900_reverse.jpg";
const std::vector<std::string> kSmallStrip = {"--circles", "596,452,92,400", "--height", "150"};

std::vector<std::string> unwrapArgs(std::vector<std::string> extra) {
    std::vector<std::string> args = {"unwrap", kReverseRing};
    args.insert(args.end(), kSmallStrip.begin(), kSmallStrip.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::unique_ptr<PanoramaResult> expectedStrip() {
    PixelImage source;
    if (!loadFitted(QString::fromStdString(kReverseRing), kUnlimited, kUnlimited, source))
        return nullptr;
    const RingCircles circles{{596, 452, 92}, {596, 452, 400}};
    return PanoramaUnwrapper().unwrap(source, &circles.outer, &circles.inner, 600, 150, {});
}

// Pixels (of the first three bytes) in which two pictures of the same size differ.
int differingPixels(const PixelImage& a, const PixelImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += !std::equal(a.pixel(x, y), a.pixel(x, y) + 3, b.pixel(x, y));
    return count;
}

TEST(OrbpixColourCorrection, AppliesToneTableThenMatrixToThePanorama) {
    test::QtTempFolder folder;
    const auto plain = expectedStrip();
    ASSERT_TRUE(plain);
    for (const ColourCorrection cc : {ColourCorrection{20, 40, -60},
                                      ColourCorrection{-30, -50, 120}, ColourCorrection{0, 0, 0}}) {
        const std::string text = formatColourCorrection(cc);
        const QString out = folder.path(QString::fromStdString(text) + ".png");
        const Outcome result = orbpix(unwrapArgs({"-o", out.toStdString(), "--cc", text}));
        ASSERT_EQ(result.status, 0) << result.err;

        PixelImage expected;
        ASSERT_TRUE(expected.assign(plain->image));
        ColourAdjuster adjuster;
        adjuster.setBrightnessContrast(cc.brightness, cc.contrast);
        adjuster.setSaturation(cc.saturation);
        adjuster.applyToneTableThenMatrix(expected.bits(), 600 * 150);
        PixelImage written;
        ASSERT_TRUE(loadFitted(out, kUnlimited, kUnlimited, written));
        ASSERT_EQ(written.width(), 600);
        ASSERT_EQ(written.height(), 150);
        EXPECT_EQ(differingPixels(written, expected), 0) << text;
        if (!cc.isNeutral()) {
            EXPECT_GT(differingPixels(written, plain->image), 600 * 150 / 2) << text;
        }
    }
}

TEST(OrbpixColourCorrection, MalformedValuesAreUsageErrorsAndWriteNothing) {
    test::QtTempFolder folder;
    const QString out = folder.path("cc.png");
    for (const char* bad : {"1,2", "a,b,c", "1,2,3,4", "", "1.5,2,3"}) {
        const Outcome result = orbpix(unwrapArgs({"-o", out.toStdString(), "--cc", bad}));
        EXPECT_EQ(result.status, cli::kExitUsage) << bad;
        EXPECT_NE(result.err.find("--cc"), std::string::npos) << bad;
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST(OrbpixColourCorrection, AutomaticCorrectionIsPrintedAsTextOrJson) {
    test::QtTempFolder folder;
    auto expected = expectedStrip();
    ASSERT_TRUE(expected);
    const auto rawLuminance = expected->luminance;
    makeCumulativeHistograms(*expected);
    const ColourCorrection cc = automaticCorrection(expected->luminance, expected->chroma);
    // A correction of all zeros would not tell a missing computation from a real one.
    ASSERT_FALSE(cc.isNeutral());

    const Outcome withJson = orbpix(unwrapArgs({"--auto-cc", "--json"}));
    ASSERT_EQ(withJson.status, 0) << withJson.err;
    const QJsonObject object = json(withJson.out);
    EXPECT_EQ(object.value("width").toInt(), 600);
    const QJsonObject autoCc = object.value("autoCC").toObject();
    EXPECT_EQ(autoCc.value("brightness").toInt(-999), cc.brightness);
    EXPECT_EQ(autoCc.value("contrast").toInt(-999), cc.contrast);
    EXPECT_EQ(autoCc.value("saturation").toInt(-999), cc.saturation);
    // The histograms printed beside it are still the raw counts.
    const QJsonArray luminance = object.value("luminance").toArray();
    ASSERT_EQ(luminance.size(), 256);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(luminance[i].toInt(), rawLuminance[i]);

    const Outcome plain = orbpix(unwrapArgs({"--auto-cc"}));
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, "brightness " + std::to_string(cc.brightness) + ", contrast " +
                             std::to_string(cc.contrast) + ", saturation " +
                             std::to_string(cc.saturation) + "\n");

    const QString out = folder.path("auto.png");
    const Outcome alsoWritten = orbpix(unwrapArgs({"--auto-cc", "-o", out.toStdString()}));
    ASSERT_EQ(alsoWritten.status, 0) << alsoWritten.err;
    EXPECT_EQ(alsoWritten.out, plain.out);
    EXPECT_TRUE(QFile::exists(out));
    // Without --auto-cc no JSON key and no line appear.
    EXPECT_FALSE(
        json(orbpix(unwrapArgs({"-o", out.toStdString(), "--json"})).out).contains("autoCC"));
}

TEST(OrbpixJpeg, OutputDecodesToThePanoramaAtTheGivenQuality) {
    test::QtTempFolder folder;
    const auto expected = expectedStrip();
    ASSERT_TRUE(expected);
    qint64 previousSize = 0;
    for (const auto& [name, quality] :
         {std::pair{"q20.jpg", "20"}, std::pair{"q70.JPEG", ""}, std::pair{"q95.Jpg", "95"}}) {
        const QString out = folder.path(name);
        std::vector<std::string> extra = {"-o", out.toStdString()};
        if (*quality) {
            extra.push_back("--quality");
            extra.push_back(quality);
        }
        const Outcome result = orbpix(unwrapArgs(extra));
        ASSERT_EQ(result.status, 0) << name << ": " << result.err;
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(2) == QByteArray("\xFF\xD8", 2)) << name;
        EXPECT_GT(file.size(), previousSize) << name;
        previousSize = file.size();

        PixelImage decoded;
        ASSERT_TRUE(loadFitted(out, kUnlimited, kUnlimited, decoded)) << name;
        ASSERT_EQ(decoded.width(), 600);
        ASSERT_EQ(decoded.height(), 150);
        double errorSum = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 600; ++x)
                for (int c = 0; c < 3; ++c)
                    errorSum += std::abs(decoded.pixel(x, y)[c] - expected->image.pixel(x, y)[c]);
        EXPECT_LT(errorSum / (600.0 * 150 * 3), 6.0) << name;
    }
}

TEST(OrbpixJpeg, QualityArgumentErrors) {
    test::QtTempFolder folder;
    const std::string jpg = folder.path("x.jpg").toStdString();
    for (const char* bad : {"101", "-1", "7x", "", "1e2"}) {
        EXPECT_EQ(orbpix(unwrapArgs({"-o", jpg, "--quality", bad})).status, cli::kExitUsage) << bad;
    }
    EXPECT_EQ(
        orbpix(unwrapArgs({"-o", folder.path("x.png").toStdString(), "--quality", "50"})).status,
        cli::kExitUsage);
    EXPECT_EQ(orbpix(unwrapArgs({"--auto-cc", "--quality", "50"})).status, cli::kExitUsage);
    EXPECT_EQ(orbpix(unwrapArgs({"-o", jpg, "--quality", "0"})).status, cli::kExitOk);
    EXPECT_EQ(orbpix(unwrapArgs({"-o", jpg, "--quality", "100"})).status, cli::kExitOk);
    EXPECT_EQ(orbpix(unwrapArgs({"-o", folder.path("no/dir/x.jpg").toStdString()})).status,
              cli::kExitFailed);
}

TEST(OrbpixProgram, FailedJpegWriteRemovesThePartialFile) {
    // A file-size limit of 2 KiB makes the writes beyond it fail (with SIGXFSZ ignored)
    // while the first kilobytes reach the file.
    test::QtTempFolder folder;
    const QString out = folder.path("limited.jpg");
    QStringList args = {QStringLiteral(ORBPIX_PROGRAM_DIR "/orbpix"), "unwrap",
                        QString::fromStdString(kReverseRing), "-o", out};
    for (const std::string& a : kSmallStrip)
        args << QString::fromStdString(a);
    QProcess limited;
    limited.start("/bin/sh",
                  QStringList{"-c", "trap '' XFSZ; ulimit -f 4; exec \"$@\"", "sh"} + args);
    ASSERT_TRUE(limited.waitForFinished(30000));
    EXPECT_EQ(limited.exitCode(), cli::kExitFailed);
    const QByteArray messages = limited.readAllStandardError();
    EXPECT_TRUE(messages.contains("JPEG Error")) << messages.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    // The same command without the limit writes the file.
    QProcess unlimited;
    unlimited.start(args.front(), args.mid(1));
    ASSERT_TRUE(unlimited.waitForFinished(30000));
    EXPECT_EQ(unlimited.exitCode(), 0) << unlimited.readAllStandardError().toStdString();
    EXPECT_GT(QFileInfo(out).size(), 4 * 512);
}

TEST(OrbpixProgram, FormatsNeedsTheResourceLibrary) {
    const QString program = QStringLiteral(ORBPIX_PROGRAM_DIR "/orbpix");
    QProcess withLibrary;
    withLibrary.start(program, {QStringLiteral("formats")});
    ASSERT_TRUE(withLibrary.waitForFinished(30000));
    EXPECT_EQ(withLibrary.exitCode(), 0);
    EXPECT_TRUE(withLibrary.readAllStandardOutput().contains("All pictures|*.bmp;"));

    // The same program alone in a folder has no library beside it.
    test::QtTempFolder folder;
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
