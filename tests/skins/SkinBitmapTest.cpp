#include "skins/SkinBitmap.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "skins/SkinInfo.h"
#include "skins/SkinManager.h"

namespace orbpix {
namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kBlack = 0xff000000;

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A picture whose pixel (x, y) is (x, y, 7): every pixel says where it came from.
QImage numbered(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x, y, 7));
    return image;
}

SkinBitmap bitmapOf(QImage picture) {
    SkinBitmap bitmap;
    bitmap.attach(std::move(picture));
    return bitmap;
}

TEST(SkinBitmap, OpaqueCopiesCutsAndStretchesByDroppingPixels) {
    const SkinBitmap bitmap = bitmapOf(numbered(4, 4));
    QImage canvas = filled(10, 10, kBlack);
    bitmap.draw(SkinCanvas(canvas), 2, 3, QRect(1, 1, 10, 2));  // cut to 3 × 2
    EXPECT_EQ(canvas.pixel(2, 3), qRgb(1, 1, 7));
    EXPECT_EQ(canvas.pixel(4, 4), qRgb(3, 2, 7));
    EXPECT_EQ(canvas.pixel(5, 3), kBlack);
    EXPECT_EQ(canvas.pixel(2, 5), kBlack);

    QImage stretched = filled(10, 10, kBlack);
    bitmap.draw(SkinCanvas(stretched), 0, 0, QRect(0, 0, 2, 1), QSize(4, 2));
    EXPECT_EQ(stretched.pixel(1, 1), qRgb(0, 0, 7));
    EXPECT_EQ(stretched.pixel(2, 0), qRgb(1, 0, 7));
    QImage shrunk = filled(10, 10, kBlack);
    bitmap.draw(SkinCanvas(shrunk), 0, 0, std::nullopt, QSize(2, 2));
    EXPECT_EQ(shrunk.pixel(1, 1), qRgb(2, 2, 7));  // every other pixel dropped

    QImage untouched = filled(10, 10, kBlack);
    bitmap.draw(SkinCanvas(untouched), 0, 0, QRect(4, 0, 3, 3));
    bitmap.draw(SkinCanvas(untouched), 0, 0, QRect(-5, -5, 5, 5));
    SkinBitmap().draw(SkinCanvas(untouched), 0, 0);
    EXPECT_EQ(untouched, filled(10, 10, kBlack));
}

TEST(SkinBitmap, TheKeyColourShowsTheBackgroundAndAnAbsentKeyDrawsLikeOpaque) {
    SkinBitmap bitmap = bitmapOf(numbered(4, 4));
    QImage opaque = filled(6, 6, kGreen);
    bitmap.draw(SkinCanvas(opaque), 1, 1);
    bitmap.setTransparent(qRgb(200, 200, 200));
    QImage keyed = filled(6, 6, kGreen);
    bitmap.draw(SkinCanvas(keyed), 1, 1);
    EXPECT_EQ(keyed, opaque);
    EXPECT_TRUE(bitmap.needsSpecialDrawing());

    QImage picture = filled(2, 1, kRed);
    picture.setPixel(1, 0, kBlue);
    SkinBitmap keyRed = bitmapOf(picture);
    keyRed.setTransparent(0x00ff0000);  // the fourth byte never counts
    QImage canvas = filled(4, 2, kGreen);
    canvas.setPixel(0, 1, kBlack);
    keyRed.draw(SkinCanvas(canvas), 0, 0, std::nullopt, QSize(4, 2));
    // The background under the picture's size is stretched with it.
    EXPECT_EQ(canvas.pixel(0, 0), kGreen);
    EXPECT_EQ(canvas.pixel(1, 1), kGreen);
    EXPECT_EQ(canvas.pixel(2, 1), kBlue);
}

TEST(SkinBitmap, CoverageBlendsWithTruncationAndOnlyWhereAsked) {
    SkinBitmap bitmap = bitmapOf(filled(3, 2, qRgb(255, 100, 3)));
    EXPECT_FALSE(bitmap.needsSpecialDrawing());
    EXPECT_FALSE(bitmap.setCoverage(std::vector<std::uint8_t>(5), 2));  // shorter than a row
    // Bottom row first: the top row of the picture is the second row of the plane.
    ASSERT_TRUE(bitmap.setCoverage({0, 255, 128, 0, 128, 128, 255, 0}, 4));
    EXPECT_TRUE(bitmap.needsSpecialDrawing());
    QImage canvas = filled(3, 2, kBlack);
    bitmap.setTransparent(qRgb(255, 100, 3));  // blending wins over the key
    bitmap.draw(SkinCanvas(canvas), 0, 0);
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(128, 50, 1));
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(128, 50, 1));
    EXPECT_EQ(canvas.pixel(2, 0), qRgb(255, 100, 3));
    EXPECT_EQ(canvas.pixel(0, 1), kBlack);
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 100, 3));

    bitmap.attach(filled(3, 2, kRed));  // a new picture drops the plane
    EXPECT_FALSE(bitmap.hasCoverage());
}

