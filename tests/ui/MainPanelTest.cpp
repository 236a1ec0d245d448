#include "ui/MainPanel.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "album/AlbumLibrary.h"
#include "album/EditHistory.h"
#include "album/FilePatternList.h"
#include "album/TransferMime.h"
#include "export/ExportUi.h"
#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinManager.h"
#include "skins/SkinSlider.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestScanner.h"
#include "support/TourExportSupport.h"
#include "tourfmt/TourAlbum.h"
#include "ui/AlbumStrip.h"
#include "ui/ImageProperties.h"
#include "ui/PanoramaView.h"
#include "ui/PictureOpenDialog.h"

namespace orbpix {
namespace {

constexpr int kWaitMs = 20000;

// Answers the exports as a user who saves to a fixed place, and notes the progress.
using TourUser = test::ScriptedUi;

// The panel in a window of its own, on a library seeded from the program's examples, with a
// user who answers every question with OK and whose messages are recorded.
class MainPanelTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (HasFatalFailure())
            return;
        addImagingPatterns(filePatternList());
        LibraryConfig config;
        config.examplesFolder = QStringLiteral(ORBPIX_PROGRAM_DIR "/Examples");
        ASSERT_TRUE(albumLibrary().configure(config));
        ASSERT_TRUE(registry::writeText(registry::Hive::User, "Software\\Orbworks\\Albums", "path",
                                        library()));
        PanelContext& context = m_context;
        context.settings = &m_settings;
        context.message = [this](const QString& text, bool) { m_messages << text; };
        context.confirm = [](const QString&) { return true; };
        context.programFolder = QStringLiteral(ORBPIX_PROGRAM_DIR);
        context.exportUi = &m_tourUser;
        context.chooseScanSource = [](const QString&) {
            return std::optional<QString>(test::TestScanner::kDevice);
        };
        context.choosePictures = [this](const QString&, const QString& filter) {
            m_filter = filter;
            return m_chosen;
        };
        m_panel = new MainPanel(&m_window, context);
        m_window.resize(m_panel->layoutSize());
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    void TearDown() override {
        delete m_panel;
        ProgramFixture::TearDown();
    }
    QString library() const { return m_temp.path("library"); }

    // Opens the album the program starts on and waits for its first panorama.
    void start() {
        QSignalSpy shown(m_panel, &MainPanel::panoramaShown);
        m_panel->openStartAlbum();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel->view()->framesShown() > 0; }, kWaitMs));
    }
    void waitForPanorama(int index) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !m_panel->isBusy() && m_panel->shownItem() == index; }, kWaitMs));
        ASSERT_TRUE(m_panel->view()->control().hasPicture());
    }
    std::optional<std::string> property(int index, const char* name) const {
        return m_panel->album()->property(std::size_t(index), name);
    }
    template <class T>
    T* control(int id) const {
        return static_cast<T*>(m_panel->control(id));
    }

    AppSettings m_settings;
    QWidget m_window;
    MainPanel* m_panel = nullptr;
    QStringList m_messages;
    TourUser m_tourUser;
    PanelContext m_context;
    QStringList m_chosen;  // what the user picks in the file dialog
    QString m_filter;      // what the dialog offered
};

