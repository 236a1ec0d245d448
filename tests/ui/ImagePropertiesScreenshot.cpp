// Photographs a dialog of the album program in a shipped skin: the image properties on an
// example ring, with the circles the detection finds on opening,
//   image_properties_screenshot PROGRAM-FOLDER PICTURE OUTPUT.png [SKIN]
// the album properties on a copy of an album folder,
//   image_properties_screenshot --album-properties PROGRAM-FOLDER ALBUM-FOLDER OUTPUT.png [SKIN]
// or one page (1 to 3) of the preferences,
//   image_properties_screenshot --preferences PROGRAM-FOLDER PAGE OUTPUT.png [SKIN]
// Under Xvfb the window is taken from the screen; elsewhere it is rendered. Settings go to a
// temporary folder.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"
#include "support/ScreenshotSkin.h"
#include "ui/AlbumProperties.h"
#include "ui/ImageProperties.h"
#include "ui/Preferences.h"

namespace {

// Shows the dialog and saves what the screen shows of it.
bool photograph(QWidget& dialog, const QString& out) {
    using namespace orbpix;
    dialog.move(40, 40);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return false;
    QTest::qWait(300);
    QImage shot;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        shot = dialog.screen()->grabWindow(dialog.winId()).toImage();
    else
        shot = dialog.grab().toImage();
    if (shot.isNull() || !shot.save(out))
        return false;
    std::printf("image_properties_screenshot: %s\n", qPrintable(out));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orbpix;
    QApplication app(argc, argv);
    QString mode;
    if (argc > 1 && QByteArray(argv[1]).startsWith("--")) {
        mode = QString::fromLocal8Bit(argv[1]);
        --argc;
        ++argv;
    }
    QTemporaryDir settingsHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsHome.path()));
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: image_properties_screenshot PROGRAM-FOLDER PICTURE OUT.png [SKIN]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString skin = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("Default");
    QTemporaryDir unpacked;
    SkinManager skins;
    if (!test::useScreenshotSkin("image_properties_screenshot", program, skin, unpacked, skins))
        return 1;

    const QString out = QString::fromLocal8Bit(argv[3]);
    bool shot = false;
    if (mode == QLatin1String("--album-properties")) {
        // A copy, since opening an album writes its album file.
        const QString source = QString::fromLocal8Bit(argv[2]);
        const QString folder = settingsHome.filePath(QFileInfo(source).fileName());
        QDir().mkpath(folder);
        for (const QFileInfo& file : QDir(source).entryInfoList(QDir::Files))
            QFile::copy(file.filePath(), folder + QLatin1Char('/') + file.fileName());
        addImagingPatterns(filePatternList());
        const auto album = FolderAlbum::open(folder.toStdString());
        if (!album)
            return 1;
        AlbumPropertiesDialog dialog(*album);
        shot = dialog.isReady() && photograph(dialog, out);
    } else if (mode == QLatin1String("--preferences")) {
        AppSettings settings;
        settings.userName = QStringLiteral("Ann Example");
        settings.userAddress = QStringLiteral("1 Harbour Road, Seaton");
        settings.userHomepage = QStringLiteral("http://ann.example");
        (void)albumLibrary().setRoot(QDir::homePath() + QStringLiteral("/Documents/My ORB Albums"),
                                     RootCreation::No);
        PreferencesDialog dialog(settings, albumLibrary());
        if (dialog.isReady()) {
            dialog.pages()->setCurrentIndex(QString::fromLocal8Bit(argv[2]).toInt() - 1);
            dialog.pages()->currentWidget()->setFocus();
            shot = photograph(dialog, out);
        }
    } else {
        ImagePropertiesInput input;
        input.picturePath = QString::fromLocal8Bit(argv[2]);
        input.name = QFileInfo(input.picturePath).completeBaseName();
        input.albumFileDate =
            QLocale().toString(QDateTime(QDate(2026, 12, 8), QTime(9, 30)), QLocale::LongFormat);
        ImagePropertiesDialog dialog(input);
        shot = dialog.isReady() && photograph(dialog, out);
    }
    setProgramSkins(nullptr);
    return shot ? 0 : 1;
}
