#pragma once

#include <string>

#include "panorama/ViewControl.h"
#include "tourviewer/DecodeAhead.h"
#include "tourviewer/TourModel.h"
#include "xwin/Geometry.h"
#include "xwin/Window.h"

namespace orbpix::tourviewer {

// What the tour's input logic asks of the window that shows it.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    virtual void invalidate(const xwin::Rect& area) = 0;
    virtual void startZoomTimer() = 0;
    virtual void stopZoomTimer() = 0;
    virtual void openLink(const std::string& address) = 0;
    virtual void endDialog() = 0;
    virtual void maximise() = 0;
    virtual void minimise() = 0;
    virtual void beginWindowMove() = 0;
    virtual void showMessage(const std::string& message) = 0;
    virtual void setWaitCursor(bool on) = 0;
};

// The address the logo button opens.
inline constexpr const char* kVendorHomePage = "https://www.orbworks.com/";
inline constexpr int kZoomTimerPeriodMs = 50;

// The tour window's behaviour apart from the picture view's own input: the skin's buttons
// light up, sink and act, the list scrolls and picks, keys step through the pictures, and the
// picture on show goes to the view. Toolkit-free; the window layer forwards its events.
class TourDialog {
public:
    TourDialog(TourModel& model, PanoramaViewControl& view, DialogHost& host);

    // Shows the selected picture if it is not the one on show: decodes it (with a wait
    // cursor), resets the view, sets its elevation limits and hands it the pixels.
    void showSelectedPicture();
    // A frame reached the screen: the time to decode the next picture ahead.
    void frameShown();

    void mouseMove(int x, int y);
    void mouseLeave() { mouseMove(-1, -1); }
    void buttonDown(int x, int y);
    void buttonUp(int x, int y);
    // False when the key means nothing to the tour.
    bool keyDown(xwin::Key key);
    // One tick of the zoom timer while a zoom button is held.
    void zoomTick();

    int hoverElement() const { return m_hover; }
    std::int32_t hoverType() const { return m_hoverType; }
    int zoomDirection() const { return m_zoomDirection; }
    // The picture being decoded ahead of the user, or −1.
    int decodingAhead() const { return m_ahead.pending(); }

private:
    void setHover(int element, std::int32_t type);
    void showState(int element, int picture);
    void pressPicture(int element);
    void releasePicture(int element);
    void stopZoom();
    void invalidateType(std::int32_t type);
    bool hasBar() const { return m_model.findElement(kTypeBar) >= 0; }

    TourModel& m_model;
    PanoramaViewControl& m_view;
    DialogHost& m_host;
    int m_hover = -1;
    std::int32_t m_hoverType = kTypeUnknown;
    // The element the button went down on; a release acts only on that element.
    int m_pressed = -1;
    std::int32_t m_pressedType = kTypeUnknown;
    int m_zoomDirection = 0;
    DecodeAhead m_ahead;
    int m_nextAhead = -1;  // to decode ahead once the present picture is on screen
};

}  // namespace orbpix::tourviewer
