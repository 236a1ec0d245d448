#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "OrbpixCopy.h"
#include "support/TourExportSupport.h"
#include "tourfmt/TourAlbum.h"

namespace orbpix {
namespace {

// "orbpix web build", run from a program folder of the test's own with the built page
// templates.
class WebBuild : public test::OrbpixCopy {
protected:
    WebBuild() : OrbpixCopy({"web", "build"}) {}
    void SetUp() override {
        OrbpixCopy::SetUp();
        ASSERT_TRUE(QFile::link(QStringLiteral(ORBPIX_PROGRAM_DIR) + "/Export/Html",
                                m_temp.path("program/Export/Html")));
        ring("a.jpg", 1);
        ring("b.jpg", 2);
        writeFile(m_temp.path("pictures/broken.jpg"), "not a picture");
    }
    void ring(const QString& name, int seed) {
        EXPECT_TRUE(
            test::writeRingPicture(m_temp.path("pictures/" + name), 320, 240, 20, 100, seed));
    }
    QString picture(const QString& name) const { return m_temp.path("pictures/" + name); }
};

TEST_F(WebBuild, PicturesBecomeAPageFolder) {
    writeFile(machineFolder() + "/Orbworks/OrbPixStudio.conf",
              "[Settings]\nCompressionHtml=25\n[User]\nName=Ann & Co\nAddress=Road 1\n");
    const QString out = m_temp.path("site");
    const Outcome result =
        orbpix({"-o", out, picture("a.jpg"), picture("broken.jpg"), picture("b.jpg"), "--title",
                "Mars <1>", "--reverse", picture("b.jpg")});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.trimmed(), out + "/index.html");
    EXPECT_TRUE(result.err.contains("left out broken.jpg")) << result.err.toStdString();
    const QByteArray html = readFile(out + "/index.html");
    EXPECT_TRUE(html.contains("<title>Mars &lt;1&gt;</title>"));
    EXPECT_TRUE(html.contains("Pictures: \"a.jpg\",\"b.jpg\"</p>"));
    EXPECT_TRUE(html.contains("<p class=\"orb-name\" data-line>Ann & Co</p>"));
    // The skin's style sheet replaced the common one.
    EXPECT_EQ(readFile(out + "/skin.css"),
              readFile(QStringLiteral(ORBPIX_PROGRAM_DIR) + "/Skins/Default/Html/skin.css"));
    const auto album = readTourAlbumFile((out + "/album.orb").toStdString());
    ASSERT_TRUE(album);
    EXPECT_EQ(album->title, "Mars <1>");
    ASSERT_EQ(album->pictures.size(), 2u);
    // The picture taken upside down carries the reverse mounting's angles.
    EXPECT_EQ(album->pictures[1].firstAngle, -26);
    EXPECT_EQ(album->pictures[1].secondAngle, 64);
    QImage panorama;
    const auto& jpeg = album->pictures[0].jpeg;
    ASSERT_TRUE(panorama.loadFromData(jpeg.data(), int(jpeg.size()), "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(1000, 250));  // "CompressionHtml" 25

    // --private empties the author's lines; an empty folder that is there is used.
    const QString empty = m_temp.path("empty");
    ASSERT_TRUE(QDir().mkpath(empty));
    ASSERT_EQ(orbpix({"-o", empty, "--private", "--compression", "25", picture("a.jpg")}).status,
              0);
    EXPECT_TRUE(readFile(empty + "/index.html").contains("<p class=\"orb-name\" data-line></p>"));
    EXPECT_FALSE(readTourAlbumFile((empty + "/album.orb").toStdString())->info);
}

TEST_F(WebBuild, RefusesFoldersInUseAndLeavesNothingOnFailure) {
    const QString used = m_temp.path("used");
    writeFile(used + "/keep.txt", "mine");
    Outcome result = orbpix({"-o", used, picture("a.jpg")});
    EXPECT_EQ(result.status, 4);
    EXPECT_TRUE(result.err.contains("is not empty")) << result.err.toStdString();
    EXPECT_EQ(QDir(used).entryList(QDir::Files), QStringList{"keep.txt"});

    result = orbpix({"-o", used + "/keep.txt", picture("a.jpg")});
    EXPECT_EQ(result.status, 4);
    EXPECT_TRUE(result.err.contains("is not a folder")) << result.err.toStdString();

    // Nothing readable: no folder is left behind, and an empty one stays empty.
    result = orbpix({"-o", m_temp.path("new"), picture("broken.jpg")});
    EXPECT_EQ(result.status, 2);
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("new")));
    ASSERT_TRUE(QDir().mkpath(m_temp.path("was empty")));
    EXPECT_EQ(orbpix({"-o", m_temp.path("was empty"), picture("broken.jpg")}).status, 2);
    EXPECT_TRUE(QDir(m_temp.path("was empty")).isEmpty());

    result = orbpix({"-o", m_temp.path("skinless"), "--skin", "Nope", picture("a.jpg")});
    EXPECT_EQ(result.status, 4);
    EXPECT_TRUE(result.err.contains("no skin named Nope")) << result.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("skinless")));

    EXPECT_EQ(orbpix({picture("a.jpg")}).status, 1);
    EXPECT_EQ(orbpix({"-o", m_temp.path("x"), "--keep-orb", "k", picture("a.jpg")}).status, 1);
}

}  // namespace
}  // namespace orbpix
