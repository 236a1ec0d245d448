// Photographs the image properties dialog on an example ring, with the circles the detection
// finds on opening, in a shipped skin:
//   image_properties_screenshot PROGRAM-FOLDER PICTURE OUTPUT.png [SKIN]
// Under Xvfb the window is taken from the screen; elsewhere it is rendered.

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"
#include "ui/ImageProperties.h"

int main(int argc, char** argv) {
    using namespace orbpix;
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: image_properties_screenshot PROGRAM-FOLDER PICTURE OUT.png [SKIN]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString skin = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("Default");
    QString skinsFolder = program + QStringLiteral("/Skins");
    // A skin shipped only as a package is unpacked for the picture, as installing it would.
    QTemporaryDir unpacked;
    const QString package = skinsFolder + QLatin1Char('/') + skin + QStringLiteral(".osz");
    if (!QFileInfo(skinsFolder + QLatin1Char('/') + skin).isDir() && QFileInfo::exists(package)) {
        if (extractZipArchive(package, unpacked.path() + QLatin1Char('/') + skin, {}) <= 0)
            return 1;
        skinsFolder = unpacked.path();
    }
    SkinManager skins;
    if (!resourceLibrary().load(program) || !skins.initialise(skinsFolder, skin, skin)) {
        std::fprintf(stderr, "image_properties_screenshot: no library or no skin %s\n",
                     qPrintable(skin));
        return 1;
    }
    setProgramSkins(&skins);

    ImagePropertiesInput input;
    input.picturePath = QString::fromLocal8Bit(argv[2]);
    input.name = QFileInfo(input.picturePath).completeBaseName();
    input.albumFileDate =
        QLocale().toString(QDateTime(QDate(2026, 12, 8), QTime(9, 30)), QLocale::LongFormat);
    ImagePropertiesDialog dialog(input);
    if (!dialog.isReady())
        return 1;
    dialog.move(40, 40);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;
    QTest::qWait(300);
    QImage shot;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        shot = dialog.screen()->grabWindow(dialog.winId()).toImage();
    else
        shot = dialog.grab().toImage();
    const QString out = QString::fromLocal8Bit(argv[3]);
    if (shot.isNull() || !shot.save(out))
        return 1;
    std::printf("image_properties_screenshot: %s\n", qPrintable(out));
    setProgramSkins(nullptr);
    return 0;
}