TEST_F(MainPanelTest, FirstStartShowsTheExampleAlbumWithItsFirstPanorama) {
    start();
    Album* album = m_panel->album();
    ASSERT_TRUE(album);
    EXPECT_EQ(album->name(), "Mars");
    ASSERT_EQ(album->itemCount(), 3u);
    EXPECT_EQ(m_panel->strip()->itemCount(), 3);
    EXPECT_EQ(m_panel->strip()->selectedIndexes(), (std::vector<std::size_t>{0}));
    EXPECT_EQ(m_panel->shownItem(), 0);
    // A real panorama: the frame is not one flat colour.
    const QImage frame = m_panel->view()->lastFrame();
    ASSERT_FALSE(frame.isNull());
    EXPECT_NE(frame.pixel(frame.width() / 2, frame.height() / 2), frame.pixel(5, 5));
    EXPECT_FALSE(m_panel->automatic().isNeutral());
    EXPECT_TRUE(control<QWidget>(panel::kProgress)->isHidden());
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join('\n').toStdString();

    // The list: the library's albums, then the separator and the new-album entry.
    QComboBox* list = m_panel->albumList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentText(), "Mars");
    EXPECT_EQ(list->itemText(2), resourceLibrary().text(225));
    // An album made elsewhere shows up when the list is opened; the selection stays.
    ASSERT_TRUE(QDir().mkpath(library() + "/Apollo"));
    list->showPopup();
    list->hidePopup();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0), "Apollo");
    EXPECT_EQ(list->currentText(), "Mars");
    ASSERT_TRUE(QDir(library() + "/Apollo").removeRecursively());
    list->showPopup();
    list->hidePopup();
    ASSERT_EQ(list->count(), 3);
    m_panel->chooseListEntry(1);  // the separator changes nothing
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(m_panel->album(), album);
    m_panel->chooseListEntry(2);
    ASSERT_TRUE(m_panel->album());
    EXPECT_EQ(m_panel->album()->name(), "New album");
    EXPECT_EQ(m_panel->album()->itemCount(), 0u);
    EXPECT_EQ(list->currentText(), "New album");
    EXPECT_FALSE(m_panel->view()->control().hasPicture());
    EXPECT_EQ(list->count(), 4);
    // Asking for a new album again takes the empty one on show.
    Album* fresh = m_panel->album();
    m_panel->chooseListEntry(list->count() - 1);
    EXPECT_EQ(m_panel->album(), fresh);
    EXPECT_EQ(list->count(), 4);
    m_panel->chooseListEntry(list->findText("Mars"));
    EXPECT_EQ(m_panel->album(), album);  // loaded once, kept
    waitForPanorama(0);

    // The album on show at the end is the one the next start opens.
    delete m_panel;
    m_panel = nullptr;
    EXPECT_EQ(m_settings.lastAlbum, "Mars");
}

TEST_F(MainPanelTest, DoubleClickOnAPictureShowsItsPanorama) {
    start();
    const QImage first = m_panel->view()->lastFrame();
    AlbumStrip* strip = m_panel->strip();
    const QPoint where = strip->itemAt(2).pictureRect().center();
    QTest::mouseDClick(strip, Qt::LeftButton, {}, where);
    waitForPanorama(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel->view()->lastFrame() != first; }, kWaitMs));
    // The third example was taken with the lens upside down.
    EXPECT_EQ(m_panel->view()->control().direction(), -1);
    EXPECT_FALSE(control<SkinButton>(panel::kLens)->isChecked());
}

TEST_F(MainPanelTest, SliderAndStepButtonChangesAreUndoableSteps) {
    start();
    auto* brightness = control<SkinSlider>(panel::kBrightness);
    brightness->setFocus();
    QTest::keyClick(brightness, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return property(0, "CC") == "5,0,0"; }, kWaitMs));
    EXPECT_EQ(m_panel->view()->control().renderer().colour().toneTableEnabled(), true);
    EXPECT_EQ(m_panel->undoRedoText(command::kUndo, "&Undo"),
              "&Undo" + resourceLibrary().text(515));

    control<SkinButton>(panel::kRaiseContrast)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return property(0, "CC") == "5,5,0"; }, kWaitMs));
    EXPECT_EQ(editHistory().undoCount(), 2u);

    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    EXPECT_EQ(property(0, "CC"), "5,0,0");
    EXPECT_EQ(control<SkinSlider>(panel::kContrast)->value(), 0);
    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    EXPECT_FALSE(property(0, "CC"));
    EXPECT_EQ(brightness->value(), 0);
    EXPECT_FALSE(m_panel->isCommandEnabled(command::kUndo));
    EXPECT_EQ(m_panel->undoRedoText(command::kRedo, "&Redo"),
              "&Redo" + resourceLibrary().text(515));
    ASSERT_TRUE(m_panel->runCommand(command::kRedo));
    EXPECT_EQ(brightness->value(), 5);
    EXPECT_EQ(m_panel->correction(), (ColourCorrection{5, 0, 0}));

    // Automatic and no correction, each one step.
    ASSERT_TRUE(m_panel->runCommand(panel::kAutoCorrection));
    EXPECT_EQ(property(0, "CC"), formatColourCorrection(m_panel->automatic()));
    EXPECT_EQ(brightness->value(), m_panel->automatic().brightness);
    ASSERT_TRUE(m_panel->runCommand(panel::kNoCorrection));
    EXPECT_EQ(property(0, "CC"), "0,0,0");
    EXPECT_FALSE(m_panel->view()->control().renderer().colour().matrixEnabled());
}

