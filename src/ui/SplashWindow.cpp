#include "ui/SplashWindow.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "shell/ResourceTemplates.h"

namespace orbpix {

SplashWindow::SplashWindow(const QPixmap& picture, int displayMs)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(picture),
      m_upper(new QLabel(this)),
      m_lower(new QLabel(this)) {
    setObjectName(QStringLiteral("dialog%1").arg(kResourceId));
    setAttribute(Qt::WA_DeleteOnClose, false);
    const auto layout = loadDialogTemplate(kResourceId);
    // The picture decides the size; the layout's own size stands in when it is missing.
    setFixedSize(!m_picture.isNull() ? m_picture.size() : layout ? layout->size : QSize(420, 260));
    m_upper->setObjectName(QString::number(kUpperText));
    m_lower->setObjectName(QString::number(kLowerText));
    for (QLabel* l : {m_upper, m_lower}) {
        l->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        if (const DialogControl* place =
                layout ? layout->control(l->objectName().toInt()) : nullptr)
            l->setGeometry(place->rect);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::close);
    m_timer.start(displayMs);
    qApp->installEventFilter(this);
}

SplashWindow::~SplashWindow() {
    if (qApp)
        qApp->removeEventFilter(this);
}

QLabel* SplashWindow::label(int control) const {
    if (control == kUpperText)
        return m_upper;
    if (control == kLowerText)
        return m_lower;
    return nullptr;
}

void SplashWindow::setControlText(int control, const QString& text) {
    if (QLabel* l = label(control))
        l->setText(text);
}

QString SplashWindow::controlText(int control) const {
    const QLabel* l = label(control);
    return l ? l->text() : QString();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::KeyPress:
            if (isVisible()) {
                close();
                qApp->removeEventFilter(this);
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), QColor(20, 40, 90));
    else
        painter.drawPixmap(0, 0, m_picture);
}

}  // namespace orbpix
