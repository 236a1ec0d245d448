#include "ui/PanelLayout.h"

#include <numeric>

namespace orbpix {

QRect fitPicture(const QRect& area) {
    const int aw = area.width();
    const int ah = area.height();
    if (aw <= 0 || ah <= 0)
        return QRect(area.topLeft(), QSize(0, 0));
    int w = aw;
    int h = ah;
    // The two factors are kept exactly as the picture has always been fitted, so that the
    // panorama keeps the same size from one version to the next.
    if (double(aw) / double(ah) >= 1.77777777)
        w = int(double(ah) * 1.77777777);
    else
        h = int(double(aw) * 0.5625000024609376);
    return QRect(area.left() + (aw - w) / 2, area.top() + (ah - h) / 2, w, h);
}

std::vector<int> centredBarPositions(const std::vector<int>& widths, int clientWidth) {
    const int total = std::accumulate(widths.begin(), widths.end(), 0);
    std::vector<int> positions;
    int x = (clientWidth - total) / 2;
    for (int w : widths) {
        positions.push_back(x);
        x += w;
    }
    return positions;
}

PanelAnchoring::PanelAnchoring(QSize client, const QRect& viewArea)
    : m_client(client), m_viewArea(viewArea), m_picture(fitPicture(viewArea)) {}

void PanelAnchoring::place(int id, const QRect& rect, Anchor anchor) {
    m_controls[id] = Control{rect, anchor};
    if (anchor == Anchor::Picture)
        m_controls[id].rect = m_picture;
}

void PanelAnchoring::setRect(int id, const QRect& rect) {
    const auto it = m_controls.find(id);
    if (it != m_controls.end())
        it->second.rect = rect;
}

QRect PanelAnchoring::rect(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? QRect() : it->second.rect;
}

std::vector<int> PanelAnchoring::ids() const {
    std::vector<int> out;
    for (const auto& [id, control] : m_controls)
        out.push_back(id);
    return out;
}

bool PanelAnchoring::resize(QSize client) {
    if (client == m_client)
        return false;
    const int dw = client.width() - m_client.width();
    const int dh = client.height() - m_client.height();
    m_client = client;
    m_viewArea.setRight(m_viewArea.right() + dw);
    m_viewArea.setBottom(m_viewArea.bottom() + dh);
    m_picture = fitPicture(m_viewArea);
    for (auto& [id, control] : m_controls) {
        QRect& r = control.rect;
        switch (control.anchor) {
            case Anchor::Fixed:
            case Anchor::ZoomOut:
            case Anchor::ZoomIn:
                break;
            case Anchor::TopBar:
                // Integer halves, as the bar was always centred: +101 moves it by 50.
                r.translate(dw / 2, 0);
                break;
            case Anchor::StripWidth:
                r.setWidth(r.width() + dw);
                break;
            case Anchor::BottomRight:
                r.translate(dw, dh);
                break;
            case Anchor::Bottom:
                r.translate(0, dh);
                break;
            case Anchor::Picture:
                r = m_picture;
                break;
        }
    }
    placeZoomButtons();
    return true;
}

void PanelAnchoring::placeZoomButtons() {
    const int pictureRight = m_picture.left() + m_picture.width();
    const int top = m_picture.top() + m_picture.height() + panel::kZoomGap;
    for (auto& [id, control] : m_controls) {
        QRect& r = control.rect;
        if (control.anchor == Anchor::ZoomOut)
            r.moveTo(pictureRight - 3 * r.width(), top);
        else if (control.anchor == Anchor::ZoomIn)
            r.moveTo(pictureRight - 2 * r.width(), top);
    }
}

}  // namespace orbpix