TEST_F(MainPanelTest, LensToggleWritesTheOrientationAndTurnsTheView) {
    start();
    ASSERT_TRUE(m_panel->runCommand(panel::kLens));
    EXPECT_EQ(property(0, "REVERSE"), "1,-26,64");
    EXPECT_EQ(m_panel->view()->control().direction(), -1);
    EXPECT_FALSE(control<SkinButton>(panel::kLens)->isChecked());
    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    EXPECT_FALSE(property(0, "REVERSE"));
    EXPECT_EQ(m_panel->view()->control().direction(), 1);
    EXPECT_TRUE(control<SkinButton>(panel::kLens)->isChecked());
}

TEST_F(MainPanelTest, DeletedPicturesComeBackWithTheirFilesOnUndo) {
    start();
    Album& album = *m_panel->album();
    const std::string first = *album.itemPath(0);
    const std::string third = *album.itemPath(2);
    AlbumStrip* strip = m_panel->strip();
    strip->selectItem(0);
    strip->selectItem(2);
    ASSERT_TRUE(m_panel->runCommand(command::kDelete));
    EXPECT_EQ(album.itemCount(), 1u);
    EXPECT_EQ(strip->itemCount(), 1);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(first)));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(third)));
    // The picture on show went: the one left takes its place.
    waitForPanorama(0);

    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    ASSERT_EQ(album.itemCount(), 3u);
    EXPECT_EQ(strip->itemCount(), 3);
    EXPECT_EQ(*album.itemPath(0), first);
    EXPECT_EQ(*album.itemPath(2), third);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(first)));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(third)));
    EXPECT_EQ(property(2, "REVERSE"), "1,-26,64");
    EXPECT_EQ(m_panel->shownItem(), 1);
}

// The scanner's feeder run joins the album as one change, which one undo takes back.
TEST_F(MainPanelTest, AScannedSeriesIsOneStep) {
    test::TestScanner scanner;
    start();
    ASSERT_TRUE(m_panel->isCommandEnabled(command::kSelectSource));
    ASSERT_TRUE(m_panel->runCommand(command::kSelectSource));
    EXPECT_EQ(m_settings.twainSource, test::TestScanner::kDevice);
    Album& album = *m_panel->album();
    ASSERT_TRUE(m_panel->runCommand(command::kAcquireSeries));
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join('\n').toStdString();
    ASSERT_GT(album.itemCount(), 5u);
    for (std::size_t i = 3; i < album.itemCount(); ++i)
        EXPECT_EQ(QFileInfo(QString::fromStdString(*album.itemPath(i))).fileName(),
                  QString::asprintf("Img%05d.bmp", int(i) - 2));
    EXPECT_EQ(m_panel->strip()->itemCount(), int(album.itemCount()));
    EXPECT_EQ(m_panel->undoRedoText(command::kUndo, "Undo"), "Undo insert image(s)");
    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    EXPECT_EQ(album.itemCount(), 3u);
    EXPECT_EQ(m_panel->strip()->itemCount(), 3);
}

