#include "ui/ScanUi.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "core/UncheckedWork.h"
#include "scan/Acquisition.h"
#include "scan/Scanner.h"

namespace orbpix {

bool scannerAvailable() {
    static const bool available = ScannerLibrary().available();
    return available;
}

std::optional<QString> chooseScanSource(QWidget* parent, const QString& current) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Select Source"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(QObject::tr("Looking for scanners and cameras..."), &dialog);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("sources"));
    list->setAccessibleName(QObject::tr("Scanners and cameras"));
    list->setMinimumSize(360, 160);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);

    // Looking for network scanners can take seconds: the dialog shows while they are found.
    auto found = std::make_shared<std::vector<ScanSourceInfo>>();
    std::thread finder([found, &dialog, label, list, buttons, current] {
        *found = ScannerLibrary().sources();
        // Qt's event queue hands the call over under its own lock (see UncheckedWork).
        [[maybe_unused]] const UncheckedWork insideQt;
        QMetaObject::invokeMethod(&dialog, [found, label, list, buttons, current] {
            for (const ScanSourceInfo& source : *found) {
                auto* item = new QListWidgetItem(QString::fromStdString(source.label), list);
                item->setData(Qt::UserRole, QString::fromStdString(source.name));
                item->setToolTip(QString::fromStdString(source.name));
                if (item->data(Qt::UserRole).toString() == current || list->count() == 1)
                    list->setCurrentItem(item);
            }
            label->setText(found->empty() ? QObject::tr("No scanner or camera was found.")
                                          : QObject::tr("Choose the scanner or camera to use:"));
            buttons->button(QDialogButtonBox::Ok)->setEnabled(!found->empty());
            list->setFocus();
        });
    });
    const int answer = dialog.exec();
    finder.join();
    if (answer != QDialog::Accepted || !list->currentItem())
        return std::nullopt;
    return list->currentItem()->data(Qt::UserRole).toString();
}

ScanSession::ScanSession(ScanRequest request) : m_request(std::move(request)) {}

ScanSession::~ScanSession() {
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

void ScanSession::start() {
    if (!m_thread.joinable())
        m_thread = std::thread([this] { work(); });
}

void ScanSession::work() {
    auto finish = [this](bool ok, const QStringList& files, const QString& message) {
        QMetaObject::invokeMethod(
            this, [this, ok, files, message] { emit finished(ok, files, message); });
    };
    ScannerLibrary library;
    if (!library.available())
        return finish(false, {}, tr("The scanner library cannot be used."));
    std::string source = m_request.source.toStdString();
    if (source.empty()) {
        const auto sources = library.sources();
        if (sources.empty())
            return finish(false, {}, tr("No scanner or camera was found."));
        source = sources.front().name;
    }
    std::string error;
    const auto scanner = Scanner::open(library, source, error);
    if (!scanner)
        return finish(false, {}, QString::fromStdString(error));
    int lastPercent = -1;
    const PageProgress report = [&](int page, double fraction) {
        const int percent = int(fraction * 100);
        if (percent != lastPercent) {
            lastPercent = percent;
            QMetaObject::invokeMethod(this,
                                      [this, page, percent] { emit progress(page, percent); });
        }
        return !m_cancel.load();
    };
    const std::string folder = m_request.folder.toStdString();
    const AcquireOutcome outcome =
        m_request.series ? acquireSeries(*scanner, folder, report)
                         : acquireOne(*scanner, folder, [&](double f) { return report(1, f); });
    QStringList files;
    for (const std::string& file : outcome.files)
        files.push_back(QString::fromStdString(file));
    finish(outcome.succeeded, files,
           m_cancel ? QString() : QString::fromStdString(outcome.message));
}

QStringList runScan(QWidget* parent, const ScanRequest& request,
                    const std::function<void(const QString&)>& tell) {
    ScanSession session(request);
    QProgressDialog window(QObject::tr("Scanning..."), QObject::tr("Cancel"), 0, 100, parent);
    window.setWindowTitle(QObject::tr("Scanner"));
    window.setWindowModality(Qt::WindowModal);
    window.setMinimumDuration(0);
    window.setAutoClose(false);
    window.setAutoReset(false);
    QEventLoop loop;
    bool succeeded = false;
    QStringList files;
    QString failure;
    QObject::connect(&session, &ScanSession::progress, &window, [&](int page, int percent) {
        if (request.series)
            window.setLabelText(QObject::tr("Scanning page %1...").arg(page));
        window.setValue(percent);
    });
    QObject::connect(&window, &QProgressDialog::canceled, &session, [&] {
        session.cancel();
        window.setLabelText(QObject::tr("Cancelling..."));
    });
    QObject::connect(&session, &ScanSession::finished, &loop,
                     [&](bool ok, const QStringList& scanned, const QString& message) {
                         succeeded = ok;
                         files = scanned;
                         failure = message;
                         loop.quit();
                     });
    window.show();
    session.start();
    loop.exec();
    window.hide();
    if (!succeeded && !failure.isEmpty() && tell)
        tell(failure);
    return succeeded ? files : QStringList();
}

}  // namespace orbpix
