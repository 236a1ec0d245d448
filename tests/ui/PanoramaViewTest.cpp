#include "ui/PanoramaView.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include "support/StripImages.h"

namespace orbpix {
namespace {

// Records the keys the view passes on.
class Parent final : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

class PanoramaViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent.resize(400, 300);
        view = new PanoramaView(&parent);
        view->setGeometry(0, 0, 300, 203);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }

    void showPicture() {
        ASSERT_TRUE(view->control().setPicture(strip.bits(), strip.width(), strip.height(), true));
        view->control().resetView();
        view->control().startDrawing();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->framesShown() > 0; }, 5000));
    }

    // The frame after everything asked so far: a frame in progress is finished and handed
    // over first, so that the one counted is drawn after this call.
    bool nextFrame() {
        PanoramaRenderer& renderer = view->control().renderer();
        if (!QTest::qWaitFor([&] { return !renderer.isRenderPending(); }, 5000))
            return false;
        QCoreApplication::sendPostedEvents(view);
        const int before = view->framesShown();
        renderer.requestRender();
        return QTest::qWaitFor([&] { return view->framesShown() > before; }, 5000);
    }

    void wheel(int delta) {
        const QPointF at(150, 100);
        QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &event);
    }

    PixelImage strip = test::codedStrip(1600, 200);
    Parent parent;
    PanoramaView* view = nullptr;
};

TEST_F(PanoramaViewTest, ShowsFramesOfTheRoundedSizeAtTheTopLeft) {
    showPicture();
    ASSERT_TRUE(nextFrame());
    const QImage frame = view->lastFrame();
    EXPECT_EQ(frame.size(), QSize(304, 208));
    // Pitch 30 is held to the strip; yaw 360 looks at the seam in the middle of the view.
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(10, 10), frame.pixel(10, 10));
    const QRgb centre = frame.pixel(152, 104);
    const int column = qBlue(centre) | (qGreen(centre) << 8);
    EXPECT_LE(std::min(column, 1600 - column), 3);
}

TEST_F(PanoramaViewTest, DraggingRightOfCentreTurnsTheViewRight) {
    showPicture();
    const float yaw = view->control().yaw();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(150, 101));
    EXPECT_TRUE(view->hasFocus());
    QMouseEvent move(QEvent::MouseMove, QPointF(270, 101), view->mapToGlobal(QPointF(270, 101)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    // 4 degrees a tick (270 of 300 pixels) while the button is held.
    const auto turned = [&] {
        return view->control().yaw() - yaw + (view->control().yaw() < yaw ? 360 : 0);
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return turned() >= 8.0f; }, 5000));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(270, 101));
    EXPECT_FALSE(view->control().timerRunning());
    EXPECT_NEAR(view->control().pitch(), 30, 0.5);
    // Two frames later, with the events between them handled, the view has not moved on.
    ASSERT_TRUE(nextFrame());
    const float settled = view->control().yaw();
    ASSERT_TRUE(nextFrame());
    EXPECT_EQ(view->control().yaw(), settled);
}

TEST_F(PanoramaViewTest, WheelAndZoomKeysChangeTheFocalLength) {
    showPicture();
    wheel(120);
    EXPECT_EQ(view->control().focal(), 261);
    wheel(120);
    EXPECT_EQ(view->control().focal(), 271);
    wheel(-120);
    EXPECT_EQ(view->control().focal(), 266);

    view->setFocus();
    QTest::keyPress(view, Qt::Key_A);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->control().focal() > 266; }, 5000));
    QTest::keyRelease(view, Qt::Key_A);
    EXPECT_GT(view->control().focal(), 266);
    EXPECT_FALSE(view->control().timerRunning());
    const int focal = view->control().focal();
    QTest::keyPress(view, Qt::Key_PageDown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->control().focal() < focal; }, 5000));
    QTest::keyRelease(view, Qt::Key_PageDown);
    EXPECT_LT(view->control().focal(), focal);
    EXPECT_TRUE(parent.keys.isEmpty());
    ASSERT_TRUE(nextFrame());
}

TEST_F(PanoramaViewTest, OtherKeysReachTheParent) {
    view->setFocus();
    QTest::keyClick(view, Qt::Key_X);
    QTest::keyClick(view, Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(parent.keys, (QList<int>{Qt::Key_X, Qt::Key_Left, Qt::Key_Tab}));
    EXPECT_TRUE(view->hasFocus());
}

TEST_F(PanoramaViewTest, WithoutPictureThePaletteShows) {
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(shown.pixelColor(20, 20), view->palette().window().color());
    EXPECT_EQ(view->cursor().shape(), Qt::SizeAllCursor);
}

TEST_F(PanoramaViewTest, ResizingKeepsTheFieldOfViewAndRedraws) {
    showPicture();
    view->resize(600, 203);
    EXPECT_EQ(view->control().focal(), 512);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->lastFrame().width() == 608; }, 5000));
}

}  // namespace
}  // namespace orbpix
