#include "menuext/Notice.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace orbpix::menu {

namespace {

const QString kTitle = QStringLiteral("Orbworks");

bool sendNotification(const QString& text) {
    const QString notifier = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
    if (notifier.isEmpty())
        return false;
    QProcess process;
    process.start(notifier, {QStringLiteral("--app-name=OrbMenu"),
                             QStringLiteral("--icon=dialog-error"), kTitle, text});
    // Without a notification service the tool fails at once or hangs; neither may keep the
    // user from the dialog for long.
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool haveDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

void showDialog(int argc, char** argv, const QString& text) {
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Critical, kTitle, text, QMessageBox::Ok);
    bool ok = false;
    const int timeout = qEnvironmentVariableIntValue("ORBMENU_NOTICE_TIMEOUT_MS", &ok);
    if (ok)
        QTimer::singleShot(timeout, &box, &QMessageBox::accept);
    box.exec();
}

}  // namespace

void showNotice(int argc, char** argv, const QString& text) {
    std::fprintf(stderr, "OrbMenu: %s\n", text.toLocal8Bit().constData());
    if (!sendNotification(text) && haveDisplay())
        showDialog(argc, argv, text);
}

}  // namespace orbpix::menu
