#pragma once

#include <QRect>
#include <QSize>

namespace orbpix {

// Where the credits stand before the first tick: the picture's top waits that many ticks
// before it starts to move.
inline constexpr int kCreditsStart = -100;

// Which keys steer the credits at a tick.
struct ScrollKeys {
    bool control = false;
    bool shift = false;
};

// The position after one tick: +1, +8 with Ctrl, -1 with Shift, -8 with both. Past the
// picture's height the credits start again from kCreditsStart. Shift may take the position
// below zero without limit: it keeps falling while the key is held.
int nextCreditsPosition(int position, ScrollKeys keys, int pictureHeight);

// The picture row shown at the band's top: none of the picture is skipped while the position
// is below zero, and the band never runs past the picture's bottom.
int creditsSourceRow(int position, int pictureHeight, int bandHeight);

// What of the picture the band shows and where: the picture centred across the band, copied
// downwards from the source row, clipped to the band. Empty when nothing shows.
struct CreditsBlit {
    QRect source;
    QPoint target;
};
CreditsBlit creditsBlit(QSize picture, const QRect& band, int position);

// The band the credits run in: the frame control's rectangle less 2 pixels on every side.
QRect creditsBand(const QRect& frameControl);

}  // namespace orbpix
