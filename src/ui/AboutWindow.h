#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>

#include "shell/ResourceTemplates.h"
#include "skins/SkinDialog.h"
#include "ui/CreditsScroll.h"

namespace orbpix {

inline constexpr int kAboutTemplate = 102;
inline constexpr int kAboutVersionId = 1010;
// The window ends at this control's bottom until the credits run.
inline constexpr int kAboutFoldId = 1077;
inline constexpr int kAboutCreditsFrameId = 1078;
inline constexpr int kAboutIconId = 1079;
inline constexpr int kAboutVersionText = 220;
inline constexpr int kCreditsBitmap = 121;
inline constexpr const char* kAboutVersion = "2.0.0 (build 26)";
inline constexpr int kCreditsTickMs = 40;

// The version line: the format's first "%s" filled with the version.
QString aboutVersionText(const QString& format, const QString& version);

// The program's name, version and maker over a skin picture. Holding Ctrl and Shift on OK
// opens it up to show the credits rolling in a band below instead of closing; Ctrl speeds
// them up and Shift runs them backwards while they roll.
class AboutWindow : public SkinDialog {
    Q_OBJECT
public:
    using KeyState = std::function<Qt::KeyboardModifiers()>;

    // keys tells which modifiers are held; the desktop's state when none is given.
    explicit AboutWindow(QWidget* parent = nullptr, KeyState keys = {});

    // False when the layout could not be read; the window must not be shown.
    bool isReady() const { return m_ready; }
    bool isScrolling() const { return m_scrolling; }
    int position() const { return m_position; }
    QSize fullSize() const { return m_fullSize; }
    QRect band() const { return m_band; }
    const QImage& creditsPicture() const { return m_credits; }
    QWidget* control(int id) const;

    // One step of the credits, as the timer takes it.
    void tick();

public slots:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void startCredits();
    void followSkinText();

    KeyState m_keys;
    std::map<int, QWidget*> m_controls;
    QSize m_fullSize;
    QRect m_band;
    QImage m_credits;
    QTimer m_timer;
    int m_position = kCreditsStart;
    bool m_scrolling = false;
    bool m_ready = false;
};

// Shows the about window modal over the parent.
void showAboutWindow(QWidget* parent);

}  // namespace orbpix
