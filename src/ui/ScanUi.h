#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

class QWidget;

namespace orbpix {

// Whether the system's scanner library can be used at all (found once, then remembered).
bool scannerAvailable();

// Lets the user choose among the scanners and cameras found, the current one preselected.
// The chosen source's name; nothing when cancelled or when none was found.
std::optional<QString> chooseScanSource(QWidget* parent, const QString& current);

struct ScanRequest {
    QString source;  // empty: the first source found
    QString folder;  // where the pictures are saved
    bool series = false;
};

// One scan on a thread of its own: the scanner library may block for seconds in a read, and
// the window must stay responsive and able to cancel meanwhile.
class ScanSession : public QObject {
    Q_OBJECT
public:
    explicit ScanSession(ScanRequest request);
    // Cancels a running scan and waits for its thread.
    ~ScanSession() override;

    void start();
    void cancel() { m_cancel = true; }

signals:
    void progress(int page, int percent);
    // files: the pictures to add, empty unless ok.
    void finished(bool ok, const QStringList& files, const QString& message);

private:
    void work();

    ScanRequest m_request;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

// Runs a scan while a progress window with a Cancel button is shown; answers the pictures to
// add to the album, or none. A failure is told through `tell`; a cancelled scan is silent.
QStringList runScan(QWidget* parent, const ScanRequest& request,
                    const std::function<void(const QString&)>& tell);

}  // namespace orbpix
