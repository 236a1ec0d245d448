#include "export/MailSender.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <cerrno>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orbpix {

namespace {

// The mail program's answers, for whoever debugs a send: QT_LOGGING_RULES="orbpix.mail=true".
Q_LOGGING_CATEGORY(lcMail, "orbpix.mail", QtWarningMsg)

std::mutex g_providerLock;
int g_useCount = 0;
QString g_command;

// Runs the mail command and waits for it; its exit status, or -1 when it could not run.
int runMailCommand(const QString& command, const QStringList& arguments) {
    std::vector<std::string> strings;
    strings.push_back(QFile::encodeName(command).toStdString());
    for (const QString& argument : arguments)
        strings.push_back(QFile::encodeName(argument).toStdString());
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The sending steps, on whichever thread sends: the mail program's answer goes to the debug
// output, the completion hears of it, and the use taken for the send is given back.
int sendNow(const QString& command, const MailMessage& message, const MailCompletion& completion) {
    const int result = runMailCommand(command, mailArguments(message));
    qCDebug(lcMail, "xdg-email returned %u", unsigned(result));
    if (completion)
        completion(result, message.attachments);
    MailProvider::release();
    return result;
}

}  // namespace

bool MailProvider::acquire() {
    const std::lock_guard lock(g_providerLock);
    if (g_useCount == 0) {
        g_command = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
        if (g_command.isEmpty())
            return false;
    }
    ++g_useCount;
    return true;
}

void MailProvider::release() {
    const std::lock_guard lock(g_providerLock);
    if (g_useCount > 0 && --g_useCount == 0)
        g_command.clear();
}

int MailProvider::useCount() {
    const std::lock_guard lock(g_providerLock);
    return g_useCount;
}

QString MailProvider::command() {
    const std::lock_guard lock(g_providerLock);
    return g_command;
}

QStringList mailArguments(const MailMessage& message) {
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                          QStringLiteral("--body"), message.note};
    for (const QString& file : message.attachments)
        arguments << QStringLiteral("--attach") << file;
    return arguments;
}

bool sendMail(const MailMessage& message, MailCompletion completion) {
    const QString command = MailProvider::command();
    if (command.isEmpty() || !MailProvider::acquire())
        return false;
    if (!completion)
        return sendNow(command, message, {}) == 0;
    try {
        std::thread([command, message, completion = std::move(completion)] {
            (void)sendNow(command, message, completion);
        }).detach();
    } catch (const std::system_error&) {
        MailProvider::release();
        return false;
    }
    return true;
}

}  // namespace orbpix
