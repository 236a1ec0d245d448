#include "ui/PictureOpenDialog.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "imaging/io/FormatPatterns.h"
#include "shell/ResourceLibrary.h"
#include "support/SettingsFixture.h"
#include "ui/MainPanel.h"

namespace orbpix {
namespace {

TEST(PictureOpenNames, TheFirstQuotedNameStandsForSeveral) {
    EXPECT_EQ(firstChosenName(QStringLiteral("ring.jpg")), "ring.jpg");
    EXPECT_EQ(firstChosenName(QStringLiteral("\"b c.jpg\" \"a.jpg\" \"d.jpg\"")), "b c.jpg");
    EXPECT_EQ(firstChosenName(QStringLiteral("\"half typed")), "half typed");
    EXPECT_EQ(firstChosenName(QString()), "");
    EXPECT_EQ(chosenPath(QStringLiteral("/p/q"), QStringLiteral("r.jpg")), "/p/q/r.jpg");
    EXPECT_EQ(chosenPath(QStringLiteral("/p/q"), QStringLiteral("/s/../t.jpg")), "/t.jpg");
    EXPECT_EQ(chosenPath(QStringLiteral("/p/q"), QString()), "");
}

// A folder of pictures told apart by colour, a file that only looks like one, a text file
// and a folder, with the program's dialog opened on it.
class PictureOpenDialogTest : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        ASSERT_TRUE(resourceLibrary().load(QStringLiteral(ORBPIX_PROGRAM_DIR)));
        m_folder = m_temp.path(QStringLiteral("pictures"));
        ASSERT_TRUE(QDir().mkpath(m_folder + "/other"));
        ASSERT_TRUE(writePicture("a.png", 160, 80, Qt::red));
        ASSERT_TRUE(writePicture("b.png", 80, 160, Qt::green));
        ASSERT_TRUE(writePicture("c.png", 100, 100, Qt::blue));
        ASSERT_TRUE(writePicture("other/d.png", 160, 160, Qt::yellow));
        ASSERT_TRUE(writeFile(m_folder + "/unreadable.png", "not a picture at all"));
        ASSERT_TRUE(writeFile(m_folder + "/notes.txt", "a text"));

        const QString filter =
            qtFileFilter(openDialogFilter([](int id) { return resourceLibrary().text(id); }));
        m_dialog = std::make_unique<PictureOpenDialog>(filter);
        m_dialog->setDirectory(m_folder);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
        ASSERT_NE(pane(), nullptr);
        // The folder's entries are read in the background: the files, then "other".
        ASSERT_TRUE(QTest::qWaitFor([&] { return index("unreadable.png").isValid(); }));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !m_dialog->fileView()->visualRect(index("other")).isEmpty(); }));
    }
    void TearDown() override {
        m_dialog.reset();
        resourceLibrary().unload();
    }

    bool writePicture(const QString& name, int width, int height, Qt::GlobalColor colour) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(colour);
        return picture.save(m_folder + '/' + name);
    }
    PreviewPane* pane() const { return m_dialog->previewPane(); }
    QLineEdit* nameField() const {
        return m_dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    }
    QModelIndex index(const QString& name) const {
        QAbstractItemView* view = m_dialog->fileView();
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex i = view->model()->index(row, 0, view->rootIndex());
            if (i.data().toString() == name)
                return i;
        }
        return {};
    }
    // Clicks the first name and Ctrl-clicks the others, as the user would.
    void select(const QStringList& names) {
        QAbstractItemView* view = m_dialog->fileView();
        Qt::KeyboardModifiers modifiers;
        for (const QString& name : names) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                              view->visualRect(index(name)).center());
            modifiers = Qt::ControlModifier;
        }
    }
    // The colour of the pane's picture, once one is there.
    QColor shownColour() const {
        if (!QTest::qWaitFor([&] { return !pane()->picture().isNull(); }))
            return {};
        const QImage& p = pane()->picture();
        return p.pixelColor(p.width() / 2, p.height() / 2);
    }

    QString m_folder;
    std::unique_ptr<PictureOpenDialog> m_dialog;
};

