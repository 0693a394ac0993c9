// The channel between launches over real local sockets in a folder of the
// test's own. A second launch blocks while it hands over, so it runs on a
// thread of its own while the running player's event loop answers.
#include "app/instancechannel.h"
#include "tests/testfiles.h"

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A second launch: its own channel in `folder`, handing `files` over.
std::future<bool> launch(const QByteArray &folder, const QByteArrayList &files)
{
    return std::async(std::launch::async, [folder, files] {
        InstanceChannel channel(folder);
        return channel.handOver(files);
    });
}

// Waits for `result` while this thread's event loop runs.
bool await(std::future<bool> &result)
{
    for (int i = 0; i < 500; ++i) {
        if (result.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready)
            return result.get();
        QTest::qWait(10);
    }
    return false;
}

// The socket file a player that crashed leaves: bound once, listened on by
// no one.
bool leaveDeadSocket(const QByteArray &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class InstanceChannelTest final : public QObject {
    Q_OBJECT

private slots:
    // Each case in a folder of its own, as each user has one.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void filesReachTheRunningPlayer();
    void aSocketLeftByACrashIsTakenOver();
    void theFirstPlayerKeepsServing();
    void strangeMessagesAreDropped();
    void withoutAPlayerNothingIsHandedOver();
    void runtimeFolder();

private:
    QByteArray folder() const { return QFile::encodeName(m_dir->path()); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void InstanceChannelTest::filesReachTheRunningPlayer()
{
    InstanceChannel running(folder());
    QVERIFY(running.listen());
    QSignalSpy received(&running, &InstanceChannel::filesReceived);
    const QByteArrayList files = {"/m/a.swf", "/m/caf\xe9.swf"};
    auto second = launch(folder(), files);
    QVERIFY(await(second));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.at(0).at(0).value<QByteArrayList>(), files);
    // Only the user may reach the socket.
    QCOMPARE(fileMode(running.socketPath()) & 077, mode_t(0));

    auto third = launch(folder(), {"/m/b.swf"});
    QVERIFY(await(third));
    QCOMPARE(received.size(), 2);
}

void InstanceChannelTest::aSocketLeftByACrashIsTakenOver()
{
    QVERIFY(leaveDeadSocket(folder() + "/orvanto.socket"));
    auto early = launch(folder(), {"/m/a.swf"});
    QVERIFY(!await(early));

    InstanceChannel next(folder());
    QVERIFY(next.listen());
    QSignalSpy received(&next, &InstanceChannel::filesReceived);
    auto later = launch(folder(), {"/m/a.swf"});
    QVERIFY(await(later));
    QCOMPARE(received.size(), 1);
}

// A player that finds another one serving does not take the socket away.
void InstanceChannelTest::theFirstPlayerKeepsServing()
{
    InstanceChannel first(folder());
    QVERIFY(first.listen());
    QSignalSpy received(&first, &InstanceChannel::filesReceived);
    auto second = std::async(std::launch::async, [this] {
        InstanceChannel channel(folder());
        return channel.listen();
    });
    QVERIFY(!await(second));
    auto third = launch(folder(), {"/m/a.swf"});
    QVERIFY(await(third));
    QCOMPARE(received.size(), 1);
}

void InstanceChannelTest::strangeMessagesAreDropped()
{
    InstanceChannel running(folder());
    QVERIFY(running.listen());
    QSignalSpy received(&running, &InstanceChannel::filesReceived);
    auto stranger = std::async(std::launch::async, [this] {
        QLocalSocket socket;
        socket.connectToServer(QFile::decodeName(folder() + "/orvanto.socket"));
        if (!socket.waitForConnected(1000))
            return false;
        socket.write("ORVF\xff\xff\xff\xff");
        socket.waitForBytesWritten(1000);
        // Dropped without an answer.
        return !socket.waitForReadyRead(2000) && socket.state() != QLocalSocket::ConnectedState;
    });
    QVERIFY(await(stranger));
    QCOMPARE(received.size(), 0);

    auto friendly = launch(folder(), {"/m/a.swf"});
    QVERIFY(await(friendly));
    QCOMPARE(received.size(), 1);
}

void InstanceChannelTest::withoutAPlayerNothingIsHandedOver()
{
    InstanceChannel alone(folder());
    QVERIFY(!alone.handOver({"/m/a.swf"}));
    InstanceChannel nowhere({});
    QVERIFY(!nowhere.handOver({"/m/a.swf"}));
    QVERIFY(!nowhere.listen());
}

// Without $XDG_RUNTIME_DIR the socket goes in a folder that is the user's
// alone; one that others may enter, or a link, is not used.
void InstanceChannelTest::runtimeFolder()
{
    QCOMPARE(InstanceChannel::runtimeFolder(folder(), "/unused"), folder());
    const QByteArray fallback = folder() + "/fallback";
    QCOMPARE(InstanceChannel::runtimeFolder("relative", fallback), fallback);
    QCOMPARE(fileMode(fallback) & 07777, mode_t(0700));
    QCOMPARE(InstanceChannel::runtimeFolder({}, fallback), fallback);

    QCOMPARE(::chmod(fallback.constData(), 0755), 0);
    QCOMPARE(InstanceChannel::runtimeFolder({}, fallback), QByteArray());
    QCOMPARE(::chmod(fallback.constData(), 0700), 0);
    const QByteArray link = folder() + "/link";
    QCOMPARE(::symlink(fallback.constData(), link.constData()), 0);
    QCOMPARE(InstanceChannel::runtimeFolder({}, link), QByteArray());
}

QTEST_GUILESS_MAIN(InstanceChannelTest)
#include "tst_instancechannel.moc"
