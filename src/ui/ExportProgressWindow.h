#pragma once

#include <QDialog>
#include <QEvent>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orbpix {

// Carries the name of the picture being exported to the progress window.
class ExportPictureEvent : public QEvent {
public:
    static const QEvent::Type kType;
    explicit ExportPictureEvent(QString name) : QEvent(kType), m_name(std::move(name)) {}
    const QString& name() const { return m_name; }

private:
    QString m_name;
};

// The export progress window (resource 127): a bar over 0 … 100 × pictures, the name of the
// current picture and Cancel, placed as the library's layout says.
class ExportProgressWindow : public QDialog {
public:
    static constexpr int kResourceId = 127;
    static constexpr int kPictureNameId = 1080;
    static constexpr int kProgressId = 1081;
    static constexpr int kCancelId = 2;

    explicit ExportProgressWindow(QWidget* parent = nullptr);

    void setMaximum(int maximum);
    void setPosition(int position);
    int maximum() const;
    int position() const;
    QString pictureName() const;
    bool cancelled() const { return m_cancelled; }
    void resetCancel() { m_cancelled = false; }

protected:
    bool event(QEvent* event) override;
    void reject() override;

private:
    QProgressBar* m_bar;
    QLabel* m_name;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};

}  // namespace orbpix
