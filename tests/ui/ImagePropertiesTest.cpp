#include "ui/ImageProperties.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "album/AlbumItem.h"
#include "album/AlbumLibrary.h"
#include "album/EditHistory.h"
#include "album/EditSteps.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "export/ExportManager.h"
#include "imaging/LensCircle.h"
#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "support/ProgramFixture.h"
#include "support/TourExportSupport.h"
#include "ui/CircleEditor.h"
#include "ui/CircleGeometry.h"
#include "ui/WidgetExportUi.h"

namespace orbpix {
namespace {

// A 400 × 400 picture shown at half size from (10, 20): the circles' centre (200, 200) lies
// at (110, 120) on the display, the outer circle of 100 at 50 display pixels from it.
CircleGeometry halfSizeEditor(EditorCircles circles) {
    CircleGeometry g;
    g.setPicture(400, 400);
    g.setFit(DisplayFit{0.5, 10, 20});
    g.setCircles(circles);
    return g;
}

TEST(CircleGeometry, DragsStayInsideThePictureAndKeepTheRing) {
    // The outer circle dragged past the right edge stops at width - x - 1.
    CircleGeometry g = halfSizeEditor({200, 200, 30, 100});
    EXPECT_EQ(g.press(160, 120), CircleDrag::Outer);
    EXPECT_TRUE(g.drag(400, 120));
    EXPECT_EQ(g.circles(), (EditorCircles{200, 200, 30, 199}));
    g.release();
    EXPECT_FALSE(g.drag(300, 120));

    // The inner circle dragged beyond the outer one stops at the outer radius.
    EXPECT_EQ(g.press(125, 120), CircleDrag::Inner);
    EXPECT_TRUE(g.drag(300, 120));
    EXPECT_EQ(g.circles(), (EditorCircles{200, 200, 199, 199}));

    // The centre keeps the whole outer circle on the picture, on both sides.
    g = halfSizeEditor({200, 200, 30, 100});
    EXPECT_EQ(g.press(110, 120), CircleDrag::Centre);
    EXPECT_TRUE(g.drag(0, 0));
    EXPECT_EQ(g.circles(), (EditorCircles{100, 100, 30, 100}));
    EXPECT_TRUE(g.drag(1000, 1000));
    EXPECT_EQ(g.circles(), (EditorCircles{299, 299, 30, 100}));

    // Circles already over the edge: the outer one is pulled in and takes the inner with it.
    g = halfSizeEditor({40, 200, 50, 60});
    EXPECT_EQ(g.press(60, 120), CircleDrag::Outer);
    EXPECT_TRUE(g.drag(61, 120));
    EXPECT_EQ(g.circles(), (EditorCircles{40, 200, 40, 40}));

    // Away from the circles and the centre a press grabs nothing.
    g = halfSizeEditor({200, 200, 30, 100});
    EXPECT_EQ(g.press(140, 120), CircleDrag::None);
    EXPECT_FALSE(g.drag(150, 150));
}

TEST(CircleGeometry, CursorsFollowTheSectorAroundTheCentre) {
    const CircleGeometry g = halfSizeEditor({200, 200, 30, 100});
    const double diagonal = 50 / std::sqrt(2.0);
    EXPECT_EQ(g.cursorAt(160, 120), CircleCursor::SizeHorizontal);
    EXPECT_EQ(g.cursorAt(60, 120), CircleCursor::SizeHorizontal);
    EXPECT_EQ(g.cursorAt(110, 70), CircleCursor::SizeVertical);
    EXPECT_EQ(g.cursorAt(110 + diagonal, 120 + diagonal), CircleCursor::SizeFallingDiagonal);
    EXPECT_EQ(g.cursorAt(110 - diagonal, 120 - diagonal), CircleCursor::SizeFallingDiagonal);
    EXPECT_EQ(g.cursorAt(110 + diagonal, 120 - diagonal), CircleCursor::SizeRisingDiagonal);
    EXPECT_EQ(g.cursorAt(110, 135), CircleCursor::SizeVertical);  // on the inner circle
    EXPECT_EQ(g.cursorAt(111, 121), CircleCursor::Move);
    EXPECT_EQ(g.cursorAt(140, 120), CircleCursor::Normal);
}

TEST(ImagePropertiesRules, FitLayoutMinimumAndChanges) {
    const DisplayFit fit = fitPicture(400, 400, 200, 300);
    EXPECT_DOUBLE_EQ(fit.scale, 0.5);
    EXPECT_DOUBLE_EQ(fit.offsetX, 0);
    EXPECT_DOUBLE_EQ(fit.offsetY, 50);

    DialogTemplate layout;
    layout.size = QSize(500, 400);
    layout.controls = {{kPictureDisplayId, "picture", QRect(10, 10, 480, 300), {}},
                       {kDetectButtonId, "button", QRect(10, 320, 100, 26), {}},
                       {kPictureNameId, "edit", QRect(120, 320, 370, 24), {}},
                       {SkinDialog::kOkId, "button", QRect(330, 360, 76, 30), {}}};
    const auto places = imagePropertiesLayout(layout, QSize(600, 450));
    EXPECT_EQ(places.at(kPictureDisplayId), QRect(10, 10, 580, 350));
    EXPECT_EQ(places.at(kDetectButtonId), QRect(10, 370, 100, 26));
    EXPECT_EQ(places.at(kPictureNameId), QRect(120, 370, 470, 24));
    EXPECT_EQ(places.at(SkinDialog::kOkId), QRect(430, 410, 76, 30));
    EXPECT_EQ(imagePropertiesMinimum(false), QSize(320, 240));
    EXPECT_EQ(imagePropertiesMinimum(true), QSize(0, 0));

    EXPECT_TRUE(imagePropertyChanges("A", "1,2,3,4", "A", "1,2,3,4").empty());
    const PropertyMap circlesOnly = imagePropertyChanges("A", "1,2,3,4", "A", "1,2,3,5");
    EXPECT_EQ(circlesOnly.count(), 2u);
    EXPECT_EQ(circlesOnly.get(kPropertyCircles), "1,2,3,5");
    EXPECT_EQ(circlesOnly.get(kPropertyFlatPath), "");
    const PropertyMap nameOnly = imagePropertyChanges("A", std::nullopt, "B", "");
    EXPECT_EQ(nameOnly.count(), 1u);
    EXPECT_EQ(nameOnly.get(kPropertyName), "B");
}

// One ring picture in an album of its own, with the dialog opened on it as the program does.
class ImagePropertiesDialogTest : public test::ProgramFixture {
protected:
    static constexpr int kSide = 400;
    void SetUp() override {
        ProgramFixture::SetUp();
        if (HasFatalFailure())
            return;
        addImagingPatterns(filePatternList());
        const QString folder = m_temp.path(QStringLiteral("album"));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(test::writeRingPicture(folder + "/ring.jpg", kSide, kSide, 40, 160));
        m_album = FolderAlbum::open(folder.toStdString());
        ASSERT_TRUE(m_album);
        ASSERT_EQ(m_album->itemCount(), 1u);
        ASSERT_TRUE(m_album->setProperty(0, kPropertyName, "Harbour"));
        ASSERT_TRUE(m_album->setProperty(0, kPropertyCircles, "200,200,40,160"));
        ASSERT_TRUE(m_album->setProperty(0, kPropertyFlatPath, "/tmp/flat.jpg"));
    }
    void TearDown() override {
        m_album.reset();
        ProgramFixture::TearDown();
    }