TEST(SkinBitmap, TilesAreLaidFromTheChosenCornerAndClipped) {
    // Columns tell which tile drew them: tile picture 30 × 10, each tile a different shade.
    SkinBitmap tile = bitmapOf(numbered(30, 10));
    tile.setTileCorner(TileCorner::TopRight);
    QImage canvas = filled(200, 40, kBlack);
    const QRect area(50, 5, 100, 12);  // right edge at 150
    EXPECT_EQ(tile.drawTiled(SkinCanvas(canvas), area), 4 * 2);
    EXPECT_EQ(canvas.pixel(149, 5), qRgb(29, 0, 7));  // first tile ends at the right edge
    EXPECT_EQ(canvas.pixel(120, 5), qRgb(0, 0, 7));   // starts at right − 30
    EXPECT_EQ(canvas.pixel(90, 5), qRgb(0, 0, 7));    // right − 60
    EXPECT_EQ(canvas.pixel(60, 5), qRgb(0, 0, 7));    // right − 90
    EXPECT_EQ(canvas.pixel(50, 5), qRgb(20, 0, 7));   // right − 120, clipped at the left
    EXPECT_EQ(canvas.pixel(49, 5), kBlack);
    EXPECT_EQ(canvas.pixel(60, 16), qRgb(0, 1, 7));  // second row, clipped at the bottom
    EXPECT_EQ(canvas.pixel(60, 17), kBlack);

    tile.setTileCorner(TileCorner::BottomLeft);
    QImage fromBottom = filled(200, 40, kBlack);
    EXPECT_EQ(tile.drawTiled(SkinCanvas(fromBottom), area), 8);
    EXPECT_EQ(fromBottom.pixel(50, 16), qRgb(0, 9, 7));
    EXPECT_EQ(fromBottom.pixel(50, 5), qRgb(0, 8, 7));  // the partial row is the top one
    EXPECT_EQ(SkinBitmap().drawTiled(SkinCanvas(fromBottom), area), 0);
}

TEST(SkinColour, ThreeNumbersBlanksBeforeEachLowEightBits) {
    EXPECT_EQ(parseSkinColour("1, 2,\t3"), qRgb(1, 2, 3));
    EXPECT_EQ(parseSkinColour("256,-1,3 trailing"), qRgb(0, 255, 3));
    EXPECT_EQ(parseSkinColour("1 ,2,3"), std::nullopt);
    EXPECT_EQ(parseSkinColour("1,2"), std::nullopt);
    EXPECT_EQ(parseSkinColour("red"), std::nullopt);
    EXPECT_EQ(parseSkinColour(""), std::nullopt);
}

class SkinElementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
    }
    QString folder() const { return m_dir.path() + "/Skins/Plain/"; }
    void writeInfo(const QByteArray& text) {
        QFile file(folder() + "info.txt");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    void selectPlain() { ASSERT_TRUE(m_skins.initialise(m_dir.path() + "/Skins", "Plain", "")); }

    QTemporaryDir m_dir;
    SkinManager m_skins;
};

TEST_F(SkinElementTest, AMissingPictureStaysEmptyUnlessTheSkinAsksForTheBuiltIn) {
    SkinBitmap background;
    // No skin current: every element is the built-in picture and no info file is read.
    EXPECT_TRUE(background.load(m_skins, "MAIN_BKG"));
    EXPECT_EQ(background.picture().pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(m_skins.getSkinColor("DONUTS_TXT", kBlue), kBlue);

    selectPlain();
    EXPECT_FALSE(background.load(m_skins, "MAIN_BKG"));
    EXPECT_TRUE(background.isEmpty());
    writeInfo("[defaultskin]\nmain_bkg = 1\n");
    EXPECT_TRUE(background.load(m_skins, "MAIN_BKG"));
    EXPECT_EQ(background.size(), QSize(4, 2));
    EXPECT_FALSE(background.load(m_skins, "BKG_D"));  // no built-in of that name here

    ASSERT_TRUE(filled(3, 3, kGreen).save(folder() + "MAIN_BKG.bmp"));
    EXPECT_TRUE(background.load(m_skins, "MAIN_BKG"));
    EXPECT_EQ(background.picture().pixel(0, 0), kGreen);
}

TEST_F(SkinElementTest, InfoFileGivesColoursTransparencyAndTileCorner) {
    writeInfo(
        "; colours of the plain skin\n"
        "[COLOR]\nDonuts_Txt = \"9, 8, 7\"\nPI_COL=1,2\n[Color]\nDONUTS_BKG=5,5,5\n"
        "[Transparency]\nBKG_D=255,0,255\nMAIN_LOGO=oops\n[Tile]\nBKG_D=2\n");
    ASSERT_TRUE(filled(2, 2, kRed).save(folder() + "BKG_D.bmp"));
    selectPlain();
    EXPECT_EQ(m_skins.getSkinColor("DONUTS_TXT", kBlue), qRgb(9, 8, 7));
    EXPECT_EQ(m_skins.getSkinColor("PI_COL", kBlue), kBlue);
    EXPECT_EQ(m_skins.getSkinColor("DONUTS_BKG", kBlue), kBlue);  // the first section counts
    EXPECT_EQ(m_skins.getInfoInt("Tile", "bkg_d", 0), 2);
    EXPECT_EQ(m_skins.getInfoInt("Tile", "MAIN_BKG", -4), -4);

    SkinBitmap decoration;
    EXPECT_TRUE(decoration.load(m_skins, "BKG_D"));
    EXPECT_EQ(decoration.transparentColour(), qRgb(255, 0, 255) & 0xffffff);
    EXPECT_EQ(decoration.tileCorner(), TileCorner::BottomRight);
    SkinBitmap logo;
    logo.setTransparent(kRed);
    EXPECT_FALSE(logo.load(m_skins, "MAIN_LOGO"));
    EXPECT_FALSE(logo.isTransparent());
}

}  // namespace
}  // namespace orbpix