TEST_F(MainPanelTest, AddedPicturesArriveWithTheirCirclesAsOneStep) {
    start();
    m_chosen = {QStringLiteral(ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg")};
    ASSERT_TRUE(m_panel->runCommand(command::kAddPictures));
    ASSERT_EQ(m_panel->album()->itemCount(), 4u);
    EXPECT_EQ(m_panel->strip()->itemCount(), 4);
    EXPECT_EQ(property(3, "CIRCLES"), property(0, "CIRCLES"));
    EXPECT_EQ(m_panel->undoRedoText(command::kUndo, "Undo"), "Undo" + resourceLibrary().text(500));
    // The dialog offers every picture first, each format with its patterns once.
    EXPECT_TRUE(m_filter.startsWith(resourceLibrary().text(795) + " (*.bmp "))
        << m_filter.toStdString();
    EXPECT_TRUE(m_filter.contains(";;JPEG pictures (*.jpg *.jpeg")) << m_filter.toStdString();
    EXPECT_EQ(qtFileFilter("All (*.a;*.b)|*.a;*.b|B|*.b||"), "All (*.a *.b);;B (*.b)");

    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    EXPECT_EQ(m_panel->album()->itemCount(), 3u);
    EXPECT_EQ(m_panel->strip()->itemCount(), 3);
}

TEST_F(MainPanelTest, WithoutAHookThePicturesAreChosenInThePreviewDialog) {
    delete m_panel;
    m_context.choosePictures = nullptr;
    m_panel = new MainPanel(&m_window, m_context);
    start();
    // The user types two names into the dialog the command opens and confirms them.
    QString title;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        user.stop();
        auto* dialog = qobject_cast<PictureOpenDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        title = dialog->windowTitle();
        dialog->setDirectory(QStringLiteral(ORBPIX_SOURCE_DIR "/examples"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(R"("mars_1600x1200_ratio.jpg" "mars_1600x1200_normal.jpg")");
        QTest::keyClick(name, Qt::Key_Return);
    });
    user.start(0);
    ASSERT_TRUE(m_panel->runCommand(command::kAddPictures));
    EXPECT_EQ(title, resourceLibrary().text(850));
    ASSERT_EQ(m_panel->album()->itemCount(), 5u);
    ASSERT_TRUE(m_panel->runCommand(command::kUndo));
    EXPECT_EQ(m_panel->album()->itemCount(), 3u);
}

TEST_F(MainPanelTest, APictureWithoutARingAsksForItsCircles) {
    start();
    // A picture that arrives by the folder carries no circles; none can be found in it.
    QImage flat(640, 480, QImage::Format_RGB32);
    flat.fill(qRgb(90, 90, 90));
    const QString folder = QString::fromStdString(m_panel->album()->folder());
    ASSERT_TRUE(flat.save(folder + "/zz flat.jpg", "JPEG"));
    ASSERT_TRUE(m_panel->runCommand(command::kRefreshAlbum));
    ASSERT_EQ(m_panel->album()->itemCount(), 4u);
    ASSERT_FALSE(property(3, "CIRCLES"));

    // The image properties dialog offers the default circles; Cancel unwraps nothing.
    const auto answer = [](bool ok, std::optional<EditorCircles>* offered) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<ImagePropertiesDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            *offered = dialog->circles();
            ok ? dialog->accept() : dialog->reject();
        });
    };
    std::optional<EditorCircles> offered;
    answer(false, &offered);
    m_panel->showItem(3);
    ASSERT_TRUE(offered);
    EXPECT_EQ(*offered, (EditorCircles{320, 240, 48, 215}));
    EXPECT_FALSE(m_panel->isBusy());
    EXPECT_FALSE(m_panel->view()->control().hasPicture());
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_FALSE(m_panel->isCommandEnabled(panel::kAutoCorrection));
    EXPECT_FALSE(property(3, "CIRCLES"));

    // OK stores them as one change and the picture is unwrapped with them.
    offered.reset();
    answer(true, &offered);
    m_panel->showItem(3);
    ASSERT_TRUE(offered);
    EXPECT_EQ(property(3, "CIRCLES"), "320,240,48,215");
    waitForPanorama(3);
    EXPECT_TRUE(m_messages.isEmpty());

    // Stored circles that do not fit the picture end the same way, once the worker says so.
    ASSERT_TRUE(m_panel->album()->setProperty(0, "CIRCLES", "10,10,5,900"));
    m_panel->showItem(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_panel->isBusy(); }, kWaitMs));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("mars_1600x1200_normal.jpg")) << m_messages[0].toStdString();
    EXPECT_FALSE(m_panel->view()->control().hasPicture());
}

