// What happens before the player window: the command line, the message a
// second launch sends, and the launcher's per-user start-up folder.
#include "app/commandline.h"
#include "app/handovermessage.h"
#include "app/startupfolder.h"
#include "tests/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray word(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray readLink(const QByteArray &path)
{
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target);
    return n < 0 ? QByteArray() : QByteArray(target, n);
}

#define VERIFY_PREPARED(folder, installed)                                                         \
    do {                                                                                           \
        const auto problem_ = StartUpFolder::prepare(folder, installed);                           \
        QVERIFY2(!problem_, qPrintable(problem_.value_or(QString())));                             \
    } while (false)

} // namespace

class LaunchTest final : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void handoverMessageRoundTrip();
    void handoverMessageRefusesWhatIsNotOne_data();
    void handoverMessageRefusesWhatIsNotOne();
    void userFolder_data();
    void userFolder();
    void startUpFolderIsMadeOnce();
    void startUpFolderKeepsWhatTheUserPutThere();
    void startUpFolderReportsWhatItCannotMake();
};

void LaunchTest::commandLine_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArrayList>("files");
    const int run = int(CommandLine::Request::Run);
    QTest::newRow("nothing") << QByteArrayList{} << run << QByteArrayList{};
    QTest::newRow("absolute and relative")
        << QByteArrayList{"/m/a.swf", "b.swf", "./c/../d.swf", "../e.swf"} << run
        << QByteArrayList{"/m/a.swf", "/home/u/b.swf", "/home/u/d.swf", "/home/e.swf"};
    QTest::newRow("the caller's directory")
        << QByteArrayList{"--caller-directory=/media/disc", "x.swf", "/y.swf"} << run
        << QByteArrayList{"/media/disc/x.swf", "/y.swf"};
    QTest::newRow("a relative caller directory is ignored")
        << QByteArrayList{"--caller-directory=disc", "x.swf"} << run
        << QByteArrayList{"/home/u/x.swf"};
    QTest::newRow("names after -- may begin with a dash")
        << QByteArrayList{"--", "-a.swf", "--help"} << run
        << QByteArrayList{"/home/u/-a.swf", "/home/u/--help"};
    QTest::newRow("bytes that are not UTF-8, doubled slashes")
        << QByteArrayList{"caf\xe9.swf", "//m//n/"} << run
        << QByteArrayList{"/home/u/caf\xe9.swf", "/m/n"};
    QTest::newRow("empty names are no files") << QByteArrayList{""} << run << QByteArrayList{};
    QTest::newRow("help") << QByteArrayList{"a.swf", "--help"} << int(CommandLine::Request::Usage)
                          << QByteArrayList{};
    QTest::newRow("version") << QByteArrayList{"-v"} << int(CommandLine::Request::Version)
                             << QByteArrayList{};
    QTest::newRow("unknown option") << QByteArrayList{"--loop", "a.swf"}
                                    << int(CommandLine::Request::Mistake) << QByteArrayList{};
}

void LaunchTest::commandLine()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, request);
    QFETCH(QByteArrayList, files);
    const CommandLine line = CommandLine::parse(arguments, "/home/u");
    QCOMPARE(int(line.request()), request);
    QCOMPARE(line.files(), files);
    QCOMPARE(line.problem().isEmpty(), request != int(CommandLine::Request::Mistake));

    // --help and --version are seen before Qt starts, up to "--" only.
    QList<QByteArray> raw = {"orvanto"};
    raw += arguments;
    std::vector<const char *> argv;
    for (const QByteArray &arg : raw)
        argv.push_back(arg.constData());
    const auto early = CommandLine::informationRequest(int(argv.size()), argv.data());
    const bool information = request == int(CommandLine::Request::Usage) ||
                             request == int(CommandLine::Request::Version);
    QCOMPARE(int(early), information ? request : int(CommandLine::Request::Run));
}

void LaunchTest::handoverMessageRoundTrip()
{
    const QByteArrayList files = {"/a.swf", "/m/caf\xe9 \n.swf", QByteArray(4000, 'x')};
    const QByteArray message = HandoverMessage::encode(files);
    QByteArrayList decoded;
    // Every beginning is waited on; only the whole message is complete.
    for (qsizetype n = 0; n < message.size(); ++n)
        QCOMPARE(HandoverMessage::decode(message.left(n), &decoded),
                 HandoverMessage::Status::Incomplete);
    QCOMPARE(HandoverMessage::decode(message, &decoded), HandoverMessage::Status::Complete);
    QCOMPARE(decoded, files);

    // What cannot be sent is not encoded.
    QVERIFY(HandoverMessage::encode({QByteArray()}).isEmpty());
    QVERIFY(HandoverMessage::encode({QByteArray("/a\0b", 4)}).isEmpty());
    QVERIFY(
        HandoverMessage::encode(QByteArrayList(HandoverMessage::kMaxFiles + 1, "/a")).isEmpty());
    QVERIFY(HandoverMessage::encode(QByteArrayList(20, QByteArray(60000, 'x'))).isEmpty());
}

