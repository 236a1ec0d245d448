#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "shell/Browser.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinDialog.h"
#include "skins/SkinFollower.h"
#include "skins/SkinManager.h"
#include "skins/SkinProgress.h"
#include "skins/SkinSlider.h"
#include "skins/SkinsMenu.h"

namespace orbpix {
namespace {

constexpr QRgb kKey = 0xffff00ff;
const QRgb kFrameColours[5] = {0xff101010, 0xff00a000, 0xff0000a0, 0xffa00000, 0xff808080};

// Five 50 × 20 frames, each a 30 × 10 block of its own colour in the middle with the key
// colour around it and in a hole inside it; frame 0's block is the shape.
QImage buttonPicture() {
    QImage picture(250, 20, QImage::Format_RGB32);
    for (int frame = 0; frame < 5; ++frame)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 50; ++x)
                picture.setPixel(frame * 50 + x, y, kFrameColours[frame]);
    for (int frame = 0; frame < 5; ++frame)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 50; ++x) {
                const bool block = x >= 10 && x < 40 && y >= 5 && y < 15;
                const bool hole = x == 20 && y == 10;
                if (!block || hole)
                    picture.setPixel(frame * 50 + x, y, kKey);
            }
    return picture;
}

SkinBitmap bitmapOf(const QImage& image) {
    SkinBitmap bitmap;
    bitmap.attach(image);
    return bitmap;
}

QRgb centreOf(QWidget& widget) {
    const QImage shot = widget.grab().toImage();
    return shot.pixel(shot.width() / 2, shot.height() / 2);
}

TEST(SkinButton, FramesFollowTheStateAndTheShapeIgnoresTheKeyColour) {
    ButtonFrames frames;
    frames.setPicture(bitmapOf(buttonPicture()));
    EXPECT_EQ(frames.frameSize(), QSize(50, 20));
    const QSize client(60, 30);  // the frame sits at (5, 5)
    EXPECT_TRUE(frames.insideShape({5 + 10, 5 + 5}, client));
    EXPECT_FALSE(frames.insideShape({5 + 9, 5 + 5}, client));
    EXPECT_FALSE(frames.insideShape({5 + 20, 5 + 10}, client));  // the hole
    EXPECT_FALSE(frames.insideShape({4, 10}, client));

    SkinButton button;
    button.setGeometry(0, 0, 60, 30);
    EXPECT_EQ(button.setPicture(bitmapOf(buttonPicture()), SkinButton::Resize::Yes),
              QRect(0, 0, 50, 20));
    QSet<QRgb> shown;
    shown.insert(centreOf(button));
    button.setDown(true);
    shown.insert(centreOf(button));
    button.setDown(false);
    button.setEnabled(false);
    shown.insert(centreOf(button));
    EXPECT_EQ(shown, (QSet<QRgb>{kFrameColours[1], kFrameColours[3], kFrameColours[4]}));
    EXPECT_EQ(ButtonFrames::frameFor(false, true, true), ButtonFrames::Hover);
    EXPECT_EQ(ButtonFrames::frameFor(true, false, true), ButtonFrames::Pressed);
}

TEST(SkinButton, AHeldRepeatingButtonRepeatsEveryFiftyMillisecondsAndReleasesOnce) {
    QWidget parent;
    parent.resize(200, 100);
    auto* button = new SkinButton(&parent, 1234);
    button->setGeometry(10, 10, 50, 20);
    button->setPicture(bitmapOf(buttonPicture()));
    button->setRepeating(true);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QList<int> repeats;
    QList<int> releases;
    QObject::connect(button, &SkinButton::buttonRepeat, [&](int id) { repeats.append(id); });
    QObject::connect(button, &SkinButton::buttonRelease, [&](int id) { releases.append(id); });

    const QPoint onShape(20, 8);
    QCursor::setPos(button->mapToGlobal(onShape));
    QTest::mouseMove(button, onShape);
    EXPECT_TRUE(button->isHovered());
    QElapsedTimer held;
    held.start();
    QTest::mousePress(button, Qt::LeftButton, {}, onShape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return repeats.size() >= 10; }, 5000));
    // Ten periods of 50 ms cannot pass sooner.
    EXPECT_GE(held.elapsed(), 10 * SkinButton::kRepeatMs - 10);
    QTest::mouseRelease(button, Qt::LeftButton, {}, onShape);
    EXPECT_EQ(releases, QList<int>{1234});
    EXPECT_EQ(repeats.front(), 1234);
    const auto count = repeats.size();
    EXPECT_FALSE(button->isSendingRepeats());

    // Sliding off the shape while holding ends the repetition.
    QTest::mousePress(button, Qt::LeftButton, {}, onShape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return repeats.size() > count; }, 5000));
    QMouseEvent offShape(QEvent::MouseMove, QPointF(2, 2), button->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &offShape);
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(releases.size(), 2);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(releases.size(), 2);
}

