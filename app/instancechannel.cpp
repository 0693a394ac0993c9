#include "app/instancechannel.h"

#include "app/handovermessage.h"
#include "app/log.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 3000;
constexpr int kStartUpLockMs = 5000;
// A sender that stalls halfway is dropped after this long.
constexpr int kReceiveMs = 5000;
constexpr char kConfirmation = 'K';

// A folder for private sockets: made with 0700 if missing, and refused when
// it is a link, someone else's, or open to others.
bool privateFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

} // namespace

QByteArray InstanceChannel::runtimeFolder()
{
    return runtimeFolder(qgetenv("XDG_RUNTIME_DIR"),
                         "/tmp/orvanto-" + QByteArray::number(::geteuid()));
}

QByteArray InstanceChannel::runtimeFolder(const QByteArray &runtime, const QByteArray &fallback)
{
    struct stat info = {};
    if (runtime.startsWith('/') && ::stat(runtime.constData(), &info) == 0 && S_ISDIR(info.st_mode))
        return runtime;
    if (privateFolder(fallback))
        return fallback;
    qCWarning(lcApp) << "no private folder for the player's socket:" << fallback;
    return {};
}

InstanceChannel::InstanceChannel(const QByteArray &folder, QObject *parent) : QObject(parent)
{
    if (folder.isEmpty())
        return;
    m_socketPath = folder + "/orvanto.socket";
    m_lock = std::make_unique<QLockFile>(QFile::decodeName(folder + "/orvanto.lock"));
    // A lock held too long belongs to a player that hangs in its start-up;
    // go on without it rather than not start.
    if (!m_lock->tryLock(kStartUpLockMs))
        qCWarning(lcApp) << "another player holds the start-up lock; going on without it";
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::handOver(const QByteArrayList &files)
{
    const QByteArray message = HandoverMessage::encode(files);
    if (m_socketPath.isEmpty() || message.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(m_socketPath));
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kAnswerMs))
            return false;
    }
    if (!socket.waitForReadyRead(kAnswerMs))
        return false;
    return socket.read(1) == QByteArray(1, kConfirmation);
}

bool InstanceChannel::listen()
{
    if (m_socketPath.isEmpty())
        return false;
    const QString name = QFile::decodeName(m_socketPath);
    bool listening = false;
    if (answers()) {
        qCInfo(lcApp) << "another player serves later launches";
    } else {
        // A socket file nobody answers on was left by a player that ended
        // without closing it. QLocalServer's access options are not used:
        // they rename a new socket over whatever is there.
        QLocalServer::removeServer(name);
        m_server = new QLocalServer(this);
        listening = m_server->listen(name);
        if (listening)
            ::chmod(m_socketPath.constData(), 0600);
        else
            qCWarning(lcApp) << "later launches cannot hand their files over:"
                             << m_server->errorString();
    }
    if (m_lock)
        m_lock->unlock();
    if (listening)
        connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::accept);
    return listening;
}

bool InstanceChannel::answers() const
{
    QLocalSocket probe;
    probe.connectToServer(QFile::decodeName(m_socketPath));
    return probe.waitForConnected(kConnectMs);
}

void InstanceChannel::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Gone after a while in every case, also when it closed before it
        // was accepted and so never reports its disconnection.
        QTimer::singleShot(kReceiveMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, received] { receive(socket, *received); });
        if (socket->bytesAvailable() > 0)
            receive(socket, *received);
    }
}

// `received` holds what the socket has brought so far.
void InstanceChannel::receive(QLocalSocket *socket, QByteArray &received)
{
    received += socket->read(HandoverMessage::kMaxMessageSize + 1 - received.size());
    QByteArrayList files;
    switch (HandoverMessage::decode(received, &files)) {
    case HandoverMessage::Status::Incomplete:
        return;
    case HandoverMessage::Status::Malformed:
        qCWarning(lcApp) << "ignored a message on the player's socket that is not a list of files";
        socket->abort();
        return;
    case HandoverMessage::Status::Complete:
        socket->write(QByteArray(1, kConfirmation));
        socket->flush();
        socket->disconnectFromServer();
        emit filesReceived(files);
        return;
    }
}
