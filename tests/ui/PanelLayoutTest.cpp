#include "ui/PanelLayout.h"

#include <gtest/gtest.h>

#include "ui/PanelBackground.h"

namespace orbpix {
namespace {

TEST(FitPicture, KeepsTheRatioAsItWasAlwaysComputed) {
    struct Case {
        QRect area;
        QRect picture;
    };
    const Case cases[] = {
        // Wide areas give a picture as high as the area, centred by integer halves.
        {QRect(0, 0, 1000, 500), QRect(56, 0, 888, 500)},
        // Tall areas give one as wide as the area.
        {QRect(10, 20, 900, 600), QRect(10, 67, 900, 506)},
        // Exactly 16:9 loses a pixel of width to the factor as written.
        {QRect(0, 0, 800, 450), QRect(0, 0, 799, 450)},
        {QRect(5, 5, 0, 100), QRect(5, 5, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitPicture(c.area), c.picture) << c.area.width() << "x" << c.area.height();
}

TEST(CentredBar, ButtonsSitSideBySideInTheMiddle) {
    EXPECT_EQ(centredBarPositions({52, 52, 40}, 800), (std::vector<int>{328, 380, 432}));
    // A bar wider than the window starts left of it, still centred.
    EXPECT_EQ(centredBarPositions({300, 300}, 501), (std::vector<int>{-49, 251}));
}

class Anchoring : public ::testing::Test {
protected:
    Anchoring() : anchors(QSize(800, 550), QRect(72, 214, 500, 284)) {
        anchors.place(panel::kAddPictures, QRect(244, 0, 52, 47), Anchor::TopBar);
        anchors.place(panel::kStrip, QRect(4, 56, 792, 128), Anchor::StripWidth);
        anchors.place(panel::kBrightness, QRect(628, 332, 128, 22), Anchor::BottomRight);
        anchors.place(panel::kTrash, QRect(14, 492, 44, 44), Anchor::Bottom);
        anchors.place(panel::kAlbumList, QRect(12, 12, 196, 24), Anchor::Fixed);
        anchors.place(panel::kZoomOut, QRect(0, 0, 32, 28), Anchor::ZoomOut);
        anchors.place(panel::kZoomIn, QRect(0, 0, 30, 28), Anchor::ZoomIn);
        anchors.place(panel::kPictureView, QRect(), Anchor::Picture);
        anchors.placeZoomButtons();
    }
    PanelAnchoring anchors;
};

TEST_F(Anchoring, EachControlFollowsItsEdge) {
    EXPECT_EQ(anchors.rect(panel::kPictureView), QRect(72, 215, 500, 281));
    // Zoom buttons right-aligned under the picture, 7 pixels below it.
    EXPECT_EQ(anchors.rect(panel::kZoomOut), QRect(572 - 96, 503, 32, 28));
    EXPECT_EQ(anchors.rect(panel::kZoomIn), QRect(572 - 60, 503, 30, 28));

    ASSERT_TRUE(anchors.resize(QSize(901, 550)));
    EXPECT_EQ(anchors.rect(panel::kAddPictures), QRect(294, 0, 52, 47));  // +50 of 101
    EXPECT_EQ(anchors.rect(panel::kBrightness), QRect(729, 332, 128, 22));
    EXPECT_EQ(anchors.rect(panel::kStrip), QRect(4, 56, 893, 128));
    EXPECT_EQ(anchors.rect(panel::kTrash), QRect(14, 492, 44, 44));
    EXPECT_EQ(anchors.rect(panel::kAlbumList), QRect(12, 12, 196, 24));
    // The view area is 601 × 284 now: wider than 16:9, so as high as the area.
    EXPECT_EQ(anchors.viewArea(), QRect(72, 214, 601, 284));
    EXPECT_EQ(anchors.rect(panel::kPictureView), QRect(72 + (601 - 504) / 2, 214, 504, 284));
    EXPECT_EQ(anchors.rect(panel::kZoomIn).topLeft(), QPoint(72 + 48 + 504 - 60, 214 + 284 + 7));

    ASSERT_TRUE(anchors.resize(QSize(901, 650)));
    EXPECT_EQ(anchors.rect(panel::kTrash), QRect(14, 592, 44, 44));
    EXPECT_EQ(anchors.rect(panel::kBrightness), QRect(729, 432, 128, 22));
    EXPECT_EQ(anchors.rect(panel::kAddPictures), QRect(294, 0, 52, 47));
    // The same size again moves nothing and asks for no redraw.
    EXPECT_FALSE(anchors.resize(QSize(901, 650)));
    EXPECT_EQ(anchors.rect(panel::kTrash), QRect(14, 592, 44, 44));
    // Back to the start gives the start again.
    ASSERT_TRUE(anchors.resize(QSize(800, 550)));
    EXPECT_EQ(anchors.rect(panel::kAddPictures), QRect(244, 0, 52, 47));
    EXPECT_EQ(anchors.rect(panel::kPictureView), QRect(72, 215, 500, 281));
}

// Skin pictures of one colour each, so that the composed background shows which one lies
// where.
SkinBitmap solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    SkinBitmap bitmap;
    bitmap.attach(image);
    return bitmap;
}

TEST(PanelBackground, IsLaidInItsOrder) {
    PanelSkin skin;
    skin.background = solid(16, 16, qRgb(10, 10, 10));
    skin.corner = solid(40, 30, qRgb(20, 0, 0));
    skin.barLeft = solid(24, 48, qRgb(0, 30, 0));
    skin.barMiddle = solid(8, 48, qRgb(0, 40, 0));
    skin.barRight = solid(24, 48, qRgb(0, 50, 0));
    skin.bandLeft = solid(16, 100, qRgb(0, 0, 60));
    skin.bandMiddle = solid(8, 100, qRgb(0, 0, 70));
    skin.bandRight = solid(16, 100, qRgb(0, 0, 80));
    skin.top = solid(20, 6, qRgb(100, 0, 0));
    skin.left = solid(6, 20, qRgb(101, 0, 0));
    skin.right = solid(6, 20, qRgb(102, 0, 0));
    skin.bottom = solid(20, 6, qRgb(103, 0, 0));
    skin.topLeft = solid(6, 6, qRgb(110, 0, 0));
    skin.topRight = solid(6, 6, qRgb(111, 0, 0));
    skin.bottomLeft = solid(6, 6, qRgb(112, 0, 0));
    skin.bottomRight = solid(6, 6, qRgb(113, 0, 0));
    skin.topFillLeft = solid(4, 6, qRgb(120, 0, 0));
    skin.topFillRight = solid(4, 6, qRgb(121, 0, 0));
    skin.leftFillTop = solid(6, 4, qRgb(122, 0, 0));
    skin.leftFillBottom = solid(6, 4, qRgb(123, 0, 0));
    skin.rightFillTop = solid(6, 4, qRgb(124, 0, 0));
    skin.rightFillBottom = solid(6, 4, qRgb(125, 0, 0));
    skin.bottomFillLeft = solid(4, 6, qRgb(126, 0, 0));
    skin.bottomFillRight = solid(4, 6, qRgb(127, 0, 0));

    QImage image(300, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRect picture(100, 200, 100, 60);  // right edge at 200, bottom at 260
    ASSERT_TRUE(composePanelBackground(image, skin, picture));
    const auto at = [&image](int x, int y) { return image.pixel(x, y) & RGB_MASK; };
    const auto rgb = [](int r, int g, int b) { return qRgb(r, g, b) & RGB_MASK; };

    EXPECT_EQ(at(150, 350), rgb(10, 10, 10));  // ground
    EXPECT_EQ(at(299, 399), rgb(20, 0, 0));    // corner decoration
    EXPECT_EQ(at(259, 369), rgb(10, 10, 10));
    EXPECT_EQ(at(0, 0), rgb(0, 30, 0));
    EXPECT_EQ(at(150, 47), rgb(0, 40, 0));
    EXPECT_EQ(at(299, 0), rgb(0, 50, 0));
    EXPECT_EQ(at(0, 48), rgb(0, 0, 60));  // the band starts under the bar's left end
    EXPECT_EQ(at(150, 147), rgb(0, 0, 70));
    EXPECT_EQ(at(284, 48), rgb(0, 0, 80));
    EXPECT_EQ(at(150, 148), rgb(10, 10, 10));
    // Frame: centre parts in the middle of each side, corners outside the picture's corners.
    EXPECT_EQ(at(140, 194), rgb(100, 0, 0));
    EXPECT_EQ(at(94, 220), rgb(101, 0, 0));
    EXPECT_EQ(at(200, 220), rgb(102, 0, 0));
    EXPECT_EQ(at(140, 260), rgb(103, 0, 0));
    EXPECT_EQ(at(94, 194), rgb(110, 0, 0));
    EXPECT_EQ(at(205, 194), rgb(111, 0, 0));
    EXPECT_EQ(at(94, 265), rgb(112, 0, 0));
    EXPECT_EQ(at(205, 265), rgb(113, 0, 0));
    // Fillers between corners and centre parts.
    EXPECT_EQ(at(106, 194), rgb(120, 0, 0));
    EXPECT_EQ(at(190, 194), rgb(121, 0, 0));
    EXPECT_EQ(at(94, 206), rgb(122, 0, 0));
    EXPECT_EQ(at(94, 250), rgb(123, 0, 0));
    EXPECT_EQ(at(205, 206), rgb(124, 0, 0));
    EXPECT_EQ(at(205, 250), rgb(125, 0, 0));
    EXPECT_EQ(at(106, 265), rgb(126, 0, 0));
    EXPECT_EQ(at(190, 265), rgb(127, 0, 0));
    // The picture itself is left for the view.
    EXPECT_EQ(at(150, 230), rgb(10, 10, 10));

    // Bar ends wider together than the window: no middle part.
    image = QImage(40, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(composePanelBackground(image, skin, QRect()));
    EXPECT_EQ(at(20, 0), rgb(0, 50, 0));
    EXPECT_EQ(at(15, 0), rgb(0, 30, 0));

    // Without a ground the background counts as unpainted, and whatever is missing draws
    // nothing.
    PanelSkin bare;
    bare.corner = skin.corner;
    image.fill(Qt::white);
    EXPECT_FALSE(composePanelBackground(image, bare, picture));
    EXPECT_EQ(at(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(at(39, 299), rgb(20, 0, 0));
}

}  // namespace
}  // namespace orbpix
