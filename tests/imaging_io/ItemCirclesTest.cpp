#include "imaging/io/ItemCircles.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

#include "support/QtFiles.h"

namespace orbpix {
namespace {

TEST(ItemCircles, DetectsOnTheFittedPictureAndScalesBack) {
    // A 2000 × 1500 ring is detected at 800 × 600 and scaled back by 2.5.
    QImage image(2000, 1500, QImage::Format_RGB32);
    image.fill(qRgb(8, 8, 8));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(210, 180, 150));
    painter.drawEllipse(QPointF(1010, 740), 650, 650);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawEllipse(QPointF(1010, 740), 150, 150);
    painter.end();
    test::QtTempFolder folder;
    const QString path = folder.path(QStringLiteral("ring.png"));
    ASSERT_TRUE(image.save(path));

    const auto found = detectItemCircles(path);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->detected);
    EXPECT_EQ(found->fittedSize, QSize(800, 600));
    EXPECT_EQ(found->fullSize, QSize(2000, 1500));
    EXPECT_NEAR(found->circles.outer.cx, 1010, 2 * 2.5);
    EXPECT_NEAR(found->circles.outer.cy, 740, 2 * 2.5);
    EXPECT_NEAR(found->circles.outer.radius, 650, 2 * 2.5);
    EXPECT_NEAR(found->circles.inner.radius, 650 * 0.2277724846671251, 2);
}

TEST(ItemCircles, FailureGivesTheDefaults) {
    // Dark, with a bright corner that lifts the threshold above the dark level but lies
    // on no ray: no edge point at all.
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(qRgb(10, 10, 10));
    QPainter painter(&image);
    painter.fillRect(0, 0, 150, 150, Qt::white);
    painter.end();
    test::QtTempFolder folder;
    const QString path = folder.path(QStringLiteral("corner.png"));
    ASSERT_TRUE(image.save(path));
    const auto found = detectItemCircles(path);
    ASSERT_TRUE(found);
    EXPECT_FALSE(found->detected);
    EXPECT_EQ(found->text, "800,600,120,539");
    EXPECT_FLOAT_EQ(found->circles.outer.radius, 539);
    EXPECT_FLOAT_EQ(found->circles.inner.radius, 120);
    EXPECT_FLOAT_EQ(found->circles.inner.cx, 800);
    QString error;
    EXPECT_FALSE(detectItemCircles(folder.path(QStringLiteral("none.jpg")), &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace orbpix
