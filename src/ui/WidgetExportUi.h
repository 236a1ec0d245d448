#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "export/ExportUi.h"
#include "ui/ExportProgressWindow.h"

class QWidget;

namespace orbpix {

// The window a failed JPEG encoding is reported over: the visible progress window of the
// export run from the given window, else that window, else the active one.
QWidget* jpegErrorOwner(QWidget* exportWindow);

// Answers an export with the album program's windows. While it lives, failed JPEG encodings
// show "JPEG Error" boxes over the window running the export.
class WidgetExportUi : public ExportUi {
public:
    explicit WidgetExportUi(QWidget* parent = nullptr);
    ~WidgetExportUi() override;

    std::optional<QString> askTourDestination(const QString& proposedName,
                                              const QString& fileTypeText) override;
    std::optional<QString> askPageFolder(const QString& title) override;
    bool openPage(const QString& path) override;
    void showProgress(int maximum) override;
    void progressPicture(const QString& name) override;
    void progressPosition(int position) override;
    bool progressCancelled() override;
    void hideProgress() override;
    void processEvents() override;
    void message(const QString& text, Icon icon) override;
    bool askOkCancel(const QString& text) override;
    std::optional<RingCircles> editCircles(const ExportPicture& picture) override;

    // The progress window, once made.
    ExportProgressWindow* progressWindow() const { return m_progress.get(); }

private:
    QPointer<QWidget> m_parent;
    std::unique_ptr<ExportProgressWindow> m_progress;
};

}  // namespace orbpix
