#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace orbpix {

// A message handed to the user's mail program, which shows it for the user to address and
// send.
struct MailMessage {
    QString subject;
    QString note;
    QStringList attachments;  // full paths, in the order they are attached
};

// Told how the mail program answered (0: the message was handed over) and which files were
// attached. Runs on the sending thread.
using MailCompletion = std::function<void(int result, const QStringList& attachments)>;

// The system's mail command ("xdg-email" on the search path), found when the first user
// takes it and let go when the last one releases it. The count is shared by all threads, so
// that a sending thread and the program may release in either order.
class MailProvider {
public:
    // Takes one use; false when there is no mail command.
    [[nodiscard]] static bool acquire();
    static void release();
    static int useCount();
    // The command in use; empty while nobody holds it.
    static QString command();
};

// Hands the message to the mail program. Asynchronous: a thread of its own waits for the mail
// program and then calls completion; the answer says whether that thread was started.
// Synchronous (no completion): waits here and answers whether the mail program took the
// message. Either way the provider must be held by the caller.
[[nodiscard]] bool sendMail(const MailMessage& message, MailCompletion completion);

// The mail command's arguments for a message.
QStringList mailArguments(const MailMessage& message);

}  // namespace orbpix
