#include "ui/ExportProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "export/ExportUi.h"
#include "shell/ResourceLibrary.h"

namespace orbpix {

const QEvent::Type ExportPictureEvent::kType = static_cast<QEvent::Type>(kExportPictureMessage);

ExportProgressWindow::ExportProgressWindow(QWidget* parent)
    : QDialog(parent),
      m_bar(new QProgressBar(this)),
      m_name(new QLabel(this)),
      m_cancel(new QPushButton(tr("Cancel"), this)) {
    setObjectName(QStringLiteral("dialog%1").arg(kResourceId));
    setWindowTitle(resourceLibrary().text(57344, QStringLiteral("OrbPix Studio")));
    m_bar->setObjectName(QStringLiteral("progress"));
    m_name->setObjectName(QStringLiteral("pictureName"));
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_bar->setRange(0, 0);
    m_name->setMinimumWidth(320);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
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
