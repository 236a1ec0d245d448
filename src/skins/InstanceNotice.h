#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace orbpix {

// The notice an installing instance gives every running album program.
inline constexpr const char* kSkinInstalledNotice = "OrbPixSkinInstalled";

// The folder where running album programs of this user listen for notices: under
// $XDG_RUNTIME_DIR, else a folder of this user's own in the temporary folder. Created
// private to the user; empty when it cannot be had safely.
QString instanceFolder();

// Listens for notices while the album program runs: a local socket per instance, so that
// an installer can reach each one and wait until each has handled the notice.
class InstanceListener : public QObject {
public:
    using Handler = std::function<void(const QString& notice)>;

    explicit InstanceListener(Handler handler, QObject* parent = nullptr);
    ~InstanceListener() override;

    // Starts listening; false when no socket could be made.
    [[nodiscard]] bool listen();
    QString socketPath() const { return m_server.fullServerName(); }

private:
    void accept();

    Handler m_handler;
    QLocalServer m_server;
};

// Gives the notice to every listening instance but this process and returns when each has
// answered that it handled it (or has not answered within the time-out). Sockets left by
// instances that are gone are removed. Answers how many instances handled the notice.
int broadcastNotice(const QString& notice, int timeoutMs = 5000);

}  // namespace orbpix