    // Opens the dialog on the item; the user's part runs once it is on screen.
    bool edit(const std::function<void(ImagePropertiesDialog&)>& user) {
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<ImagePropertiesDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll.stop();
            user(*dialog);
        });
        poll.start();
        return editImageProperties(*m_album, 0, &m_history, EditLabels{}, nullptr);
    }
    std::optional<std::string> property(const char* name) const {
        return m_album->property(0, name);
    }

    std::unique_ptr<FolderAlbum> m_album;
    EditHistory m_history;
};

TEST_F(ImagePropertiesDialogTest, OkWithoutChangeChangesNothing) {
    EXPECT_TRUE(edit([](ImagePropertiesDialog& dialog) {
        EXPECT_EQ(dialog.nameField()->text(), "Harbour");
        EXPECT_EQ(dialog.circles(), (EditorCircles{200, 200, 40, 160}));
        dialog.accept();
    }));
    EXPECT_EQ(m_history.undoCount(), 0u);
    EXPECT_EQ(property(kPropertyCircles), "200,200,40,160");
    EXPECT_EQ(property(kPropertyFlatPath), "/tmp/flat.jpg");
}

TEST_F(ImagePropertiesDialogTest, DraggedCirclesClearTheFlatPanoramaAndKeepTheName) {
    EditorCircles shown;
    EXPECT_TRUE(edit([&](ImagePropertiesDialog& dialog) {
        // An empty name keeps the dialog open.
        dialog.nameField()->clear();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.nameField()->setText("Harbour");

        // Grab the outer circle on its right and pull it outwards past the edge.
        CircleEditor* editor = dialog.editor();
        const CircleGeometry& g = editor->rules();
        const QPoint grab(int(std::lround(g.centreX() + g.outerRadius())), int(g.centreY()));
        QTest::mousePress(editor, Qt::LeftButton, {}, grab);
        QTest::mouseMove(editor, QPoint(editor->width() - 1, grab.y()));
        QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(editor->width() - 1, grab.y()));
        shown = dialog.circles();
        dialog.accept();
    }));
    EXPECT_EQ(shown, (EditorCircles{200, 200, 40, kSide - 200 - 1}));
    EXPECT_EQ(property(kPropertyCircles), "200,200,40,199");
    EXPECT_EQ(property(kPropertyFlatPath), std::nullopt);
    EXPECT_EQ(property(kPropertyName), "Harbour");
    ASSERT_EQ(m_history.undoCount(), 1u);
    ASSERT_TRUE(m_history.undo());
    EXPECT_EQ(property(kPropertyCircles), "200,200,40,160");
    EXPECT_EQ(property(kPropertyFlatPath), "/tmp/flat.jpg");
}

