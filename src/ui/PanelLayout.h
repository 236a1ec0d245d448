#pragma once

#include <QRect>
#include <QSize>
#include <map>
#include <vector>

namespace orbpix {

// Control ids of the main window's panel (dialog layout 109); they are also the widgets'
// object names.
namespace panel {
inline constexpr int kDialogTemplate = 109;
inline constexpr int kAddPictures = 1000;
inline constexpr int kOpenAlbum = 1002;
inline constexpr int kSaveAlbum = 1003;
inline constexpr int kPublishEmail = 1005;
inline constexpr int kPublishHtml = 1006;
inline constexpr int kPublishTour = 1007;
inline constexpr int kNoCorrection = 1008;
inline constexpr int kAutoCorrection = 1009;
inline constexpr int kTrash = 1010;
inline constexpr int kStripPlaceholder = 1011;
inline constexpr int kAlbumList = 1012;
inline constexpr int kPictureView = 1013;
inline constexpr int kBrightness = 1014;
inline constexpr int kLens = 1015;
inline constexpr int kContrast = 1016;
inline constexpr int kSaturation = 1017;
inline constexpr int kRaiseBrightness = 1054;
inline constexpr int kRaiseContrast = 1055;
inline constexpr int kRaiseSaturation = 1057;
inline constexpr int kLowerBrightness = 1058;
inline constexpr int kLowerContrast = 1059;
inline constexpr int kLowerSaturation = 1060;
inline constexpr int kZoomOut = 1061;
inline constexpr int kZoomIn = 1062;
inline constexpr int kProgress = 1070;
inline constexpr int kStrip = 121;

// Where the strip goes when the layout has no placeholder for it.
inline constexpr QRect kDefaultStripRect{5, 40, 300, 88};
// Gap between the picture's bottom and the zoom buttons.
inline constexpr int kZoomGap = 7;
}  // namespace panel

// The picture fitted into the view area: as wide as a 1.77777777 ratio allows (the factor as
// written, so an area of exactly 16:9 loses a pixel of width), centred by integer halves.
QRect fitPicture(const QRect& area);

// Left edges of the top bar's buttons laid side by side, centred in a client of the width.
std::vector<int> centredBarPositions(const std::vector<int>& widths, int clientWidth);

// How each control of the panel follows a change of the client size.
enum class Anchor {
    Fixed,        // stays where it is
    TopBar,       // moves right by half the change of width
    StripWidth,   // keeps its corner and height, its width grows with the window
    BottomRight,  // moves with both edges
    Bottom,       // moves down with the bottom edge
    ZoomOut,      // under the picture, three button widths left of its right edge
    ZoomIn,       // under the picture, two button widths left of its right edge
    Picture,      // the picture fitted into the view area
};

// The anchoring of the panel's controls: starts from the layout's rectangles and client size
// and moves the controls by the change of size on each resize. Pure arithmetic; the panel
// applies the rectangles to its widgets.
class PanelAnchoring {
public:
    // viewArea: the picture view's rectangle in the layout, whose right and bottom edges
    // follow the window.
    PanelAnchoring(QSize client, const QRect& viewArea);

    void place(int id, const QRect& rect, Anchor anchor);
    // A control's rectangle changed outside the anchoring (a button took its picture's size).
    void setRect(int id, const QRect& rect);
    QRect rect(int id) const;
    bool contains(int id) const { return m_controls.count(id) != 0; }

    // Moves everything for the new client size; false when the size did not change (nothing
    // moves and nothing needs redrawing).
    bool resize(QSize client);
    // Lays the zoom buttons under the picture again (after they took new sizes).
    void placeZoomButtons();

    QSize client() const { return m_client; }
    QRect viewArea() const { return m_viewArea; }
    QRect picture() const { return m_picture; }
    std::vector<int> ids() const;

private:
    struct Control {
        QRect rect;
        Anchor anchor;
    };

    QSize m_client;
    QRect m_viewArea;
    QRect m_picture;
    std::map<int, Control> m_controls;
};

}  // namespace orbpix
