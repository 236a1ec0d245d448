#include "album/ItemCirclesBatch.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

#include "AlbumTestSupport.h"
#include "imaging/LensCircle.h"

namespace orbpix {
namespace {

void saveRing(const std::string& path, int width, int height, bool ring) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(8, 8, 8));
    if (ring) {
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(220, 190, 160));
        painter.drawEllipse(QPointF(width / 2.0 + 20, height / 2.0 - 10), height * 0.4,
                            height * 0.4);
    }
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

TEST(ItemCirclesBatch, ItemsWithoutCirclesGetThemThroughTheChangeList) {
    test::AlbumFolder f;
    saveRing(f.path("ring.png"), 1000, 800, true);
    saveRing(f.path("dark.png"), 1600, 1200, false);
    test::writeFile(f.path("broken.png"), "not a picture");
    f.addPicture("known.bmp");
    auto album = f.open();
    ASSERT_EQ(test::itemFileNames(*album),
              (std::vector<std::string>{"broken.png", "dark.png", "known.bmp", "ring.png"}));
    ASSERT_TRUE(album->setProperty(2, "CIRCLES", "1,2,3,4"));
    ASSERT_TRUE(album->saveIfDirty());

    const std::vector<std::size_t> indexes{0, 1, 2, 3, 9};
    std::vector<PropertyChange> changes;
    EXPECT_EQ(detectCirclesOfItems(*album, indexes, &changes), 2u);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_FALSE(album->isDirty()) << "the change list holds the changes, not the album";
    EXPECT_EQ(changes[0].index, 1u);
    EXPECT_EQ(changes[0].name, "CIRCLES");
    EXPECT_EQ(changes[0].value, "800,600,120,539") << "defaults of a failed detection";
    EXPECT_EQ(changes[1].index, 3u);
    const auto circles = parseCirclesText(changes[1].value);
    ASSERT_TRUE(circles);
    EXPECT_NEAR(circles->outer.cx, 520, 3);
    EXPECT_NEAR(circles->outer.cy, 390, 3);
    EXPECT_NEAR(circles->outer.radius, 320, 3);

    // Without a change list the values go straight to the items, once.
    EXPECT_EQ(detectCirclesOfItems(*album, indexes), 2u);
    EXPECT_EQ(album->property(1, "CIRCLES"), changes[0].value);
    EXPECT_EQ(album->property(3, "CIRCLES"), changes[1].value);
    EXPECT_EQ(album->property(2, "CIRCLES"), "1,2,3,4");
    EXPECT_FALSE(album->property(0, "CIRCLES"));
    EXPECT_EQ(detectCirclesOfItems(*album, indexes), 0u);
}

}  // namespace
}  // namespace orbpix