TEST_F(ImagePropertiesDialogTest, InvalidCirclesAreFoundOnOpeningAndCancelStoresNothing) {
    ASSERT_TRUE(m_album->setProperty(0, kPropertyCircles, "nonsense"));
    EditorCircles found;
    EXPECT_FALSE(edit([&](ImagePropertiesDialog& dialog) {
        found = dialog.circles();
        dialog.reject();
    }));
    EXPECT_NEAR(found.cx, 200, 4);
    EXPECT_NEAR(found.cy, 200, 4);
    EXPECT_NEAR(found.outer, 160, 6);
    EXPECT_EQ(property(kPropertyCircles), "nonsense");
    EXPECT_EQ(m_history.undoCount(), 0u);
}

// Question 630 of the tour export answered with OK: the user finds the circles in the dialog
// and the picture goes into the tour instead of being left out.
TEST_F(ImagePropertiesDialogTest, InvalidCirclesAreSetInTheDialogDuringTheTourExport) {
    const QString program = m_temp.path(QStringLiteral("program"));
    test::makeProgramFolder(program);
    ASSERT_TRUE(m_album->setProperty(0, kPropertyCircles, "500,500,10,400"));
    // The proposed name kept: the save dialog may put its own name back while it fills in.
    const QString destination = m_temp.path(QStringLiteral("Harbour"));

    QStringList questions;
    std::optional<EditorCircles> chosen;
    QTimer user;
    user.setInterval(10);
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* files = qobject_cast<QFileDialog*>(w)) {
                files->selectFile(destination);
                static_cast<QDialog*>(files)->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                questions << box->text();
                box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click()
                                             : box->reject();
            } else if (auto* dialog = qobject_cast<ImagePropertiesDialog*>(w)) {
                QTest::mouseClick(dialog->findChild<QPushButton*>(QString::number(kDetectButtonId)),
                                  Qt::LeftButton);
                chosen = dialog->circles();
                dialog->accept();
            }
        }
    });
    user.start();

    WidgetExportUi ui;
    ExportManager manager(ui, {}, program);
    ASSERT_TRUE(manager.exportLocalTour(*m_album, QStringLiteral("Harbour")));
    QEventLoop loop;
    bool generated = false;
    manager.setGeneratorFinished([&](bool success, const QString&) {
        generated = success;
        loop.quit();
    });
    if (manager.generatorRunning()) {
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    user.stop();
    EXPECT_TRUE(generated) << questions.join('\n').toStdString();
    ASSERT_EQ(questions.size(), 1) << questions.join('\n').toStdString();
    EXPECT_TRUE(questions[0].contains("Harbour"));
    ASSERT_TRUE(chosen);
    EXPECT_NEAR(chosen->outer, 160, 6);
    const auto tour = test::readTourProgram(destination);
    ASSERT_TRUE(tour);
    ASSERT_EQ(tour->album.pictures.size(), 1u);
    EXPECT_EQ(tour->album.pictures[0].name, "Harbour");
}

}  // namespace
}  // namespace orbpix
