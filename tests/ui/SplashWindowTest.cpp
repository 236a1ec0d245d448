#include "ui/SplashWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "shell/ResourceLibrary.h"
#include "shell/ResourceTemplates.h"

namespace orbpix {
namespace {

bool waitUntilHidden(const QWidget& w, int ms) {
    return QTest::qWaitFor([&] { return !w.isVisible(); }, ms);
}

TEST(SplashWindow, ShowsThePictureAndTwoReplaceableLines) {
    ResourceLibrary library;
    ASSERT_TRUE(library.load(QStringLiteral(ORBPIX_PROGRAM_DIR)));
    const QPixmap picture(ResourceLibrary::bitmapPath(SplashWindow::kBitmapId));
    ASSERT_FALSE(picture.isNull());
    SplashWindow splash(picture, 60000);
    splash.show();
    EXPECT_EQ(splash.size(), picture.size());
    splash.setControlText(SplashWindow::kUpperText, library.text(815));
    splash.setControlText(SplashWindow::kLowerText, library.text(825));
    EXPECT_EQ(splash.controlText(1074), library.text(815));
    EXPECT_EQ(splash.controlText(1075), library.text(825));
    splash.setControlText(1075, QString());
    EXPECT_EQ(splash.controlText(1075), QString());
    // The lines stand where the library's layout puts them.
    const auto layout = loadDialogTemplate(SplashWindow::kResourceId);
    ASSERT_TRUE(layout);
    for (int id : {1074, 1075})
        EXPECT_EQ(splash.findChild<QLabel*>(QString::number(id))->geometry(),
                  layout->control(id)->rect);
    // The lower band of the picture, under the text, is its own.
    const QImage shown = splash.grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), picture.toImage().pixelColor(5, 5));
}

TEST(SplashWindow, ClosesAfterItsTimeOrAtTheFirstPressAnywhere) {
    SplashWindow timed(QPixmap(), 80);
    timed.show();
    EXPECT_TRUE(timed.isVisible());
    EXPECT_TRUE(waitUntilHidden(timed, 5000));

    QPushButton elsewhere("elsewhere");
    elsewhere.show();
    SplashWindow keyed(QPixmap(), 60000);
    keyed.show();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&elsewhere, &key);
    EXPECT_FALSE(keyed.isVisible());

    SplashWindow clicked(QPixmap(), 60000);
    clicked.show();
    QTest::mouseClick(&elsewhere, Qt::RightButton);
    EXPECT_FALSE(clicked.isVisible());
    // Releasing or moving the mouse does not close it.
    SplashWindow moved(QPixmap(), 60000);
    moved.show();
    QTest::mouseMove(&elsewhere, QPoint(3, 3));
    EXPECT_TRUE(moved.isVisible());
}

}  // namespace
}  // namespace orbpix
