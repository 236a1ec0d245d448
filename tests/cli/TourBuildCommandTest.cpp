#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "OrbpixCopy.h"
#include "shell/RegistryStore.h"
#include "support/TourExportSupport.h"

namespace orbpix {
namespace {

// "orbpix tour build", run from a program folder of the test's own.
class TourBuild : public test::OrbpixCopy {
protected:
    TourBuild() : OrbpixCopy({"tour", "build"}) {}
    QString ring(const QString& path, int seed) {
        EXPECT_TRUE(test::writeRingPicture(path, 320, 240, 20, 100, seed));
        return path;
    }
};

TEST_F(TourBuild, PicturesBecomeATourAndUnusableOnesAreListed) {
    const QString a = ring(m_temp.path("pictures/a.jpg"), 1);
    const QString broken = m_temp.path("pictures/broken.jpg");
    writeFile(broken, "not a picture");
    const QString tour = m_temp.path("out/My Tour");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("out")));
    const Outcome result = orbpix({"-o", tour, a, broken, "--title", "Red planet", "--private",
                                   "--compression", "100", "--keep-orb", m_temp.path("kept.orb")});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("left out broken.jpg")) << result.err.toStdString();
    const auto read = test::readTourProgram(tour);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->album.title, "Red planet");
    EXPECT_FALSE(read->album.info);
    ASSERT_EQ(read->album.pictures.size(), 1u);
    EXPECT_EQ(read->album.pictures[0].name, "a.jpg");
    QImage panorama;
    const auto& jpeg = read->album.pictures[0].jpeg;
    ASSERT_TRUE(panorama.loadFromData(jpeg.data(), int(jpeg.size()), "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(2000, 500));
    // The kept file is the album file the tour carries.
    const auto kept = readTourAlbumFile(m_temp.path("kept.orb").toStdString());
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, read->album);
}

TEST_F(TourBuild, TinyRingsAreLeftOutAndDamagedPicturesNamed) {
    const QString a = ring(m_temp.path("pictures/a.jpg"), 1);
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::red);
    const QString tiny = m_temp.path("pictures/dot.png");
    ASSERT_TRUE(dot.save(tiny));
    const QString cut = m_temp.path("pictures/cut.jpg");
    ASSERT_TRUE(QFile::copy(a, cut));
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(a).size() / 2));

    // Alone, an unusable picture leaves nothing to publish.
    const Outcome alone = orbpix({"-o", m_temp.path("t1"), tiny});
    EXPECT_EQ(alone.status, 2);
    EXPECT_TRUE(alone.err.contains("left out dot.png (its ring is missing, too small"))
        << alone.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("t1")));

    const Outcome kept = orbpix({"-o", m_temp.path("t2"), "--compression", "100", cut, a});
    ASSERT_EQ(kept.status, 0) << kept.err.toStdString();
    EXPECT_TRUE(kept.err.contains("warning: " + cut + " is damaged")) << kept.err.toStdString();
    EXPECT_EQ(test::readTourProgram(m_temp.path("t2"))->album.pictures.size(), 2u);

    const Outcome strict = orbpix({"-o", m_temp.path("t3"), "--strict", cut});
    EXPECT_EQ(strict.status, 2);
    EXPECT_TRUE(strict.err.contains("left out cut.jpg (damaged: ")) << strict.err.toStdString();
}

TEST_F(TourBuild, ReversedPicturesCarryTheUpsideDownLimits) {
    const QString a = ring(m_temp.path("pictures/a.jpg"), 1);
    const QString b = ring(m_temp.path("pictures/b.jpg"), 2);
    EXPECT_EQ(
        orbpix({"-o", m_temp.path("t"), a, "--reverse", m_temp.path("pictures/c.jpg")}).status, 1);
    const Outcome built =
        orbpix({"-o", m_temp.path("t"), "--compression", "100", a, b, "--reverse", b});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    const auto tour = test::readTourProgram(m_temp.path("t"));
    ASSERT_TRUE(tour);
    ASSERT_EQ(tour->album.pictures.size(), 2u);
    EXPECT_EQ(tour->album.pictures[0].firstAngle, -64);
    EXPECT_EQ(tour->album.pictures[0].secondAngle, 26);
    EXPECT_EQ(tour->album.pictures[1].firstAngle, -26);
    EXPECT_EQ(tour->album.pictures[1].secondAngle, 64);
}

