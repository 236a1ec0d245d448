#pragma once

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace orbpix {

// The start-up picture (dialog 128, bitmap 119) with two lines of white text (controls 1074
// and 1075). It closes after its display time, or at the first mouse press or key press
// anywhere in the program.
class SplashWindow : public QWidget {
public:
    static constexpr int kResourceId = 128;
    static constexpr int kBitmapId = 119;
    static constexpr int kUpperText = 1074;
    static constexpr int kLowerText = 1075;
    static constexpr int kDisplayMs = 8000;

    explicit SplashWindow(const QPixmap& picture, int displayMs = kDisplayMs);
    ~SplashWindow() override;

    // Replaces the text of control 1074 or 1075.
    void setControlText(int control, const QString& text);
    QString controlText(int control) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label(int control) const;

    QPixmap m_picture;
    QLabel* m_upper;
    QLabel* m_lower;
    QTimer m_timer;
};

}  // namespace orbpix
