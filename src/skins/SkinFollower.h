#pragma once

#include <QObject>

#include "skins/InstanceNotice.h"

class QScreen;

namespace orbpix {

class SkinManager;

// Keeps a running album program's windows in the current skin: applies the skin another
// instance installed when its notice arrives, and has every skinned window reload its
// pictures when the screens change.
class SkinFollower : public QObject {
public:
    explicit SkinFollower(SkinManager& skins, QObject* parent = nullptr);

    // Starts listening for notices; false when no socket could be made (skins installed by
    // other instances are then picked up at the next start).
    [[nodiscard]] bool listen() { return m_listener.listen(); }

private:
    void watchScreen(QScreen* screen);

    SkinManager& m_skins;
    InstanceListener m_listener;
};

}  // namespace orbpix
