#include "ui/WidgetExportUi.h"

#include "ui/ImageProperties.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "core/UncheckedWork.h"
#include "imaging/JpegWriter.h"
#include "shell/ResourceLibrary.h"
#include "skins/SkinDialog.h"

namespace orbpix {

namespace {

QString title() {
    return resourceLibrary().text(57344, QStringLiteral("OrbPix Studio"));
}

}  // namespace

QWidget* jpegErrorOwner(QWidget* exportWindow) {
    // While the progress window shows, the export runs in it; otherwise in its own window.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && dynamic_cast<ExportProgressWindow*>(w) &&
            (!exportWindow || w->parentWidget() == exportWindow))
            return w;
    }
    return exportWindow ? exportWindow : QApplication::activeWindow();
}

WidgetExportUi::WidgetExportUi(QWidget* parent) : m_parent(parent) {
    // Encoders run on the export's worker threads; the box is always shown on this one. The
    // window is looked up when the box opens, so that it may close in the meantime.
    setJpegErrorHandler([window = QPointer<QWidget>(parent)](const std::string& message) {
        const auto show = [window, text = QString::fromStdString(message)] {
            QMessageBox box(QMessageBox::Critical, QStringLiteral("JPEG Error"), text,
                            QMessageBox::Ok, jpegErrorOwner(window));
            box.setObjectName(QStringLiteral("jpegError"));
            box.exec();
        };
        if (QThread::currentThread() == qApp->thread()) {
            show();
            return;
        }
        // Qt's event queue hands the call over under its own lock (see UncheckedWork).
        [[maybe_unused]] const UncheckedWork insideQt;
        QMetaObject::invokeMethod(qApp, show, Qt::QueuedConnection);
    });
}

WidgetExportUi::~WidgetExportUi() {
    setJpegErrorHandler({});
    // The export's workers have ended; what they reported is shown before the export ends.
    if (qApp)
        QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
}

std::optional<QString> WidgetExportUi::askTourDestination(const QString& proposedName,
                                                          const QString& fileTypeText) {
    // The dialog gathers file information on a thread of Qt's own, from creation to
    // destruction (see UncheckedWork).
    [[maybe_unused]] const UncheckedWork insideQt;
    // A tour is a program: no extension to add, so the filter shows every file.
    QFileDialog dialog(m_parent, title());
    dialog.setObjectName(QStringLiteral("tourSaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(fileTypeText + QStringLiteral(" (*)"));
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> WidgetExportUi::askPageFolder(const QString& caption) {
    [[maybe_unused]] const UncheckedWork insideQt;
    QFileDialog dialog(m_parent, caption);
    dialog.setObjectName(QStringLiteral("pageFolderDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool WidgetExportUi::openPage(const QString& path) {
    // The desktop's own opener picks the user's browser; it is started on its own so that
    // the page stays open after this program ends.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

void WidgetExportUi::showProgress(int maximum) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_progress)
        m_progress = std::make_unique<ExportProgressWindow>(m_parent);
    m_progress->resetCancel();
    m_progress->setMaximum(maximum);
    m_progress->show();
    QCoreApplication::processEvents();
}

void WidgetExportUi::progressPicture(const QString& name) {
    if (!m_progress)
        return;
    ExportPictureEvent event(name);
    QCoreApplication::sendEvent(m_progress.get(), &event);
}

void WidgetExportUi::progressPosition(int position) {
    if (m_progress)
        m_progress->setPosition(position);
}

bool WidgetExportUi::progressCancelled() {
    return m_progress && m_progress->cancelled();
}

void WidgetExportUi::hideProgress() {
    if (m_progress)
        m_progress->hide();
    if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void WidgetExportUi::processEvents() {
    pumpMessages();
}

void WidgetExportUi::message(const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information,
                    title(), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("exportMessage"));
    box.exec();
}

bool WidgetExportUi::askOkCancel(const QString& text) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Ok | QMessageBox::Cancel,
                    m_parent);
    box.setObjectName(QStringLiteral("exportQuestion"));
    return box.exec() == QMessageBox::Ok;
}

std::optional<RingCircles> WidgetExportUi::editCircles(const ExportPicture& picture) {
    ImagePropertiesInput input;
    input.picturePath = QString::fromStdString(picture.path);
    input.name = QString::fromStdString(picture.name);
    input.circles = picture.circles;
    ImagePropertiesDialog dialog(std::move(input), m_parent);
    if (!dialog.isReady() || dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const EditorCircles c = dialog.circles();
    RingCircles circles;
    circles.inner = LensCircle{float(c.cx), float(c.cy), float(c.inner)};
    circles.outer = LensCircle{float(c.cx), float(c.cy), float(c.outer)};
    return circles;
}

}  // namespace orbpix
