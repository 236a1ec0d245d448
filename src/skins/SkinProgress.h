#pragma once

#include <QImage>
#include <QProgressBar>
#include <QRgb>

namespace orbpix {

// How a skinned progress bar looks: a gradient from the start to the end colour tied to the
// bar's full width, laid in whole bands up to the position, the background after it, and
// optionally the percentage in the middle.
struct ProgressLook {
    QRgb start = 0;
    QRgb end = 0;
    QRgb background = 0;
    QRgb text = 0;
    bool showPercentage = false;

    // Draws the bar for position/maximum over the whole surface; answers how many gradient
    // bands it laid (0 for a single colour).
    int paint(QImage& surface, int position, int maximum) const;
};

// A progress bar painted from its look; range, value and accessibility are the toolkit's.
class SkinProgress : public QProgressBar {
    Q_OBJECT
public:
    explicit SkinProgress(QWidget* parent = nullptr);

    void setLook(const ProgressLook& look);
    const ProgressLook& look() const { return m_look; }
    // Takes the four colours from the skin, each defaulting to the desktop's own.
    void loadSkinColours();

    void setStep(int step) { m_step = step; }
    int step() const { return m_step; }
    void stepIt() { setValue(value() + m_step); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProgressLook m_look;
    int m_step = 10;
};

}  // namespace orbpix
