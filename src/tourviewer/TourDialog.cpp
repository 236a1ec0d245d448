#include "tourviewer/TourDialog.h"

#include <cstdio>

#include "imaging/JpegDecoder.h"

namespace orbpix::tourviewer {

namespace {

bool isZoomType(std::int32_t type) {
    return type == kTypeZoomIn || type == kTypeZoomOut;
}

}  // namespace

TourDialog::TourDialog(TourModel& model, PanoramaViewControl& view, DialogHost& host)
    : m_model(model), m_view(view), m_host(host) {}

void TourDialog::showSelectedPicture() {
    if (m_model.pictureCount() == 0)
        return;
    const int index = m_model.selected();
    if (index == m_model.displayed())
        return;
    const TourPicture& picture = m_model.picture(index);
    m_host.setWaitCursor(true);
    PixelImage pixels;
    std::string why;
    JpegResult result = JpegResult::Invalid;
    if (std::optional<DecodeAhead::Decoded> ahead = m_ahead.take(index)) {
        result = ahead->result;
        pixels = std::move(ahead->pixels);
        why = std::move(ahead->why);
    } else {
        result = decodeJpeg(picture.jpeg, pixels, &why);
    }
    m_host.setWaitCursor(false);
    if (result != JpegResult::Ok) {
        if (result == JpegResult::OutOfMemory)
            m_host.showMessage(kJpegOutOfMemoryMessage);
        else
            std::fprintf(stderr, "picture %d cannot be shown: %s\n", index, why.c_str());
        // The view lets go of the old pixels before they are released.
        m_view.clearPicture();
        m_model.setDisplayed(index, PixelImage());
    } else {
        m_view.resetView();
        // A picture read without its angles carries them upside down (top below bottom),
        // which would pin the view to one extreme; such a strip gets the usual limits.
        ElevationLimits limits{picture.secondAngle, picture.firstAngle};
        if (limits.top <= limits.bottom)
            limits = kNormalElevation;
        m_view.setElevationLimits(limits);
        // The view borrows the pixels; the model keeps them alive until the next picture,
        // which the view takes before these are released.
        (void)m_view.setPicture(pixels.bits(), pixels.width(), pixels.height(), false);
        m_model.setDisplayed(index, std::move(pixels));
        m_view.renderer().requestRender();
    }
    m_host.invalidate(m_model.viewRect());
    invalidateType(kTypePictureName);
    // Users mostly go on to the next picture: it is decoded while they look at this one,
    // once this one is on screen, so that the two do not compete for the processor.
    m_nextAhead = m_model.pictureCount() > 1 ? (index + 1) % m_model.pictureCount() : -1;
}

void TourDialog::frameShown() {
    if (m_nextAhead < 0 || m_nextAhead >= m_model.pictureCount())
        return;
    m_ahead.start(m_nextAhead, m_model.picture(m_nextAhead).jpeg);
    m_nextAhead = -1;
}

void TourDialog::invalidateType(std::int32_t type) {
    for (const TourModel::Element& element : m_model.elements())
        if (element.record.type == type)
            m_host.invalidate(element.rect());
}

void TourDialog::showState(int element, int picture) {
    if (m_model.showElementPicture(element, picture))
        m_host.invalidate(m_model.elements()[std::size_t(element)].rect());
}

void TourDialog::pressPicture(int element) {
    if (element < 0)
        return;
    switch (m_model.elements()[std::size_t(element)].record.state) {
        case kStateUpDown:
            showState(element, 1);
            break;
        case kStateUpDownRollover:
            showState(element, 2);
            break;
        default:
            break;
    }
}

void TourDialog::releasePicture(int element) {
    if (element < 0)
        return;
    switch (m_model.elements()[std::size_t(element)].record.state) {
        case kStateUpDown:
            showState(element, 0);
            break;
        case kStateUpDownRollover:
            showState(element, 1);
            break;
        default:
            break;
    }
}

void TourDialog::stopZoom() {
    if (m_zoomDirection == 0)
        return;
    m_zoomDirection = 0;
    m_host.stopZoomTimer();
}

void TourDialog::setHover(int element, std::int32_t type) {
    const auto& elements = m_model.elements();
    if (m_hover >= 0 && m_hover != element) {
        const int left = m_hover;
        m_hover = -1;
        showState(left, 0);
        const bool ontoZoom =
            element >= 0 && isZoomType(elements[std::size_t(element)].record.type);
        if (isZoomType(elements[std::size_t(left)].record.type) && !ontoZoom)
            stopZoom();
    }
    if (element >= 0 && element != m_hover) {
        m_hover = element;
        const std::int32_t state = elements[std::size_t(element)].record.state;
        if (state == kStateUpDownRollover || state == kStateUpRollover)
            showState(element, 1);
    }
    m_hoverType = type;
}

void TourDialog::mouseMove(int x, int y) {
    const auto& elements = m_model.elements();
    int hit = -1;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (int(i) != m_model.backgroundIndex() && elements[i].hasPictures() &&
            elements[i].rect().contains(x, y))
            hit = int(i);
    std::int32_t type = hit >= 0 ? elements[std::size_t(hit)].record.type : kTypeUnknown;
    if (hit < 0)
        for (const TourModel::Element& element : elements)
            if ((element.record.type == kTypeFrame || element.record.type == kTypeInfo) &&
                element.rect().contains(x, y))
                type = element.record.type;
    setHover(hit, type);
}

void TourDialog::buttonDown(int x, int y) {
    mouseMove(x, y);
    m_pressed = m_hover;
    m_pressedType = m_hoverType;
    switch (m_hoverType) {
        case kTypeLogo:
        case kTypeCancel:
        case kTypeMaximise:
        case kTypeMinimise:
        case kTypePrevious:
        case kTypeNext:
            pressPicture(m_hover);
            break;
        case kTypeScrollUp:
        case kTypeScrollDown:
            pressPicture(m_hover);
            if (m_model.scrollList(m_hoverType == kTypeScrollUp ? -1 : 1))
                invalidateType(kTypeFrame);
            break;
        case kTypeFrame:
            if (m_model.pickListRow(y))
                showSelectedPicture();
            break;
        case kTypeBar:
            m_host.beginWindowMove();
            break;
        case kTypeZoomIn:
        case kTypeZoomOut:
            pressPicture(m_hover);
            m_zoomDirection = m_hoverType == kTypeZoomIn ? 1 : -1;
            m_host.startZoomTimer();
            break;
        default:
            // Without a bar the whole skin is the handle to move the window by.
            if (!hasBar())
                m_host.beginWindowMove();
            break;
    }
}

void TourDialog::buttonUp(int x, int y) {
    mouseMove(x, y);
    const int pressed = m_pressed;
    const std::int32_t pressedType = m_pressedType;
    m_pressed = -1;
    m_pressedType = kTypeUnknown;
    stopZoom();
    if (pressedType == kTypeInfo && m_hoverType == kTypeInfo) {
        const std::string& homePage = m_model.infoLines()[4];
        if (isHomePageLink(homePage))
            m_host.openLink(homePage);
        return;
    }
    // A button acts only when released over the element it went down on.
    if (pressed < 0 || pressed != m_hover)
        return;
    releasePicture(pressed);
    switch (pressedType) {
        case kTypeLogo:
            m_host.openLink(kVendorHomePage);
            break;
        case kTypeCancel:
            m_host.endDialog();
            break;
        case kTypeMaximise:
            m_host.maximise();
            break;
        case kTypeMinimise:
            m_host.minimise();
            break;
        case kTypePrevious:
            if (m_model.selectPrevious())
                showSelectedPicture();
            break;
        case kTypeNext:
            if (m_model.selectNext())
                showSelectedPicture();
            break;
        default:
            break;
    }
}

bool TourDialog::keyDown(xwin::Key key) {
    if (key != xwin::Key::Space && key != xwin::Key::Enter)
        return false;
    if (m_model.selectNext())
        showSelectedPicture();
    return true;
}

void TourDialog::zoomTick() {
    if (m_zoomDirection != 0)
        m_view.accumulatedZoom(m_zoomDirection);
}

}  // namespace orbpix::tourviewer