TEST(SkinButton, KeyboardAndScreenReadersReachEveryControl) {
    QWidget window;
    auto* button = new SkinButton(&window, 7);
    button->setPicture(bitmapOf(buttonPicture()), SkinButton::Resize::Yes);
    button->setAccessibleName("Open album");
    auto* slider = new SkinSlider(&window);
    slider->setGeometry(0, 30, 100, 20);
    slider->setRange(-100, 100);
    slider->setAccessibleName("Brightness");
    auto* progress = new SkinProgress(&window);
    progress->setValue(40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(&window, Qt::Key_Tab);
    EXPECT_TRUE(slider->hasFocus());
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 1);

    QAccessibleInterface* named = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->role(), QAccessible::Button);
    EXPECT_EQ(named->text(QAccessible::Name), "Open album");
    QAccessibleInterface* sliding = QAccessible::queryAccessibleInterface(slider);
    ASSERT_NE(sliding, nullptr);
    EXPECT_EQ(sliding->role(), QAccessible::Slider);
    ASSERT_NE(sliding->valueInterface(), nullptr);
    EXPECT_EQ(sliding->valueInterface()->currentValue().toInt(), 1);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(progress);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
}

TEST(SkinProgress, GradientBandsAreTiedToTheFullWidth) {
    ProgressLook look;
    look.start = qRgb(0, 0, 255);
    look.end = qRgb(255, 0, 0);
    look.background = qRgb(1, 2, 3);
    QImage bar(512, 4, QImage::Format_RGB32);
    EXPECT_EQ(look.paint(bar, 100, 100), 256);
    EXPECT_EQ(bar.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(bar.pixel(509, 3), qRgb(254, 0, 1));
    EXPECT_EQ(bar.pixel(2, 0), qRgb(1, 0, 254));  // bands two pixels wide

    // Half way: whole bands up to just past the middle, then background.
    QImage half(512, 4, QImage::Format_RGB32);
    look.paint(half, 50, 100);
    EXPECT_EQ(half.pixel(256, 0), qRgb(127, 0, 128));
    EXPECT_EQ(half.pixel(257, 0), look.background);

    look.end = look.start = qRgb(255, 0, 0);
    QImage solid(300, 2, QImage::Format_RGB32);
    EXPECT_EQ(look.paint(solid, 30, 100), 0);
    EXPECT_EQ(solid.pixel(89, 1), qRgb(255, 0, 0));
    EXPECT_EQ(solid.pixel(90, 1), look.background);
}

TEST(SkinSlider, ThumbFramesAndTravelFollowTheValue) {
    const SliderGeometry geometry(QSize(110, 20), QSize(10, 16), 4);
    EXPECT_EQ(geometry.thumbRect(0, 0, 100), QRect(0, 2, 10, 16));
    EXPECT_EQ(geometry.thumbRect(100, 0, 100), QRect(100, 2, 10, 16));
    EXPECT_EQ(geometry.valueAt(50, 0, 100), 50);
    EXPECT_EQ(geometry.trackRect(), QRect(0, 8, 110, 4));

    QImage thumbs(30, 16, QImage::Format_RGB32);
    for (int frame = 0; frame < 3; ++frame)
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 16; ++y)
                thumbs.setPixel(frame * 10 + x, y, kFrameColours[frame + 1]);
    QImage track(7, 4, QImage::Format_RGB32);
    track.fill(kKey);
    SkinSlider slider;
    slider.setRange(0, 100);
    slider.resize(110, 20);
    slider.setPictures(bitmapOf(thumbs), bitmapOf(track));
    slider.setValue(100);
    QImage surface(110, 20, QImage::Format_RGB32);
    slider.paintInto(surface);
    EXPECT_EQ(surface.pixel(105, 10), kFrameColours[1]);
    EXPECT_EQ(surface.pixel(50, 9), kKey);  // the track, repeated across
    slider.setSliderDown(true);
    slider.paintInto(surface);
    EXPECT_EQ(surface.pixel(105, 10), kFrameColours[2]);
    slider.setEnabled(false);
    slider.paintInto(surface);
    EXPECT_EQ(surface.pixel(105, 10), kFrameColours[3]);
}

class SkinDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + "/Skins/Plain"));
        QImage background(16, 16, QImage::Format_RGB32);
        background.fill(qRgb(20, 40, 60));
        background.setPixel(0, 0, qRgb(1, 1, 1));  // tiles are seen where they start
        ASSERT_TRUE(background.save(skin("BKG_ALBPROP.bmp")));
        ASSERT_TRUE(buttonPicture().save(skin("BTN_OK.bmp")));
        QFile info(skin("info.txt"));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write("[Transparency]\nBTN_OK=255,0,255\n");
        info.close();
        ASSERT_TRUE(m_skins.initialise(m_dir.path() + "/Skins", "Plain", ""));
        setProgramSkins(&m_skins);
    }
    void TearDown() override { setProgramSkins(nullptr); }
    QString skin(const QString& file) const { return m_dir.path() + "/Skins/Plain/" + file; }

    QTemporaryDir m_dir;
    SkinManager m_skins;
};

