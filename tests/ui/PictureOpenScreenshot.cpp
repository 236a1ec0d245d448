// Photographs the picture open dialog on a folder of example rings with the first ring
// previewed, in a shipped skin:
//   picture_open_screenshot PROGRAM-FOLDER PICTURE-FOLDER OUTPUT.png [SKIN]
// Under Xvfb the window is taken from the screen; elsewhere it is rendered.

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "imaging/io/FormatPatterns.h"
#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"
#include "support/ScreenshotSkin.h"
#include "ui/MainPanel.h"
#include "ui/PictureOpenDialog.h"

int main(int argc, char** argv) {
    using namespace orbpix;
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: picture_open_screenshot PROGRAM-FOLDER PICTURE-FOLDER OUT.png "
                     "[SKIN]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString skin = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("Default");
    QTemporaryDir unpacked;
    SkinManager skins;
    if (!test::useScreenshotSkin("picture_open_screenshot", program, skin, unpacked, skins))
        return 1;

    const QString filter =
        qtFileFilter(openDialogFilter([](int id) { return resourceLibrary().text(id); }));
    int status = 1;
    {
        PictureOpenDialog dialog(filter);
        const QDir folder(QString::fromLocal8Bit(argv[2]));
        dialog.setDirectory(folder.absolutePath());
        dialog.move(40, 40);
        dialog.show();
        const QStringList rings = folder.entryList({QStringLiteral("*.jpg")}, QDir::Files);
        if (!QTest::qWaitForWindowExposed(&dialog) || rings.isEmpty() || !dialog.previewPane())
            return 1;
        // Chosen as a click would: once the folder has been read.
        const bool listed = QTest::qWaitFor([&] {
            QAbstractItemView* view = dialog.fileView();
            return view && view->model()->rowCount(view->rootIndex()) >= rings.size();
        });
        if (!listed)
            return 1;
        dialog.selectFile(rings.first());
        if (!QTest::qWaitFor([&] { return !dialog.previewPane()->picture().isNull(); }, 20000))
            return 1;
        QTest::qWait(300);
        QImage shot;
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            shot = dialog.screen()->grabWindow(dialog.winId()).toImage();
        else
            shot = dialog.grab().toImage();
        const QString out = QString::fromLocal8Bit(argv[3]);
        if (!shot.isNull() && shot.save(out)) {
            std::printf("picture_open_screenshot: %s\n", qPrintable(out));
            status = 0;
        }
    }
    setProgramSkins(nullptr);
    return status;
}
