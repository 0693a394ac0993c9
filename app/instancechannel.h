// One player per user: a launch that names files hands them to the player
// already running, through a local socket in the user's runtime folder,
// instead of opening a second window.
//
// A new player takes a lock beside the socket while it looks for a running
// one and, finding none, starts listening, so two launches at the same
// moment cannot both miss each other. A socket left by a player that
// crashed answers no one; it is removed and listened on again. The folder
// is the user's alone, and so is the socket.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class InstanceChannel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceChannel)

public:
    // $XDG_RUNTIME_DIR, or else a folder of this user's under /tmp that
    // only the user may enter; empty when no such folder can be had.
    static QByteArray runtimeFolder();
    // `runtime` when it is an absolute folder, else `fallback`, made if
    // missing, when it is a folder (not a link) of this user's that no one
    // else may enter; else empty.
    static QByteArray runtimeFolder(const QByteArray &runtime, const QByteArray &fallback);

    // Takes the start-up lock in `folder`; an empty folder makes a channel
    // that hands over nothing and never listens.
    explicit InstanceChannel(const QByteArray &folder, QObject *parent = nullptr);
    ~InstanceChannel() override;

    QByteArray socketPath() const { return m_socketPath; }

    // Sends `files` to a running player; true once it has confirmed them.
    bool handOver(const QByteArrayList &files);
    // Starts serving later launches and gives up the start-up lock; false
    // when another player serves them or the socket cannot be made.
    bool listen();

signals:
    // Files handed over by a later launch, as it named them.
    void filesReceived(const QByteArrayList &files);

private:
    void accept();
    void receive(QLocalSocket *socket, QByteArray &received);
    bool answers() const;

    QByteArray m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
