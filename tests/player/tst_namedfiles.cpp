// Files named on the command line ("open with") and files a later launch
// hands over: the existing ones join the end of the playlist, which is
// saved, and the first of them plays in place of the start-up movie.
#include "playerharness.h"

#include "app/application.h"
#include "app/instancechannel.h"
#include "playlist/playlistwindow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <future>
#include <memory>
#include <unistd.h>

namespace {

QString journalPath(const QByteArray &path)
{
    return QString::fromLatin1(path.toPercentEncoding("/"));
}

// The start-up journal up to the playlist window, which named files do not
// change but for the start-up movie.
QStringList startUpBeforeTheList(const PlayerHarness &h)
{
    return {
        QStringLiteral("skin: host"),
        QStringLiteral("skin: player window Orvanto V1.0 host id1000 in ") +
            QString::fromLocal8Bit(h.directory()),
        QStringLiteral("movie: SetBackground 0"),
        QStringLiteral("volume: controller"),
        QStringLiteral("skin: own window FlashList"),
    };
}

QStringList plays(const QByteArray &path)
{
    return {QStringLiteral("movie: SetMoviePath ") + journalPath(path),
            QStringLiteral("movie: GetFrameCount"), QStringLiteral("movie: Play")};
}

} // namespace

class NamedFilesTest final : public QObject {
    Q_OBJECT

private slots:
    void namedFilesPlayInsteadOfTheStartUpMovie();
    void withoutExistingFilesTheStartUpIsThePlainOne();
    void aMissingListIsStillReported();
    void handedOverFilesJoinThePlaylist();
    void aSecondLaunchHandsItsFileToTheRunningPlayer();
};

void NamedFilesTest::namedFilesPlayInsteadOfTheStartUpMovie()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", "/old/a.swf\r\n");
    h.writeFile("x.swf", "FWS");
    h.writeFile("y.swf", "FWS");
    QVERIFY(QDir().mkdir(QFile::decodeName(h.filePath("folder.swf"))));
    h.namedFiles = {h.filePath("x.swf"), h.filePath("missing.swf"), h.filePath("folder.swf"),
                    h.filePath("y.swf")};
    PlayerWindow *window = h.start();

    QCOMPARE(h.journal, startUpBeforeTheList(h) + plays(h.filePath("x.swf")));
    const QByteArrayList expected = {"/old/a.swf", h.filePath("x.swf"), h.filePath("y.swf")};
    QCOMPARE(window->playlist, expected);
    QCOMPARE(window->count, 3);
    QCOMPARE(window->currentIndex, 1);
    QCOMPARE(h.readFile("FlashList.ini"), expected.join("\r\n") + "\r\n");
    QCOMPARE(window->playlistWindow()->listBox()->count(), 3);
    QCOMPARE(window->playlistWindow()->listBox()->item(2)->text(), QStringLiteral("y"));
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QFile::decodeName(h.filePath("x.swf")));
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
    QVERIFY(window->findChild<QTimer *>(QStringLiteral("timer1"))->isActive());
}

void NamedFilesTest::withoutExistingFilesTheStartUpIsThePlainOne()
{
    PlayerHarness plain;
    plain.writeFile("FlashList.ini", "/old/a.swf\r\n");
    plain.start();

    PlayerHarness named;
    named.setDirectory(plain.directory());
    named.namedFiles = {plain.filePath("missing.swf"), plain.directory()};
    named.start();
    QCOMPARE(named.journal, plain.journal);
    QCOMPARE(named.window()->playlist, QByteArrayList{"/old/a.swf"});
    QCOMPARE(named.readFile("FlashList.ini"), QByteArray("/old/a.swf\r\n"));
}

// The list file's absence is reported as ever; the named file then makes
// the list.
void NamedFilesTest::aMissingListIsStillReported()
{
    PlayerHarness h;
    h.writeFile("x.swf", "FWS");
    h.namedFiles = {h.filePath("x.swf")};
    h.start();
    QCOMPARE(h.errors->messages, QStringList(QString::fromLocal8Bit(h.filePath("FlashList.ini")) +
                                             QStringLiteral(" was not found.")));
    QCOMPARE(h.readFile("FlashList.ini"), h.filePath("x.swf") + "\r\n");
}

void NamedFilesTest::handedOverFilesJoinThePlaylist()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", "/old/a.swf\r\n");
    h.writeFile("caf\xc3\xa9.swf", "FWS");
    PlayerWindow *window = h.start();

    const qsizetype mark = h.journal.size();
    QVERIFY(!window->OpenNamedFiles({h.filePath("missing.swf")}));
    QCOMPARE(h.journal.size(), mark);

    QVERIFY(window->OpenNamedFiles({h.filePath("missing.swf"), h.filePath("caf\xc3\xa9.swf")}));
    QCOMPARE(h.journal.mid(mark), plays(h.filePath("caf\xc3\xa9.swf")));
    QCOMPARE(window->currentIndex, 1);
    QCOMPARE(h.readFile("FlashList.ini"),
             QByteArray("/old/a.swf\r\n") + h.filePath("caf\xc3\xa9.swf") + "\r\n");
    QCOMPARE(window->playlistWindow()->listBox()->item(1)->text(), QStringLiteral("café"));
}

// The program's run: the player listens on its channel, and a file a later
// launch hands over plays in it.
void NamedFilesTest::aSecondLaunchHandsItsFileToTheRunningPlayer()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", "");
    h.writeFile("first.swf", "FWS");
    h.writeFile("second.swf", "FWS");
    QTemporaryDir runtime;
    const QByteArray folder = QFile::encodeName(runtime.path());
    const std::unique_ptr<char, decltype(&std::free)> previous(::getcwd(nullptr, 0), &std::free);
    QVERIFY(::chdir(h.directory().constData()) == 0);

    std::future<bool> handedOver;
    QByteArrayList playlistSeen;
    QTimer::singleShot(100, this, [&] {
        handedOver = std::async(std::launch::async, [&] {
            InstanceChannel second(folder);
            return second.handOver({h.filePath("second.swf")});
        });
    });
    auto *watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [&] {
        auto *window = qobject_cast<PlayerWindow *>(QApplication::activeModalWidget());
        if (!window || !handedOver.valid() ||
            handedOver.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            return;
        watch->stop();
        playlistSeen = window->playlist;
        window->close();
    });
    watch->start(10);

    auto *application = qobject_cast<Application *>(QCoreApplication::instance());
    InstanceChannel channel(folder);
    application->RunPlayer(h.services(), {h.filePath("first.swf")}, &channel);
    QVERIFY(::chdir(previous.get()) == 0);
    delete watch;
    QVERIFY(handedOver.get());
    QCOMPARE(playlistSeen, QByteArrayList({h.filePath("first.swf"), h.filePath("second.swf")}));
    QVERIFY(h.journal.contains(plays(h.filePath("second.swf")).first()));
}

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    NamedFilesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_namedfiles.moc"
