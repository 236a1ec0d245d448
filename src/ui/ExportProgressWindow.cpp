#include "ui/ExportProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "export/ExportUi.h"
#include "shell/ResourceLibrary.h"
#include "shell/ResourceTemplates.h"

namespace orbpix {

const QEvent::Type ExportPictureEvent::kType = static_cast<QEvent::Type>(kExportPictureMessage);

ExportProgressWindow::ExportProgressWindow(QWidget* parent)
    : QDialog(parent),
      m_bar(new QProgressBar(this)),
      m_name(new QLabel(this)),
      m_cancel(new QPushButton(tr("Cancel"), this)) {
    setObjectName(QStringLiteral("dialog%1").arg(kResourceId));
    setWindowTitle(resourceLibrary().text(57344, QStringLiteral("OrbPix Studio")));
    m_bar->setObjectName(QString::number(kProgressId));
    m_name->setObjectName(QString::number(kPictureNameId));
    m_cancel->setObjectName(QString::number(kCancelId));
    m_bar->setRange(0, 0);
    // A name longer than the line is cut rather than widening the window.
    m_name->setMinimumWidth(1);
    if (const auto layout = loadDialogTemplate(kResourceId)) {
        setFixedSize(layout->size);
        for (QWidget* control : {static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_bar),
                                 static_cast<QWidget*>(m_cancel)}) {
            if (const DialogControl* place = layout->control(control->objectName().toInt())) {
                control->setGeometry(place->rect);
                if (control == m_cancel && !place->text.isEmpty())
                    m_cancel->setText(place->text);
            }
        }
    }
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
}

void ExportProgressWindow::setMaximum(int maximum) {
    m_bar->setRange(0, maximum);
    m_bar->setValue(0);
}

void ExportProgressWindow::setPosition(int position) {
    if (position != m_bar->value())
        m_bar->setValue(position);
}

int ExportProgressWindow::maximum() const {
    return m_bar->maximum();
}

int ExportProgressWindow::position() const {
    return m_bar->value();
}

QString ExportProgressWindow::pictureName() const {
    return m_name->text();
}

bool ExportProgressWindow::event(QEvent* event) {
    if (event->type() == ExportPictureEvent::kType) {
        m_name->setText(static_cast<ExportPictureEvent*>(event)->name());
        return true;
    }
    return QDialog::event(event);
}

void ExportProgressWindow::reject() {
    // Escape and the close box cancel like the button; the export closes the window.
    m_cancelled = true;
}

}  // namespace orbpix
