#pragma once

#include <QRect>
#include <QString>
#include <QStringView>
#include <optional>

namespace orbpix {

// A window's restored rectangle in screen coordinates and its show state, as stored in the
// "Windows" key: one text value per window ("MainWindow", "AlbumProperties", …).
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int showState = 0;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;

    // A window's geometry with its show state.
    static WindowPlacement of(const QRect& r, int showState = 0) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), showState};
    }
};

// What a stored text changes: the rectangle always, the show state only when it was stored.
struct PlacementUpdate {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::optional<int> showState;
};

// "left,top,right,bottom,showState".
QString formatPlacement(const WindowPlacement& placement);
// Up to five comma-separated decimal fields (text that is not a number counts as 0); fewer
// than four fields change nothing.
std::optional<PlacementUpdate> parsePlacement(QStringView text);
// The current placement with the update applied.
WindowPlacement applyPlacement(WindowPlacement current, const PlacementUpdate& update);

// Writes the placement under the window's value name in the user's hive.
[[nodiscard]] bool savePlacement(const QString& valueName, const WindowPlacement& placement);
// Applies the stored placement to the current one; false (and unchanged) when there is no
// usable stored value.
bool restorePlacement(const QString& valueName, WindowPlacement& placement);

}  // namespace orbpix
