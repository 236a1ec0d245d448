#include "ui/AboutWindow.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinManager.h"

namespace orbpix {

namespace {

// The program's own picture for the icon control, drawn at build time with the desktop icons.
QPixmap programIcon() {
    QPixmap icon(QString::fromLatin1(ResourceLibrary::kRoot) + QStringLiteral("/icons/128.png"));
    if (icon.isNull())
        icon = QApplication::windowIcon().pixmap(32, 32);
    return icon;
}

}  // namespace

QString aboutVersionText(const QString& format, const QString& version) {
    QString text = format;
    const qsizetype field = text.indexOf(QStringLiteral("%s"));
    if (field >= 0)
        text.replace(field, 2, version);
    return text;
}

AboutWindow::AboutWindow(QWidget* parent, KeyState keys)
    : SkinDialog(QStringLiteral("BKG_ABOUT"), parent), m_keys(std::move(keys)) {
    setObjectName(QStringLiteral("dialog%1").arg(kAboutTemplate));
    setWindowTitle(QStringLiteral("About ") +
                   resourceLibrary().text(57344, QStringLiteral("OrbPix Studio")));
    if (!m_keys)
        m_keys = [] { return QGuiApplication::queryKeyboardModifiers(); };
    const auto layout = loadDialogTemplate(kAboutTemplate);
    if (!layout)
        return;
    const DialogControl* fold = layout->control(kAboutFoldId);
    const DialogControl* frame = layout->control(kAboutCreditsFrameId);
    if (!fold || !frame || !layout->control(kOkId))
        return;
    for (const DialogControl& control : layout->controls) {
        QWidget* widget = nullptr;
        if (control.id == kOkId) {
            widget = addOkButton(control.rect);
            widget->setToolTip(control.text);
        } else if (control.id == kAboutIconId) {
            auto* icon = new QLabel(this);
            icon->setPixmap(
                programIcon().scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            icon->setAlignment(Qt::AlignCenter);
            widget = icon;
        } else if (control.id == kAboutCreditsFrameId) {
            // The window paints the frame and the credits inside it.
            widget = new QWidget(this);
            widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        } else {
            auto* label = new QLabel(control.text, this);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextInteractionFlags(Qt::NoTextInteraction);
            if (control.kind == QLatin1String("title")) {
                QFont font = label->font();
                font.setPointSizeF(font.pointSizeF() * 1.5);
                font.setBold(true);
                label->setFont(font);
            }
            widget = label;
        }
        widget->setObjectName(QString::number(control.id));
        widget->setGeometry(control.rect);
        m_controls.emplace(control.id, widget);
    }
    if (auto* version = qobject_cast<QLabel*>(control(kAboutVersionId));
        version && resourceLibrary().hasText(kAboutVersionText))
        version->setText(aboutVersionText(resourceLibrary().text(kAboutVersionText),
                                          QString::fromLatin1(kAboutVersion)));
    if (QWidget* icon = control(kAboutIconId))
        icon->resize(32, 32);

    m_fullSize = layout->size;
    m_band = creditsBand(frame->rect);
    setClientSize(QSize(m_fullSize.width(), fold->rect.bottom() + 1));
    m_timer.setInterval(kCreditsTickMs);
    connect(&m_timer, &QTimer::timeout, this, &AboutWindow::tick);
    followSkinText();
    m_ready = true;
}

QWidget* AboutWindow::control(int id) const {
    const auto it = m_controls.find(id);
    return it != m_controls.end() ? it->second : nullptr;
}

void AboutWindow::accept() {
    const Qt::KeyboardModifiers held = m_keys();
    if (!m_scrolling && held.testFlag(Qt::ControlModifier) && held.testFlag(Qt::ShiftModifier)) {
        startCredits();
        return;
    }
    m_timer.stop();
    SkinDialog::accept();
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    // Enter answers as OK does, whichever keys are held with it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    SkinDialog::keyPressEvent(event);
}

void AboutWindow::startCredits() {
    m_credits = QImage(ResourceLibrary::bitmapPath(kCreditsBitmap));
    setClientSize(m_fullSize);
    m_position = kCreditsStart;
    m_scrolling = true;
    m_timer.start();
    update(m_band);
}

void AboutWindow::tick() {
    if (!m_scrolling)
        return;
    const Qt::KeyboardModifiers held = m_keys();
    m_position = nextCreditsPosition(
        m_position,
        ScrollKeys{held.testFlag(Qt::ControlModifier), held.testFlag(Qt::ShiftModifier)},
        m_credits.height());
    update(m_band);
}

void AboutWindow::paintEvent(QPaintEvent* event) {
    SkinDialog::paintEvent(event);
    if (!m_scrolling)
        return;
    QPainter painter(this);
    // A sunken edge of two pixels round the band, in the skin's own shades.
    const QRect frame = m_band.adjusted(-2, -2, 1, 1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(frame);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(frame.adjusted(1, 1, -1, -1));
    painter.fillRect(m_band, Qt::black);
    const CreditsBlit blit = creditsBlit(m_credits.size(), m_band, m_position);
    if (!blit.source.isEmpty())
        painter.drawImage(blit.target, m_credits, blit.source);
}

bool AboutWindow::event(QEvent* event) {
    if (event->type() == SkinChangedEvent::kType)
        followSkinText();
    return SkinDialog::event(event);
}

void AboutWindow::followSkinText() {
    // As in the other skinned dialogs: light or dark text, whichever reads on the ground.
    const QRgb back = skinColor(QStringLiteral("PI_COL"), qRgb(255, 255, 255));
    colourCaptionsFor(back, m_controls);
}

void showAboutWindow(QWidget* parent) {
    AboutWindow about(parent);
    if (about.isReady())
        (void)about.exec();
}

}  // namespace orbpix
