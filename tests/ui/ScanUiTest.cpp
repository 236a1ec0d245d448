#include "ui/ScanUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QTimer>

#include "support/TempFolder.h"
#include "support/TestScanner.h"

namespace orbpix {
namespace {

using test::TempFolder;
using test::TestScanner;

TEST(ScanUi, ASeriesGivesItsPicturesAndAFailureIsToldAndGivesNone) {
    TestScanner config;
    ASSERT_TRUE(scannerAvailable());
    TempFolder album;
    QStringList told;
    const auto tell = [&](const QString& text) { told.push_back(text); };

    const QStringList series =
        runScan(nullptr, {QString(), QString::fromStdString(album.root()), true}, tell);
    EXPECT_TRUE(told.isEmpty()) << told.join(' ').toStdString();
    ASSERT_GE(series.size(), 3);
    EXPECT_EQ(QFileInfo(series[0]).fileName(), "Img00001.bmp");
    for (const QString& file : series)
        EXPECT_TRUE(QFileInfo::exists(file));

    const QStringList none = runScan(
        nullptr, {QStringLiteral("test:9"), QString::fromStdString(album.root()), false}, tell);
    EXPECT_TRUE(none.isEmpty());
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains("test:9")) << told[0].toStdString();
}

TEST(ScanUi, TheSourceDialogListsWhatTheLibraryFinds) {
    TestScanner config;
    int listed = -1;
    // The dialog runs its own loop: answer it once its list has been filled.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* list = dialog ? dialog->findChild<QListWidget*>("sources") : nullptr;
        if (list && list->count() > 0) {
            listed = list->count();
            dialog->accept();
        }
    });
    poll.start(10);
    EXPECT_EQ(chooseScanSource(nullptr, QString()), QString(TestScanner::kDevice));
    EXPECT_EQ(listed, 1);
}

}  // namespace
}  // namespace orbpix
