// Photographs the about window in a shipped skin, as it opens or with its credits rolling:
//   about_screenshot PROGRAM-FOLDER OUTPUT.png [SKIN] [credits]
// Under Xvfb the window is taken from the screen; elsewhere it is rendered.

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"
#include "support/ScreenshotSkin.h"
#include "ui/AboutWindow.h"

int main(int argc, char** argv) {
    using namespace orbpix;
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: about_screenshot PROGRAM-FOLDER OUT.png [SKIN] [credits]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString skin = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Default");
    const bool credits = argc > 4 && QByteArray(argv[4]) == "credits";
    QTemporaryDir unpacked;
    SkinManager skins;
    if (!test::useScreenshotSkin("about_screenshot", program, skin, unpacked, skins))
        return 1;

    // The keys are played: Ctrl and Shift on OK, then Ctrl alone to roll the credits quickly
    // to where the team's names stand.
    Qt::KeyboardModifiers held = Qt::ControlModifier | Qt::ShiftModifier;
    AboutWindow about(nullptr, [&held] { return held; });
    if (!about.isReady())
        return 1;
    about.move(40, 40);
    about.show();
    if (!QTest::qWaitForWindowExposed(&about))
        return 1;
    if (credits) {
        about.findChild<SkinButton*>(QStringLiteral("1"))->click();
        held = Qt::ControlModifier;
        for (int n = 0; n < 48; ++n)
            about.tick();
        held = Qt::NoModifier;
    }
    QTest::qWait(300);
    QImage shot;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        shot = about.screen()->grabWindow(about.winId()).toImage();
    else
        shot = about.grab().toImage();
    const QString out = QString::fromLocal8Bit(argv[2]);
    if (shot.isNull() || !shot.save(out))
        return 1;
    std::printf("about_screenshot: %s\n", qPrintable(out));
    setProgramSkins(nullptr);
    return 0;
}
