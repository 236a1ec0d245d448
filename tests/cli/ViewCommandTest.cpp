#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>
#include <sstream>

#include "RunOrbpix.h"
#include "cli/Commands.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"
#include "panorama/PanoramaProjector.h"
#include "support/QtFiles.h"

namespace orbpix {
namespace {

using test::orbpix;
using test::Outcome;

// A real panorama: the sample ring unwrapped, kept as PNG so that views compare exactly.
class OrbpixView : public ::testing::Test {
protected:
    void SetUp() override {
        const Outcome made =
            orbpix({"unwrap", ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg", "--circles",
                    "800,600,120,540", "--height", "400", "-o", panorama});
        ASSERT_EQ(made.status, 0) << made.err;
        ASSERT_TRUE(loadFitted(QString::fromStdString(panorama), -1, -1, strip));
    }

    PixelImage written(const std::string& path) {
        PixelImage image;
        EXPECT_TRUE(loadFitted(QString::fromStdString(path), -1, -1, image));
        return image;
    }

    // The same frame straight from the projector.
    PixelImage expected(int w, int h, float pitch, float yaw, int focal, int top = 26,
                        int bottom = -64, bool reverse = false) {
        PanoramaProjector projector;
        projector.resize(w, h);
        EXPECT_TRUE(projector.setSource(strip.bits(), strip.width(), strip.height(), false));
        projector.setLimits(top, bottom);
        projector.setReverse(reverse);
        projector.setView(pitch, yaw, focal, false);
        EXPECT_EQ(projector.render(), 0);
        PixelImage copy;
        EXPECT_TRUE(copy.assign(projector.output()));
        return copy;
    }

    static bool samePixels(const PixelImage& a, const PixelImage& b) {
        if (a.width() != b.width() || a.height() != b.height())
            return false;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (std::memcmp(a.pixel(x, y), b.pixel(x, y), 3) != 0)
                    return false;
        return true;
    }

    test::QtTempFolder folder;
    std::string panorama = folder.path("strip.png").toStdString();
    std::string out = folder.path("view.png").toStdString();
    PixelImage strip;
};

TEST_F(OrbpixView, KeepsTheViewInBoundsAndWritesTheRoundedSize) {
    const Outcome result = orbpix({"view", panorama, "-o", out, "--size", "301x203", "--yaw", "-30",
                                   "--focal", "2000", "--pitch", "60", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
    EXPECT_EQ(json.value("yaw").toDouble(), 330);
    EXPECT_EQ(json.value("pitch").toDouble(), 45);
    EXPECT_EQ(json.value("focal").toInt(), 1024);
    EXPECT_EQ(json.value("width").toInt(), 304);
    EXPECT_EQ(json.value("height").toInt(), 208);
    EXPECT_TRUE(samePixels(written(out), expected(304, 208, 45, 330, 1024)));

    // Defaults are those of a reset view; a focal length below half the height is raised.
    ASSERT_EQ(orbpix({"view", panorama, "-o", out, "--size", "320x240", "--focal", "50"}).status,
              0);
    EXPECT_TRUE(samePixels(written(out), expected(320, 240, 30, 360, 120)));

    // A frame that would reach below the strip's bottom row shows a smaller pitch, and says so:
    // half of this frame spans 45 degrees, and the strip ends 64 degrees down.
    const Outcome kept = orbpix({"view", panorama, "-o", out, "--size", "320x240", "--focal", "120",
                                 "--pitch", "45", "--json"});
    ASSERT_EQ(kept.status, 0) << kept.err;
    EXPECT_NEAR(QJsonDocument::fromJson(QByteArray::fromStdString(kept.out))
                    .object()
                    .value("pitch")
                    .toDouble(),
                19, 1e-4);
}

TEST_F(OrbpixView, LimitsAndReverseReachTheRenderer) {
    ASSERT_EQ(orbpix({"view", panorama, "-o", out, "--size", "160x120", "--pitch", "-40", "--yaw",
                      "100", "--limits", "40,-50", "--reverse"})
                  .status,
              0);
    EXPECT_TRUE(samePixels(written(out), expected(160, 120, -40, 100, 256, 40, -50, true)));
    EXPECT_FALSE(samePixels(written(out), expected(160, 120, -40, 100, 256, 40, -50, false)));
}

TEST_F(OrbpixView, ColourCorrectionSwitchesOnOnlyThePassesThatChangeSomething) {
    for (ColourCorrection cc : {ColourCorrection{0, 0, 80}, ColourCorrection{-20, 40, 0},
                                ColourCorrection{10, 10, -100}}) {
        ASSERT_EQ(orbpix({"view", panorama, "-o", out, "--size", "160x120", "--yaw", "45", "--cc",
                          formatColourCorrection(cc)})
                      .status,
                  0);
        PixelImage frame = expected(160, 120, 30, 45, 256);
        ColourAdjuster adjuster;
        adjuster.configure(cc);
        adjuster.apply(frame.bits(), frame.byteCount() / 4);
        EXPECT_TRUE(samePixels(written(out), frame)) << formatColourCorrection(cc);
    }
}

TEST_F(OrbpixView, RefusesBadArgumentsAndUnreadablePanoramas) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"view", panorama, "-o", out},
             {"view", panorama, "-o", out, "--size", "100"},
             {"view", panorama, "-o", out, "--size", "0x100"},
             {"view", panorama, "-o", out, "--size", "100x100", "--pitch", "up"},
             {"view", panorama, "-o", out, "--size", "100x100", "--limits", "26"},
             {"view", panorama, "-o", out, "--size", "100x100", "--cc", "1,2"},
             {"view", panorama, "--size", "100x100"},
         })
        EXPECT_EQ(orbpix(args).status, cli::kExitUsage) << args.back();
    EXPECT_EQ(
        orbpix({"view", folder.path("missing.png").toStdString(), "-o", out, "--size", "64x64"})
            .status,
        cli::kExitUnreadable);
}

}  // namespace
}  // namespace orbpix
