#pragma once

#include <QImage>
#include <QRgb>
#include <QString>

class QObject;

namespace orbpix {

class SkinBitmap;
class SkinManager;

// The program's one skin manager, as every skinned window reaches it. Until the program sets
// one, windows see a manager with no current skin: the built-in pictures and the catalogue's
// colours.
void setProgramSkins(SkinManager* skins);
SkinManager& programSkins();

// The four ways a window uses it.
QImage loadElementBitmap(const QString& name);
QRgb skinColor(const QString& name, QRgb fallback);
bool registerSkinWindow(QObject* window);
bool unregisterSkinWindow(QObject* window);

}  // namespace orbpix