TEST_F(TourBuild, AlbumOfTheLibraryWithTheSettingsInformation) {
    ASSERT_TRUE(registry::writeText(registry::Hive::User, "Software\\Orbworks\\Albums", "path",
                                    m_temp.path("library")));
    writeFile(userFolder() + "/Orbworks/OrbPixStudio.conf",
              "[User]\nName=Ann\nHomepage=http://ann.example\n");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("library/Mars trip")));
    ring(m_temp.path("library/Mars trip/1.jpg"), 2);
    ring(m_temp.path("library/Mars trip/2.jpg"), 3);
    const QString tour = m_temp.path("mars");
    const Outcome result = orbpix({"-o", tour, "--album", "Mars trip", "--threads", "2"});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    const auto read = test::readTourProgram(tour);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->album.title, "Mars trip");
    ASSERT_TRUE(read->album.info);
    EXPECT_EQ(read->album.info->authorName, "Ann");
    EXPECT_EQ(read->album.info->authorHomePage, "http://ann.example");
    EXPECT_EQ(read->album.pictures.size(), 2u);

    EXPECT_EQ(orbpix({"-o", tour, "--album", "No such"}).status, 5);
}

TEST_F(TourBuild, FailuresAndMistakesSaySo) {
    const QString a = ring(m_temp.path("pictures/a.jpg"), 1);
    // Which file could not be written and why, before any picture is unwrapped.
    for (const QString& destination : {m_temp.path("missing/tour"), QString("/proc/tour")}) {
        const Outcome copy = orbpix({"-o", destination, a});
        EXPECT_EQ(copy.status, 4);
        EXPECT_TRUE(copy.err.startsWith("orbpix tour build: cannot write " + destination + ": "))
            << copy.err.toStdString();
    }

    // A skin asked for must be there; a skin whose pictures are gone makes Tourgen fail, and
    // its messages come back instead of a box waiting for a click. No file is left either way.
    const Outcome noSkin = orbpix({"-o", m_temp.path("t"), "--skin", "Nowhere", a});
    EXPECT_EQ(noSkin.status, 4);
    EXPECT_EQ(noSkin.err, "orbpix tour build: no skin named Nowhere (installed: Default)\n");
    const QString broken = m_temp.path("program/Skins/Broken");
    ASSERT_TRUE(QDir().mkpath(broken));
    ASSERT_TRUE(QFile::copy(m_temp.path("program/Skins/Default/skin.ski"), broken + "/skin.ski"));
    const Outcome failed = orbpix({"-o", m_temp.path("t"), "--skin", "Broken", a});
    EXPECT_EQ(failed.status, 4);
    EXPECT_TRUE(failed.err.contains("Error in Generation")) << failed.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("t")));
    EXPECT_EQ(QDir(m_temp.root()).entryList({"t.part*"}, QDir::Files | QDir::Hidden),
              QStringList{});

    const Outcome nothing = orbpix({"-o", m_temp.path("t"), m_temp.path("pictures/none.jpg")});
    EXPECT_EQ(nothing.status, 2);
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("t")));

    EXPECT_EQ(orbpix({a}).status, 1);
    EXPECT_EQ(orbpix({"-o", m_temp.path("t")}).status, 1);
    EXPECT_EQ(orbpix({"-o", m_temp.path("t"), "--album", "x", a}).status, 1);
    EXPECT_EQ(orbpix({"-o", m_temp.path("t"), "--compression", "lots", a}).status, 1);
}

}  // namespace
}  // namespace orbpix