TEST_F(SkinDialogTest, TheBackgroundShowsThroughTheButtonsAndTheLayoutIgnoresTheFont) {
    SkinDialog dialog("BKG_ALBPROP");
    dialog.setClientSize(QSize(200, 100));
    SkinButton* ok = dialog.addOkButton(QRect(32, 48, 50, 20));
    auto* label = new QLabel("Name:", &dialog);
    label->setGeometry(10, 10, 80, 16);
    const QImage shot = dialog.grab().toImage();
    EXPECT_EQ(shot.pixel(16, 32), qRgb(1, 1, 1));
    EXPECT_EQ(shot.pixel(17, 32), qRgb(20, 40, 60));
    // The button's key-coloured border shows the tiled background, tile corners included.
    EXPECT_EQ(shot.pixel(32 + 0, 48 + 0), qRgb(1, 1, 1));
    EXPECT_EQ(shot.pixel(32 + 1, 48 + 1), qRgb(20, 40, 60));
    EXPECT_EQ(shot.pixel(32 + 20, 48 + 10), qRgb(20, 40, 60));  // the hole
    EXPECT_EQ(shot.pixel(32 + 15, 48 + 8), kFrameColours[1]);

    QFont large = dialog.font();
    large.setPointSize(large.pointSize() * 3);
    dialog.setFont(large);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.size(), QSize(200, 100));
    EXPECT_EQ(ok->geometry(), QRect(32, 48, 50, 20));
    EXPECT_EQ(label->geometry(), QRect(10, 10, 80, 16));

    // A skin change reloads: without the picture the button falls back to the desktop's look.
    ASSERT_TRUE(QFile::remove(skin("BTN_OK.bmp")));
    m_skins.notifyWindows();
    EXPECT_TRUE(ok->frames().isEmpty());
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// Counts the reloads the skin manager asks of a window.
class ReloadCounter : public QObject {
public:
    int reloads = 0;
    bool event(QEvent* e) override {
        if (e->type() != SkinChangedEvent::kType)
            return QObject::event(e);
        ++reloads;
        return true;
    }
};

TEST_F(SkinDialogTest, WindowsReloadWhenTheScreenChanges) {
    ReloadCounter window;
    ASSERT_TRUE(m_skins.addWindow(&window));
    SkinFollower follower(m_skins);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(screen);
    emit screen->geometryChanged(QRect(0, 0, 1920, 1080));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.reloads, 1);
    emit screen->logicalDotsPerInchChanged(144);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.reloads, 2);
    m_skins.removeWindow(&window);
}

TEST_F(SkinDialogTest, TheSkinsMenuListsTheSkinsChecksTheCurrentOneAndSelects) {
    QMenu menu;
    menu.addAction("Skins\tF9")->setData(kFirstSkinCommand);
    QAction* separator = menu.addSeparator();
    QAction* none = menu.addAction("No skin");
    none->setData(kNoSkinCommand);
    SkinsMenu skinsMenu(menu, m_skins);
    ASSERT_TRUE(QDir().mkpath(m_dir.path() + "/Skins/Blue"));
    const auto shown = [&menu] {
        QStringList items;
        for (const QAction* action : menu.actions())
            items << QString("%1%2%3%4")
                         .arg(commandOf(action))
                         .arg(action->isChecked() ? "*" : "")
                         .arg(action->isEnabled() ? "" : "~")
                         .arg(action->isSeparator() ? "-" : action->text());
        return items;
    };
    skinsMenu.rebuild();
    EXPECT_EQ(shown(), (QStringList{"45000Blue", "45001*Plain", "0-", "40022No skin"}));
    EXPECT_EQ(menu.actions()[2], separator);

    menu.actions()[0]->trigger();
    EXPECT_EQ(m_skins.getCurrentSkin(), "Blue");
    none->trigger();
    EXPECT_EQ(m_skins.getCurrentSkin(), "");
    QStringList opened;
    const UrlOpener desktop = setUrlOpener([&opened](const QString& address) {
        opened << address;
        return true;
    });
    menu.addAction("More skins")->setData(kSkinsPageCommand);
    menu.actions().back()->trigger();
    (void)setUrlOpener(desktop);
    EXPECT_EQ(opened, QStringList{skinsPageAddress()});
    menu.removeAction(menu.actions().back());

    ASSERT_TRUE(QDir(m_dir.path() + "/Skins").removeRecursively());
    skinsMenu.rebuild();
    EXPECT_EQ(shown(), (QStringList{"45000~Skins\tF9", "0-", "40022*No skin"}));
}

}  // namespace
}  // namespace orbpix