TEST_F(PictureOpenDialogTest, SeveralChosenShowTheFirstNamedFittedIntoThePane) {
    select({"b.png", "a.png", "c.png"});
    // The user's last click, on c, made it the current file; the name field leads with
    // another one, and that one is shown.
    ASSERT_EQ(m_dialog->fileView()->currentIndex(), index("c.png"));
    const QString first = firstChosenName(nameField()->text());
    ASSERT_EQ(nameField()->text().count('"'), 6) << nameField()->text().toStdString();
    ASSERT_NE(first, "c.png");
    const QColor expected = first == "a.png" ? QColor(Qt::red) : QColor(Qt::green);
    EXPECT_EQ(shownColour(), expected) << first.toStdString();
    EXPECT_EQ(pane()->file(), m_folder + '/' + first);
    const QSize box = pane()->pictureArea().size() * pane()->devicePixelRatio();
    EXPECT_LE(pane()->picture().width(), box.width());
    EXPECT_LE(pane()->picture().height(), box.height());
    // Never enlarged: the pane is larger than the pictures.
    EXPECT_EQ(pane()->picture().size(), first == "a.png" ? QSize(160, 80) : QSize(80, 160));
}

TEST_F(PictureOpenDialogTest, PreviewOffAndOnShowsTheSelectionAgainUnasked) {
    select({"c.png"});
    EXPECT_EQ(shownColour(), QColor(Qt::blue));

    QSignalSpy current(m_dialog.get(), &QFileDialog::currentChanged);
    QSignalSpy typed(nameField(), &QLineEdit::textChanged);
    m_dialog->previewBox()->click();
    EXPECT_FALSE(m_dialog->isPreviewOn());
    EXPECT_TRUE(pane()->picture().isNull());
    EXPECT_TRUE(pane()->file().isEmpty());
    // While off, a new selection is not previewed.
    select({"a.png"});
    QApplication::processEvents();
    EXPECT_TRUE(pane()->file().isEmpty());

    current.clear();
    typed.clear();
    m_dialog->previewBox()->click();
    EXPECT_EQ(shownColour(), QColor(Qt::red));
    EXPECT_EQ(current.count(), 0);
    EXPECT_EQ(typed.count(), 0);
}

TEST_F(PictureOpenDialogTest, EnteringAnotherFolderClearsThePane) {
    select({"a.png"});
    EXPECT_EQ(shownColour(), QColor(Qt::red));
    QSignalSpy changed(pane(), &PreviewPane::pictureChanged);

    select({"other"});
    QTest::keyClick(m_dialog->fileView(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->directory().dirName() == "other"; }));
    EXPECT_TRUE(pane()->picture().isNull());
    EXPECT_TRUE(pane()->file().isEmpty());
    EXPECT_GE(changed.count(), 1);
}

TEST_F(PictureOpenDialogTest, AnUnreadableFileLeavesThePaneEmpty) {
    select({"a.png"});
    EXPECT_EQ(shownColour(), QColor(Qt::red));

    select({"unreadable.png"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane()->file().endsWith("/unreadable.png"); }));
    // Once the worker has given up, whatever it posted has been handled.
    ASSERT_TRUE(QTest::qWaitFor([] { return !thumbnailQueue().hasDispatcher(); }));
    QApplication::sendPostedEvents();
    EXPECT_TRUE(pane()->picture().isNull());
}

TEST_F(PictureOpenDialogTest, SelectAllChoosesEveryPictureFileOfTheFolder) {
    // The other cases use the detailed list.
    m_dialog->setViewMode(QFileDialog::List);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return m_dialog->fileView()->isVisible() &&
               !m_dialog->fileView()->visualRect(index("other")).isEmpty();
    }));
    m_dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    QTest::mouseClick(m_dialog->selectAllButton(), Qt::LeftButton);

    QStringList chosen = m_dialog->selectedFiles();
    chosen.sort();
    const QStringList expected{m_folder + "/a.png", m_folder + "/b.png", m_folder + "/c.png",
                               m_folder + "/unreadable.png"};
    EXPECT_EQ(chosen, expected);
    EXPECT_EQ(nameField()->text().count('"'), 8) << nameField()->text().toStdString();
    EXPECT_TRUE(m_dialog->fileView()->hasFocus());
    // The preview follows the name field.
    const QString first = firstChosenName(nameField()->text());
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane()->file() == m_folder + '/' + first; }));
}

}  // namespace
}  // namespace orbpix