void LaunchTest::handoverMessageRefusesWhatIsNotOne_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray one = word(1);
    QTest::newRow("another signature") << QByteArray("GET / HTTP/1.0\r\n");
    QTest::newRow("too many files") << "ORVF" + word(HandoverMessage::kMaxFiles + 1);
    QTest::newRow("a count near 2^32") << "ORVF" + word(0xffffffff);
    QTest::newRow("an empty path") << "ORVF" + one + word(0);
    QTest::newRow("a path too long") << "ORVF" + one + word(HandoverMessage::kMaxPathLength + 1);
    QTest::newRow("a NUL in a path") << "ORVF" + one + word(3) + QByteArray("/a\0", 3);
    QTest::newRow("bytes after the end") << "ORVF" + one + word(2) + "/a" + "!";
    QTest::newRow("more than a message may be")
        << "ORVF" + QByteArray(HandoverMessage::kMaxMessageSize, 'x');
}

void LaunchTest::handoverMessageRefusesWhatIsNotOne()
{
    QFETCH(QByteArray, bytes);
    QByteArrayList files = {"untouched"};
    QCOMPARE(HandoverMessage::decode(bytes, &files), HandoverMessage::Status::Malformed);
    QCOMPARE(files, QByteArrayList{"untouched"});
}

void LaunchTest::userFolder_data()
{
    QTest::addColumn<QByteArray>("dataHome");
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("XDG_DATA_HOME")
        << QByteArray("/d") << QByteArray("/h") << QByteArray("/d/orvanto");
    QTest::newRow("unset") << QByteArray() << QByteArray("/h")
                           << QByteArray("/h/.local/share/orvanto");
    QTest::newRow("relative, so ignored")
        << QByteArray("d") << QByteArray("/h") << QByteArray("/h/.local/share/orvanto");
    QTest::newRow("no home") << QByteArray() << QByteArray() << QByteArray();
}

void LaunchTest::userFolder()
{
    QFETCH(QByteArray, dataHome);
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, folder);
    QCOMPARE(StartUpFolder::userFolder(dataHome, home), folder);
}

// A first run makes the folder private with its parents, writes an empty
// list file and links the installed movie and skin; a later run leaves a
// list file that has become empty again, or one that is gone, as it is.
void LaunchTest::startUpFolderIsMadeOnce()
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    const QByteArray installed = root + "/share/orvanto";
    QVERIFY(QDir().mkpath(QFile::decodeName(installed + "/winaqua")));
    QVERIFY(writeBytes(installed + "/vesk.swf", "FWS"));
    QVERIFY(writeBytes(installed + "/winaqua.skn", "QDialog {}"));
    const QByteArray folder = root + "/home/.local/share/orvanto";

    VERIFY_PREPARED(folder, installed);
    QCOMPARE(fileMode(folder) & 07777, mode_t(0700));
    QCOMPARE(fileMode(root + "/home/.local") & 07777, mode_t(0700));
    QFile list(QFile::decodeName(folder + "/FlashList.ini"));
    QVERIFY(list.exists());
    QCOMPARE(list.size(), 0);
    for (const char *name : StartUpFolder::kLinkedNames)
        QCOMPARE(readLink(folder + '/' + name), installed + '/' + name);

    QVERIFY(writeBytes(folder + "/FlashList.ini", "/m/a.swf\r\n"));
    VERIFY_PREPARED(folder, installed);
    QVERIFY(list.open(QIODevice::ReadOnly));
    QCOMPARE(list.readAll(), QByteArray("/m/a.swf\r\n"));
    list.close();
    QVERIFY(list.remove());
    VERIFY_PREPARED(folder, installed);
    QVERIFY(!list.exists());
}

// The user's own start-up movie stays; a link to a data folder that has
// moved is made again; what is not installed is not linked.
void LaunchTest::startUpFolderKeepsWhatTheUserPutThere()
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    const QByteArray installed = root + "/share";
    QVERIFY(QDir().mkpath(QFile::decodeName(installed)));
    QVERIFY(writeBytes(installed + "/vesk.swf", "FWS"));
    QVERIFY(writeBytes(installed + "/winaqua.skn", "QDialog {}"));
    const QByteArray folder = root + "/orvanto";
    QVERIFY(QDir().mkpath(QFile::decodeName(folder)));
    QVERIFY(writeBytes(folder + "/vesk.swf", "mine"));
    QCOMPARE(::symlink("/nowhere/winaqua.skn", (folder + "/winaqua.skn").constData()), 0);

    VERIFY_PREPARED(folder, installed);
    QVERIFY(S_ISREG(fileMode(folder + "/vesk.swf")));
    QCOMPARE(readLink(folder + "/winaqua.skn"), installed + "/winaqua.skn");
    QCOMPARE(fileMode(folder + "/winaqua"), mode_t(0));
    // The folder was there: no list file is written into it.
    QCOMPARE(fileMode(folder + "/FlashList.ini"), mode_t(0));
}

void LaunchTest::startUpFolderReportsWhatItCannotMake()
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QVERIFY(writeBytes(root + "/file", "x"));
    QVERIFY(StartUpFolder::prepare(root + "/file", root).has_value());
    QVERIFY(StartUpFolder::prepare(root + "/file/orvanto", root).has_value());
    QVERIFY(StartUpFolder::prepare("", root).has_value());
}

QTEST_GUILESS_MAIN(LaunchTest)
#include "tst_launch.moc"
