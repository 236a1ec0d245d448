#include "ui/AboutWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <thread>

#include "core/ByteStream.h"
#include "imaging/JpegWriter.h"
#include "imaging/PixelImage.h"
#include "shell/ResourceLibrary.h"
#include "skins/SkinButton.h"
#include "ui/CreditsScroll.h"
#include "ui/WidgetExportUi.h"

namespace orbpix {
namespace {

TEST(CreditsScroll, TicksMoveByKeysAndStartOverPastThePicture) {
    struct Case {
        int position;
        ScrollKeys keys;
        int expected;
    };
    const Case cases[] = {
        {kCreditsStart, {}, -99},
        {10, {/*control=*/true, /*shift=*/false}, 18},
        {10, {false, true}, 9},
        {10, {true, true}, 2},
        {-100, {true, true}, -108},  // backwards it keeps falling below the start
        {500, {}, 501},              // reaching the height is not yet passing it
        {501, {}, kCreditsStart},
        {495, {true, false}, kCreditsStart},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextCreditsPosition(c.position, c.keys, 501), c.expected)
            << c.position << " " << c.keys.control << c.keys.shift;
}

TEST(CreditsScroll, TheBandShowsTheTopWhileBelowZeroAndNeverRunsPastTheBottom) {
    EXPECT_EQ(creditsSourceRow(-57, 800, 200), 0);
    EXPECT_EQ(creditsSourceRow(120, 800, 200), 120);
    EXPECT_EQ(creditsSourceRow(700, 800, 200), 600);
    EXPECT_EQ(creditsSourceRow(50, 100, 200), 0);  // shorter than the band: always the top

    const QRect band = creditsBand(QRect(20, 208, 360, 208));
    EXPECT_EQ(band, QRect(22, 210, 356, 204));
    // A narrow picture stands in the middle of the band, a wide one loses both sides.
    CreditsBlit narrow = creditsBlit(QSize(156, 1000), band, 30);
    EXPECT_EQ(narrow.target, QPoint(122, 210));
    EXPECT_EQ(narrow.source, QRect(0, 30, 156, 204));
    CreditsBlit wide = creditsBlit(QSize(400, 1000), band, -5);
    EXPECT_EQ(wide.target, QPoint(22, 210));
    EXPECT_EQ(wide.source, QRect(22, 0, 356, 204));
    // A short picture fills only its own height.
    EXPECT_EQ(creditsBlit(QSize(356, 50), band, 9).source, QRect(0, 0, 356, 50));
    EXPECT_TRUE(creditsBlit(QSize(), band, 0).source.isEmpty());
}

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_library.load(QStringLiteral(ORBPIX_PROGRAM_DIR))); }
    void TearDown() override { m_library.unload(); }
    void clickOk(AboutWindow& about) {
        auto* ok = about.findChild<SkinButton*>(QStringLiteral("1"));
        ASSERT_TRUE(ok);
        QTest::mouseClick(ok, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
    ResourceLibrary& m_library = resourceLibrary();
    Qt::KeyboardModifiers m_held = Qt::NoModifier;
};

TEST_F(AboutWindowTest, PlainOkClosesAtOnce) {
    AboutWindow about(nullptr, [this] { return m_held; });
    ASSERT_TRUE(about.isReady());
    const auto layout = loadDialogTemplate(kAboutTemplate);
    about.show();
    EXPECT_EQ(about.height(), layout->control(kAboutFoldId)->rect.bottom() + 1);
    EXPECT_EQ(about.control(kAboutIconId)->size(), QSize(32, 32));
    EXPECT_EQ(qobject_cast<QLabel*>(about.control(kAboutVersionId))->text(),
              QStringLiteral("Version 2.0.0 (build 26)"));
    m_held = Qt::ControlModifier;  // one of the two is not enough
    clickOk(about);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isScrolling());
}

TEST_F(AboutWindowTest, CtrlShiftOkRollsTheCreditsShiftRunsThemBackAndOkCloses) {
    AboutWindow about(nullptr, [this] { return m_held; });
    ASSERT_TRUE(about.isReady());
    about.show();
    m_held = Qt::ControlModifier | Qt::ShiftModifier;
    clickOk(about);
    ASSERT_TRUE(about.isVisible());
    ASSERT_TRUE(about.isScrolling());
    EXPECT_EQ(about.size(), about.fullSize());
    const QImage& credits = about.creditsPicture();
    ASSERT_GT(credits.height(), about.band().height());
    EXPECT_EQ(about.position(), kCreditsStart);

    m_held = Qt::ControlModifier;
    for (int n = 0; n < 20; ++n)
        about.tick();
    EXPECT_EQ(about.position(), kCreditsStart + 160);
    // Shift held: back past zero, and on down while the top of the picture stays in view.
    m_held = Qt::ShiftModifier;
    for (int n = 0; n < 80; ++n)
        about.tick();
    EXPECT_EQ(about.position(), -20);
    const QImage shown = about.grab().toImage();
    const QRect band = about.band();
    const int left = band.left() + (band.width() - credits.width()) / 2;
    int differing = 0;
    for (int y = 0; y < band.height(); y += 3)
        for (int x = 0; x < credits.width(); x += 3)
            differing += shown.pixel(left + x, band.top() + y) != credits.pixel(x, y);
    EXPECT_EQ(differing, 0);
    about.tick();
    EXPECT_EQ(about.position(), -21);

    // Ctrl and Shift still held: the second OK, or Enter, closes all the same.
    m_held = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::keyClick(&about, Qt::Key_Return, m_held);
    EXPECT_FALSE(about.isVisible());
}

// Plays the user for a failed export: notes the owner of the "JPEG Error" box and closes it.
class JpegErrorWatcher : public QObject {
public:
    QPointer<QWidget> owner;
    QString text;
    JpegErrorWatcher() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box && box->isVisible() && box->windowTitle() == "JPEG Error") {
                    owner = box->parentWidget();
                    text = box->text();
                    box->accept();
                }
            }
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};

TEST(ExportJpegError, ShownOverTheWindowRunningTheExport) {
    QWidget mainWindow;
    mainWindow.show();
    JpegErrorWatcher watcher;
    {
        WidgetExportUi ui(&mainWindow);
        ui.showProgress(100);
        // The failure comes from a worker, as in an export; the box opens on this thread.
        std::thread worker([] {
            auto out = MemoryStream::create();
            EXPECT_FALSE(encodeJpeg(PixelImage(), *out, 80));
        });
        worker.join();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.text.isEmpty(); }, 5000));
        EXPECT_EQ(watcher.owner, ui.progressWindow());
        ui.hideProgress();
        watcher.text.clear();
        std::thread late([] {
            auto out = MemoryStream::create();
            EXPECT_FALSE(encodeJpeg(PixelImage(), *out, 80));
        });
        late.join();
    }
    // Reported after the progress window closed: over the main window, before the export ends.
    EXPECT_FALSE(watcher.text.isEmpty());
    EXPECT_EQ(watcher.owner, &mainWindow);
}

}  // namespace
}  // namespace orbpix
