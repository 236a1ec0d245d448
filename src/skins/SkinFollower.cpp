#include "skins/SkinFollower.h"

#include <QGuiApplication>
#include <QScreen>

#include "skins/SkinManager.h"

namespace orbpix {

SkinFollower::SkinFollower(SkinManager& skins, QObject* parent)
    : QObject(parent),
      m_skins(skins),
      m_listener(
          [this](const QString& notice) {
              if (notice == QLatin1String(kSkinInstalledNotice))
                  m_skins.applyLastInstalled();
          },
          this) {
    const auto displayChanged = [this] { m_skins.notifyWindows(); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, displayChanged](QScreen* s) {
        watchScreen(s);
        displayChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, displayChanged);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, displayChanged);
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
}

void SkinFollower::watchScreen(QScreen* screen) {
    // A new depth or resolution changes how the pictures convert for the screen.
    const auto displayChanged = [this] { m_skins.notifyWindows(); };
    connect(screen, &QScreen::geometryChanged, this, displayChanged);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, displayChanged);
}

}  // namespace orbpix
