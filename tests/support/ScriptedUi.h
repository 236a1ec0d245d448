#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "export/ExportUi.h"

namespace orbpix::test {

// Answers the export's dialogs from a script and records what it was shown.
class ScriptedUi : public ExportUi {
public:
    std::optional<QString> destination;
    bool answerOk = true;
    QStringList messages;
    QStringList questions;
    QStringList pictures;
    int maximum = -1;
    int lastPosition = -1;
    bool progressShown = false;

    std::optional<QString> pageFolder;  // answered to the folder question
    QStringList openedPages;
    bool pageOpens = true;

    std::optional<QString> askPageFolder(const QString&) override { return pageFolder; }
    bool openPage(const QString& path) override {
        openedPages << path;
        return pageOpens;
    }
    std::optional<QString> askTourDestination(const QString& proposed,
                                              const QString& type) override {
        proposedName = proposed;
        fileType = type;
        return destination;
    }
    void showProgress(int max) override {
        maximum = max;
        progressShown = true;
    }
    void progressPicture(const QString& name) override { pictures << name; }
    void progressPosition(int position) override { lastPosition = position; }
    bool progressCancelled() override { return false; }
    void hideProgress() override {}
    void processEvents() override {}
    void message(const QString& text, Icon) override { messages << text; }
    bool askOkCancel(const QString& text) override {
        questions << text;
        return answerOk;
    }
    std::optional<RingCircles> editCircles(const ExportPicture&) override { return std::nullopt; }

    QString proposedName;
    QString fileType;
};

}  // namespace orbpix::test
