// The colours of one album-program skin. Every picture of the skin is drawn from these, so a
// new skin is mostly a new palette.

#pragma once

#include <QColor>
#include <QString>

namespace skinart {

// How a button looks in one state: its face, a one-pixel rim and the icon on it.
struct ButtonLook {
    QColor faceTop, faceBottom, rim, icon;
};

struct Palette {
    QString name;

    QColor window;     // main window ground
    QColor watermark;  // the faint ring in the bottom-right corner
    QColor bar, barEdge;
    QColor band, bandEdge;  // the thumbnail strip's well
    QColor accent;
    QColor frame, frameEdge, frameInner, frameMark;  // the preview picture's bezel
    QColor groove, grooveEdge;                       // slider tracks
    ButtonLook thumb, thumbDragged, thumbDisabled;
    ButtonLook normal, hover, pressed, disabled;
    ButtonLook primary, primaryHover, primaryPressed;  // the OK button
    QColor dialog, dialogHeader, dialogLine, dialogMark;
    QColor margin, panelEdge;  // round the image properties panel

    // The colour elements of info.txt.
    QColor itemBack, captionBack, captionText;
    QColor itemBackSelected, captionBackSelected, captionTextSelected;
    QColor progressStart, progressEnd, progressText, progressBack;
};

Palette darkPalette();
Palette daylightPalette();

}  // namespace skinart
