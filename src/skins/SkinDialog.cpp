#include "skins/SkinDialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "skins/ParentBackground.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinManager.h"

namespace orbpix {

SkinDialog::SkinDialog(QString backgroundElement, QWidget* parent)
    : QDialog(parent), m_element(std::move(backgroundElement)) {
    (void)registerSkinWindow(this);
    loadSkin();
}

SkinDialog::~SkinDialog() {
    (void)unregisterSkinWindow(this);
}

SkinButton* SkinDialog::addOkButton(const QRect& rect) {
    m_ok = addButton(kOkId, rect);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    loadSkin();
    return m_ok;
}

SkinButton* SkinDialog::addCancelButton(const QRect& rect) {
    m_cancel = addButton(kCancelId, rect);
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    loadSkin();
    return m_cancel;
}

SkinButton* SkinDialog::addButton(int id, const QRect& rect) {
    auto* button = new SkinButton(this, id);
    button->setGeometry(rect);
    return button;
}

void SkinDialog::setClientSize(QSize size) {
    setFixedSize(size);
}

void SkinDialog::loadSkin() {
    m_background.attach(loadElementBitmap(m_element));
    SkinBitmap picture;
    if (m_ok) {
        (void)programSkins().loadElement(QStringLiteral("BTN_OK"), picture);
        m_ok->setPicture(picture);
    }
    if (m_cancel) {
        (void)programSkins().loadElement(QStringLiteral("BTN_CANCEL"), picture);
        m_cancel->setPicture(picture);
    }
    update();
    for (QWidget* child : findChildren<QWidget*>())
        child->update();
}

bool SkinDialog::event(QEvent* event) {
    if (event->type() == SkinChangedEvent::kType) {
        loadSkin();
        return true;
    }
    if (event->type() == ParentBackgroundEvent::kType && !m_background.isEmpty()) {
        auto* ask = static_cast<ParentBackgroundEvent*>(event);
        paintBackground(ask->surface(), -ask->rect().topLeft());
        ask->accept();
        return true;
    }
    return QDialog::event(event);
}

void SkinDialog::paintBackground(QImage& surface, QPoint offset) const {
    // Tiled opaque from the dialog's corner, which may lie outside the surface.
    const QRect client(offset, size());
    SkinBitmap tiles;
    tiles.copyFrom(m_background);
    tiles.setTransparent(std::nullopt);
    tiles.setTileCorner(TileCorner::TopLeft);
    SkinCanvas canvas(surface);
    (void)tiles.drawTiled(canvas, client);
}

void SkinDialog::keyPressEvent(QKeyEvent* event) {
    // The skinned OK button answers Enter as a default push button would.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_ok && m_ok->isEnabled() && event->modifiers() == Qt::NoModifier) {
        m_ok->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SkinDialog::paintEvent(QPaintEvent* event) {
    if (m_background.isEmpty()) {
        QDialog::paintEvent(event);
        return;
    }
    QImage surface(size(), QImage::Format_RGB32);
    paintBackground(surface, QPoint());
    QPainter(this).drawImage(0, 0, surface);
}

void colourCaptionsFor(QRgb ground, const std::map<int, QWidget*>& controls) {
    const QColor text = qGray(ground) < 128 ? QColor(230, 230, 230) : QColor(20, 20, 20);
    for (const auto& [id, widget] : controls) {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, text);
            label->setPalette(palette);
        }
    }
}

void pumpMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace orbpix
