#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "album/EditHistory.h"
#include "album/FilePatternList.h"
#include "album/FileSystem.h"
#include "album/FolderAlbum.h"
#include "album/TransferMime.h"
#include "skins/SkinButton.h"
#include "support/QtFiles.h"
#include "ui/AlbumStrip.h"

namespace orbpix {
namespace {

class AlbumStripTest : public ::testing::Test {
protected:
    AlbumStripTest() {
        addImagingPatterns(m_patternList);
        for (const std::string& pattern : m_patternList.patterns())
            m_patterns.append(QString::fromStdString(pattern));
    }

    static void writePicture(const QString& path, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(40, 90, 160));
        ASSERT_TRUE(image.save(path, "JPEG"));
    }

    // An album folder holding 300 × 200 pictures of the given names.
    std::unique_ptr<FolderAlbum> makeAlbum(const QString& name, const QStringList& pictures,
                                           bool readOnly = false) {
        const QString folder = m_temp.path(name);
        QDir().mkpath(folder);
        for (const QString& picture : pictures)
            writePicture(folder + '/' + picture, {300, 200});
        auto album =
            FolderAlbum::open(folder.toStdString(), readOnly, localFileSystem(), m_patternList);
        EXPECT_TRUE(album);
        return album;
    }

    std::unique_ptr<AlbumStrip> makeStrip(Album* album) {
        auto strip = std::make_unique<AlbumStrip>(nullptr, m_history, EditLabels{}, m_patterns);
        strip->resize(520, 140);
        strip->setAlbum(album);
        strip->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(strip.get()));
        return strip;
    }

    static QStringList captions(const AlbumStrip& strip) {
        QStringList out;
        for (int i = 0; i < strip.itemCount(); ++i)
            out.append(strip.itemAt(i).caption());
        return out;
    }

    static QStringList fileNames(const Album& album) {
        QStringList out;
        for (const AlbumItem& item : album.items())
            out.append(QFileInfo(QString::fromStdString(item.path)).fileName());
        return out;
    }

    // A drop as the platform delivers it: enter, move, drop at one point.
    static Qt::DropAction drop(QWidget& target, QPoint at, QMimeData& mime,
                               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, modifiers);
        QApplication::sendEvent(&target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, modifiers);
        QApplication::sendEvent(&target, &move);
        QDropEvent dropped(at, offered, &mime, Qt::LeftButton, modifiers);
        QApplication::sendEvent(&target, &dropped);
        return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
    }

    test::QtTempFolder m_temp;
    FilePatternList m_patternList;
    QStringList m_patterns;
    EditHistory m_history;
};

TEST_F(AlbumStripTest, ClicksSelectAndACaptionClickOnASelectedItemEditsItThroughTheHistory) {
    auto album = makeAlbum("clicks", {"a.jpg", "b.jpg", "c.jpg"});
    auto strip = makeStrip(album.get());
    ASSERT_EQ(captions(*strip), QStringList({"a.jpg", "b.jpg", "c.jpg"}));

    // Shift with nothing selected is a plain click.
    QSignalSpy selectionChanges(strip.get(), &OWSelector::selectionChanged);
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::ShiftModifier,
                      strip->itemAt(2).bounds().center());
    EXPECT_EQ(strip->selectedIndexes(), std::vector<std::size_t>({2}));
    EXPECT_EQ(selectionChanges.count(), 1);

    // The first click on a caption selects, the second opens the editor.
    const QPoint caption = strip->itemAt(1).captionRect().center();
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::NoModifier, caption);
    EXPECT_EQ(strip->selectedIndexes(), std::vector<std::size_t>({1}));
    EXPECT_FALSE(strip->isEditingCaption());
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::NoModifier, caption);
    ASSERT_TRUE(strip->isEditingCaption());
    EXPECT_EQ(selectionChanges.count(), 2);
    QLineEdit* editor = strip->captionEditor();
    EXPECT_EQ(editor->text(), "b.jpg");
    EXPECT_EQ(editor->maxLength(), 64);

    // Escape discards.
    QTest::keyClicks(editor, "Dropped");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(strip->isEditingCaption());
    EXPECT_EQ(m_history.undoCount(), 0u);

    // Return commits one rename step; undo brings the old caption back.
    strip->beginCaptionEdit(1);
    QTest::keyClicks(strip->captionEditor(), "Harbour at dusk");
    QTest::keyClick(strip->captionEditor(), Qt::Key_Return);
    EXPECT_FALSE(strip->isEditingCaption());
    EXPECT_EQ(album->property(1, "NAME"), "Harbour at dusk");
    EXPECT_EQ(strip->itemAt(1).caption(), "Harbour at dusk");
    ASSERT_EQ(m_history.undoCount(), 1u);
    ASSERT_TRUE(m_history.undo());
    EXPECT_EQ(album->itemName(1), "b.jpg");
    EXPECT_EQ(strip->itemAt(1).caption(), "b.jpg");
}

