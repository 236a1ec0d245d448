#include "skins/InstanceNotice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

namespace orbpix {

namespace {

constexpr const char* kSocketPrefix = "studio-";
constexpr char kAnswer[] = "done\n";

// A folder that is ours alone: a real directory (not a link) owned by us, mode 0700.
bool isPrivateFolder(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

QString ownSocketName() {
    return QString::fromLatin1(kSocketPrefix) + QString::number(QCoreApplication::applicationPid());
}

}  // namespace

QString instanceFolder() {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString folder;
    if (!base.isEmpty() && QDir::isAbsolutePath(base))
        folder = base + QStringLiteral("/orbpix");
    else
        folder = QDir::tempPath() + QStringLiteral("/orbpix-%1").arg(getuid());
    if (!QFileInfo::exists(folder))
        (void)::mkdir(QFile::encodeName(folder).constData(), 0700);
    return isPrivateFolder(folder) ? folder : QString();
}

InstanceListener::InstanceListener(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {
    QObject::connect(&m_server, &QLocalServer::newConnection, this, [this] { accept(); });
}

InstanceListener::~InstanceListener() {
    m_server.close();
}

bool InstanceListener::listen() {
    const QString folder = instanceFolder();
    if (folder.isEmpty())
        return false;
    const QString path = folder + QLatin1Char('/') + ownSocketName();
    QLocalServer::removeServer(path);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_server.listen(path);
}

void InstanceListener::accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            while (socket->canReadLine()) {
                const QString notice = QString::fromUtf8(socket->readLine()).trimmed();
                if (m_handler)
                    m_handler(notice);
                socket->write(kAnswer);
                socket->flush();
            }
            // Notices are short lines; anything longer is not one of ours.
            if (socket->bytesAvailable() > 256)
                socket->abort();
        });
    }
}

int broadcastNotice(const QString& notice, int timeoutMs) {
    const QString folder = instanceFolder();
    if (folder.isEmpty())
        return 0;
    const QString own = ownSocketName();
    const QStringList names =
        QDir(folder).entryList({QString::fromLatin1(kSocketPrefix) + QLatin1Char('*')},
                               QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    int handled = 0;
    for (const QString& name : names) {
        if (name == own)
            continue;
        const QString path = folder + QLatin1Char('/') + name;
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(timeoutMs)) {
            // Nobody listens there any more: the instance ended without cleaning up.
            if (socket.error() == QLocalSocket::ConnectionRefusedError)
                QFile::remove(path);
            continue;
        }
        socket.write(notice.toUtf8() + '\n');
        if (!socket.waitForBytesWritten(timeoutMs))
            continue;
        QByteArray answer;
        while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs))
            answer += socket.readAll();
        if (answer == kAnswer)
            ++handled;
        socket.disconnectFromServer();
    }
    return handled;
}

}  // namespace orbpix
