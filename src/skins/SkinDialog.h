#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <map>

#include "skins/SkinBitmap.h"

namespace orbpix {

class SkinButton;

// A dialog drawn over a skin picture: the background element tiled from the top-left, an OK
// (control 1) and a Cancel (control 2) skinned button when present, and every child placed in
// pixels so that the controls stay on the picture whatever the desktop's font. It follows
// skin changes while it lives.
class SkinDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    explicit SkinDialog(QString backgroundElement, QWidget* parent = nullptr);
    ~SkinDialog() override;

    // The OK and Cancel buttons at their pixel rectangles; OK accepts, Cancel rejects.
    SkinButton* addOkButton(const QRect& rect);
    SkinButton* addCancelButton(const QRect& rect);
    // Fixes the client area in pixels.
    void setClientSize(QSize size);

    // Reloads the background and the buttons' pictures and redraws everything.
    void loadSkin();
    const SkinBitmap& background() const { return m_background; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    SkinButton* addButton(int id, const QRect& rect);
    void paintBackground(QImage& surface, QPoint offset) const;

    QString m_element;
    SkinBitmap m_background;
    QPointer<SkinButton> m_ok;
    QPointer<SkinButton> m_cancel;
};

// Skins give dialogs no text colour: the captions (the labels among the controls) take light
// or dark text, whichever reads on the given ground colour.
void colourCaptionsFor(QRgb ground, const std::map<int, QWidget*>& controls);

// Lets the interface breathe during long work on the user-interface thread: every pending
// event is handled. A request to quit stays pending for the main loop.
void pumpMessages();

}  // namespace orbpix