TEST_F(MainPanelTest, PasteFillsANewAlbumAndTheOldOneCanGo) {
    start();
    Album* mars = m_panel->album();
    ASSERT_TRUE(m_panel->runCommand(command::kSelectAll));
    ASSERT_TRUE(m_panel->runCommand(command::kCopy));
    ASSERT_TRUE(m_panel->runCommand(command::kNewAlbum));
    ASSERT_NE(m_panel->album(), mars);
    ASSERT_TRUE(m_panel->isCommandEnabled(command::kPaste));
    ASSERT_TRUE(m_panel->runCommand(command::kPaste));
    // An album that was empty shows its first picture at once.
    EXPECT_EQ(m_panel->album()->itemCount(), 3u);
    waitForPanorama(0);
    EXPECT_EQ(property(2, "REVERSE"), "1,-26,64");

    // A picture put into the folder by hand joins on refresh.
    const QString folder = QString::fromStdString(m_panel->album()->folder());
    ASSERT_TRUE(
        QFile::copy(QString::fromStdString(*m_panel->album()->itemPath(0)), folder + "/extra.jpg"));
    ASSERT_TRUE(m_panel->runCommand(command::kRefreshAlbum));
    EXPECT_EQ(m_panel->album()->itemCount(), 4u);
    EXPECT_EQ(m_panel->strip()->itemCount(), 4);

    // Deleting the album (the user said OK) moves it away and shows a neighbour.
    ASSERT_TRUE(m_panel->runCommand(command::kDeleteAlbum));
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_TRUE(m_panel->album());
    EXPECT_EQ(m_panel->album()->name(), "Mars");
    EXPECT_EQ(m_panel->albumList()->count(), 3);
    waitForPanorama(0);
}

TEST_F(MainPanelTest, ResizingMovesEachControlWithItsEdge) {
    start();
    const QSize start = m_panel->size();
    ASSERT_EQ(start, m_panel->layoutSize());
    const QRect bar = m_panel->control(panel::kAddPictures)->geometry();
    const QRect slider = m_panel->control(panel::kSaturation)->geometry();
    const QRect trash = m_panel->control(panel::kTrash)->geometry();
    const QRect strip = m_panel->strip()->geometry();
    const QRect area = m_panel->anchoring().viewArea();

    m_window.resize(start + QSize(101, 40));
    m_panel->resize(start + QSize(101, 40));
    EXPECT_EQ(m_panel->control(panel::kAddPictures)->geometry(), bar.translated(50, 0));
    EXPECT_EQ(m_panel->control(panel::kSaturation)->geometry(), slider.translated(101, 40));
    EXPECT_EQ(m_panel->control(panel::kTrash)->geometry(), trash.translated(0, 40));
    EXPECT_EQ(m_panel->strip()->geometry(), strip.adjusted(0, 0, 101, 0));
    const QRect picture = fitPicture(area.adjusted(0, 0, 101, 40));
    EXPECT_EQ(m_panel->view()->geometry(), picture);
    const QRect zoomIn = m_panel->control(panel::kZoomIn)->geometry();
    EXPECT_EQ(zoomIn.left(), picture.left() + picture.width() - 2 * zoomIn.width());
    EXPECT_EQ(zoomIn.top(), picture.top() + picture.height() + 7);

    // The background is composed once for the new size, not again for a repaint.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel->background().size() == m_panel->size(); }));
    const int builds = m_panel->backgroundBuilds();
    m_panel->repaint();
    EXPECT_EQ(m_panel->backgroundBuilds(), builds);
}