TEST_F(AlbumStripTest, ScrollButtonsStepAColumnOrGoToTheEndsAndTheRubberBandSelects) {
    auto album =
        makeAlbum("long", {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg", "g.jpg", "h.jpg"});
    auto strip = makeStrip(album.get());
    const int page = strip->contentRect().width();
    ASSERT_EQ(strip->scrollRange(), 7 + 103 * 8);
    ASSERT_EQ(strip->maximumScroll(), 7 + 103 * 8 - page);

    QTest::mouseClick(strip->scrollRightButton(), Qt::LeftButton);
    EXPECT_EQ(strip->scrollPosition(), 103);
    EXPECT_EQ(strip->scrollBar()->value(), 103);
    EXPECT_EQ(strip->itemAt(0).position().x(), strip->contentRect().left() + 7 - 103);
    QTest::mouseClick(strip->scrollRightButton(), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(strip->scrollPosition(), strip->maximumScroll());
    QTest::mouseClick(strip->scrollLeftButton(), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(strip->scrollPosition(), 0);

    // From the gap after a to below the middle of c: b and c, whose centres it covers.
    strip->selectOnly(0);
    const QPoint gap(strip->itemAt(0).bounds().right() + 4, 20);
    const QPoint end = strip->itemAt(2).bounds().center() + QPoint(10, 30);
    QTest::mousePress(strip.get(), Qt::LeftButton, Qt::NoModifier, gap);
    QTest::mouseMove(strip.get(), end);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, Qt::NoModifier, end);
    EXPECT_EQ(strip->selectedIndexes(), std::vector<std::size_t>({1, 2}));

    strip->setAlbum(nullptr);
    EXPECT_EQ(strip->scrollRange(), 0);
    EXPECT_EQ(strip->scrollBar()->maximum(), 0);
}

TEST_F(AlbumStripTest, DraggingASelectionToTheRightReordersAsOneUndoableMove) {
    auto album = makeAlbum("reorder", {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    auto strip = makeStrip(album.get());
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::NoModifier,
                      strip->itemAt(0).bounds().center());
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::ControlModifier,
                      strip->itemAt(1).bounds().center());
    ASSERT_EQ(strip->selectedIndexes(), std::vector<std::size_t>({0, 1}));

    // Onto the right half of c: the pair goes after it.
    const std::unique_ptr<QMimeData> mime = strip->createDragData();
    const QRect c = strip->itemAt(2).bounds();
    const Qt::DropAction action = drop(*strip, QPoint(c.right() - 10, c.center().y()), *mime);
    EXPECT_EQ(action, Qt::MoveAction);
    strip->finishDrag(action);

    EXPECT_EQ(fileNames(*album), QStringList({"c.jpg", "a.jpg", "b.jpg", "d.jpg"}));
    EXPECT_EQ(captions(*strip), QStringList({"c.jpg", "a.jpg", "b.jpg", "d.jpg"}));
    EXPECT_FALSE(strip->insertionMarker());
    ASSERT_EQ(m_history.undoCount(), 1u);
    ASSERT_TRUE(m_history.undo());
    EXPECT_EQ(captions(*strip), QStringList({"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
}

TEST_F(AlbumStripTest, DroppedFilesFromOutsideAddOnlyThePicturesAndFillAnEmptyAlbum) {
    auto album = makeAlbum("empty", {});
    auto strip = makeStrip(album.get());
    QSignalSpy filled(strip.get(), &AlbumStrip::albumWasFilled);
    const QString picture = m_temp.path("a.JPEG");
    const QString notes = m_temp.path("notes.txt");
    writePicture(picture, {200, 300});
    ASSERT_TRUE(test::writeFile(notes, "not a picture"));

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(notes), QUrl::fromLocalFile(picture)});
    EXPECT_EQ(drop(*strip, QPoint(100, 40), mime), Qt::CopyAction);

    ASSERT_EQ(fileNames(*album), QStringList({"a.JPEG"}));
    EXPECT_EQ(filled.count(), 1);
    EXPECT_TRUE(QFileInfo::exists(picture));  // copied in, not moved
    // The thumbnail arrives from the queue, fitted into the box.
    ASSERT_EQ(strip->itemCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip->itemAt(0).hasThumbnail(); }, 10000));
    EXPECT_EQ(strip->itemAt(0).thumbnail().size(), QSize(64, 96));
}

TEST_F(AlbumStripTest, AMoveIntoAnotherWindowTakesThePicturesAwayAndACopyLeavesThem) {
    auto source = makeAlbum("source", {"a.jpg", "b.jpg"});
    auto target = makeAlbum("target", {"t.jpg"});
    auto from = makeStrip(source.get());
    auto into = makeStrip(target.get());

    from->selectOnly(1);
    std::unique_ptr<QMimeData> mime = from->createDragData();
    EXPECT_EQ(drop(*into, QPoint(400, 40), *mime), Qt::CopyAction);
    from->finishDrag(Qt::MoveAction);
    EXPECT_EQ(fileNames(*target), QStringList({"t.jpg", "b.jpg"}));
    EXPECT_EQ(fileNames(*source), QStringList({"a.jpg"}));
    EXPECT_EQ(captions(*from), QStringList({"a.jpg"}));

    from->selectOnly(0);
    mime = from->createDragData();
    EXPECT_EQ(drop(*into, QPoint(400, 40), *mime), Qt::CopyAction);
    from->finishDrag(Qt::CopyAction);
    EXPECT_EQ(fileNames(*source), QStringList({"a.jpg"}));
    EXPECT_EQ(target->itemCount(), 3u);
}

TEST_F(AlbumStripTest, PasteIntoAnotherAlbumBringsThePictureWithItsPropertiesFromTemporaryCopies) {
    auto source = makeAlbum("copyfrom", {"a.jpg", "b.jpg"});
    auto target = makeAlbum("pasteto", {"t.jpg", "u.jpg"});
    ASSERT_TRUE(source->setProperty(0, "NAME", "Quay"));
    auto from = makeStrip(source.get());
    auto into = makeStrip(target.get());

    from->selectOnly(0);
    from->copySelection();
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(offered);
    EXPECT_TRUE(offered->hasFormat(kItemsMimeType));
    EXPECT_TRUE(offered->hasFormat(kIndexesMimeType));
    ASSERT_EQ(offered->urls().size(), 1);
    const QString copy = offered->urls().front().toLocalFile();
    EXPECT_NE(copy, QString::fromStdString(*source->itemPath(0)));

    // Pasted before the selected item.
    into->selectOnly(1);
    ASSERT_TRUE(into->pasteFromClipboard());
    EXPECT_EQ(fileNames(*target), QStringList({"t.jpg", "a.jpg", "u.jpg"}));
    EXPECT_EQ(target->property(1, "NAME"), "Quay");
    EXPECT_EQ(into->itemAt(1).caption(), "Quay");
    EXPECT_EQ(source->itemCount(), 2u);
    // Into its own album, the copy arrives under a free name beside the original.
    from->deselectAll();
    ASSERT_TRUE(from->pasteFromClipboard());
    EXPECT_EQ(fileNames(*source), QStringList({"a.jpg", "b.jpg", "(1)a.jpg"}));

    // The main window's close deletes the copy the clipboard still names.
    EXPECT_GE(AlbumStrip::deleteTemporaryCopies(), 1);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(target->itemCount(), 3u);
}

TEST_F(AlbumStripTest, FollowsPicturesThatOtherProgramsAddToOrRemoveFromTheFolder) {
    auto album = makeAlbum("watched", {"a.jpg", "b.jpg"});
    auto strip = makeStrip(album.get());
    writePicture(QString::fromStdString(album->folder()) + "/c.jpg", {300, 200});
    ASSERT_TRUE(QFile::remove(QString::fromStdString(*album->itemPath(0))));
    EXPECT_TRUE(album->refresh(strip.get()));
    EXPECT_EQ(captions(*strip), QStringList({"b.jpg", "c.jpg"}));
}

TEST_F(AlbumStripTest, AReadOnlyAlbumRefusesEditingDraggingAndDropping) {
    makeAlbum("locked", {"a.jpg", "b.jpg"});
    auto album = makeAlbum("locked", {}, /*readOnly=*/true);
    auto strip = makeStrip(album.get());
    ASSERT_TRUE(strip->isSelectorReadOnly());

    const QPoint caption = strip->itemAt(0).captionRect().center();
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::NoModifier, caption);
    QTest::mouseClick(strip.get(), Qt::LeftButton, Qt::NoModifier, caption);
    EXPECT_EQ(strip->selectedIndexes(), std::vector<std::size_t>({0}));
    EXPECT_FALSE(strip->isEditingCaption());

    const QString picture = m_temp.path("new.jpg");
    writePicture(picture, {300, 200});
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(picture)});
    EXPECT_EQ(drop(*strip, QPoint(100, 40), files), Qt::IgnoreAction);

    std::unique_ptr<QMimeData> own = strip->createDragData();
    EXPECT_EQ(drop(*strip, QPoint(400, 40), *own), Qt::IgnoreAction);
    strip->finishDrag(Qt::MoveAction);
    EXPECT_FALSE(strip->deleteSelection());
    EXPECT_FALSE(strip->pasteFromClipboard());
    EXPECT_EQ(fileNames(*album), QStringList({"a.jpg", "b.jpg"}));
    EXPECT_EQ(m_history.undoCount(), 0u);
}

}  // namespace
}  // namespace orbpix
