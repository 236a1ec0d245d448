#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "export/ExportUi.h"
#include "ui/ExportProgressWindow.h"

class QWidget;

namespace orbpix {

// Answers an export with the album program's windows.
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