TEST_F(MainPanelTest, PublishingButtonsMakeATourAndAWebPageOfTheAlbum) {
    start();
    TourUser* user = &m_tourUser;
    user->destination = m_temp.path("Mars tour");
    control<SkinButton>(panel::kPublishTour)->click();
    EXPECT_EQ(user->maximum, 300);
    EXPECT_TRUE(user->messages.isEmpty()) << user->messages.join('\n').toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return test::readTourProgram(*user->destination).has_value(); }, kWaitMs))
        << user->messages.join('\n').toStdString();
    const auto tour = test::readTourProgram(*user->destination);
    EXPECT_EQ(tour->album.title, "Mars");
    ASSERT_EQ(tour->album.pictures.size(), 3u);
    EXPECT_TRUE(control<QWidget>(panel::kProgress)->isHidden());

    // The web page goes into a folder named after the album, and is opened.
    ASSERT_TRUE(QDir().mkpath(m_temp.path("site")));
    user->pageFolder = m_temp.path("site");
    ASSERT_TRUE(m_panel->isCommandEnabled(command::kPublishEmail));
    control<SkinButton>(panel::kPublishHtml)->click();
    EXPECT_TRUE(user->messages.isEmpty()) << user->messages.join('\n').toStdString();
    ASSERT_EQ(user->openedPages.size(), 1);
    EXPECT_TRUE(user->openedPages[0].startsWith(m_temp.path("site/Mars/")));
    const auto page = readTourAlbumFile(m_temp.path("site/Mars/album.orb").toStdString());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->pictures.size(), 3u);
    EXPECT_TRUE(control<QWidget>(panel::kProgress)->isHidden());
}

TEST_F(MainPanelTest, TrashAndViewTakeDroppedPicturesOnly) {
    start();
    QMimeData items;
    ASSERT_TRUE(offerSelection(items, *m_panel->album(), {2, 1}));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(*m_panel->album()->itemPath(0)))});
    const auto drop = [](QWidget* target, const QMimeData& data, QEvent::Type type) {
        const QPoint at = target->rect().center();
        if (type == QEvent::Drop) {
            // A drop follows the drag's entry, as the platform delivers them.
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &enter);
            QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &event);
            return std::make_pair(event.isAccepted(), event.dropAction());
        }
        QDragEnterEvent event(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &event);
        return std::make_pair(event.isAccepted(), event.dropAction());
    };
    QWidget* trash = m_panel->control(panel::kTrash);
    QWidget* view = m_panel->view();
    EXPECT_EQ(drop(trash, items, QEvent::DragEnter), std::make_pair(true, Qt::MoveAction));
    EXPECT_EQ(drop(view, items, QEvent::DragEnter), std::make_pair(true, Qt::CopyAction));
    EXPECT_FALSE(drop(trash, files, QEvent::DragEnter).first);
    EXPECT_FALSE(drop(view, files, QEvent::Drop).first);
    // The trash leaves the removal to the strip the drag came from.
    EXPECT_TRUE(drop(trash, items, QEvent::Drop).first);
    EXPECT_EQ(m_panel->album()->itemCount(), 3u);
    // The view shows the last picture dropped on it.
    EXPECT_TRUE(drop(view, items, QEvent::Drop).first);
    waitForPanorama(1);
}

TEST_F(MainPanelTest, FollowsASkinChangeAtOnce) {
    start();
    const QString skins = m_temp.path("skins");
    ASSERT_TRUE(QDir().mkpath(skins + "/Plain"));
    ASSERT_TRUE(
        QFile::link(QStringLiteral(ORBPIX_PROGRAM_DIR "/Skins/Default"), skins + "/Default"));
    QImage ground(8, 8, QImage::Format_RGB32);
    ground.fill(qRgb(200, 30, 90));
    ASSERT_TRUE(ground.save(skins + "/Plain/MAIN_BKG.bmp", "BMP"));
    ASSERT_TRUE(m_skins.initialise(skins, "Default", "Default"));
    const QPoint open(m_panel->width() / 2, m_panel->height() - 5);
    const QRgb before = m_panel->grab().toImage().pixel(open);
    QStringList names;
    (void)m_skins.getSkinList(names);
    ASSERT_TRUE(m_skins.selectSkin(int(names.indexOf("Plain"))));
    const QImage after = m_panel->grab().toImage();
    EXPECT_NE(after.pixel(open), before);
    EXPECT_EQ(after.pixel(open) & RGB_MASK, qRgb(200, 30, 90) & RGB_MASK);
    // The plain skin has no button pictures: the buttons keep their places and still work.
    EXPECT_TRUE(m_panel->control(panel::kAddPictures)->isVisible());
}

}  // namespace
}  // namespace orbpix
