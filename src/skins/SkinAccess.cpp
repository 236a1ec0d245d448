#include "skins/SkinAccess.h"

#include "skins/SkinManager.h"

namespace orbpix {

namespace {

SkinManager* g_programSkins = nullptr;

}  // namespace

void setProgramSkins(SkinManager* skins) {
    g_programSkins = skins;
}

SkinManager& programSkins() {
    if (g_programSkins != nullptr)
        return *g_programSkins;
    static SkinManager builtIn;
    return builtIn;
}

QImage loadElementBitmap(const QString& name) {
    return programSkins().loadElementBitmap(name);
}

QRgb skinColor(const QString& name, QRgb fallback) {
    return programSkins().getSkinColor(name, fallback);
}

bool registerSkinWindow(QObject* window) {
    return programSkins().addWindow(window);
}

bool unregisterSkinWindow(QObject* window) {
    return programSkins().removeWindow(window);
}

}  // namespace orbpix
