// The list file on its own: the reading rules, the format, byte-exact round
// trips, and a write that never loses the previous file.
#include "playlist/listfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<missing>");
}

void writeBytes(const QByteArray &path, const QByteArray &bytes)
{
    QFile file(QFile::decodeName(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Lowers the largest file size the process may write, for one scope; a
// write beyond it fails as a full disk would, also for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_handler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class ListFileTest final : public QObject {
    Q_OBJECT

private slots:
    void parseFollowsTheReadingRules_data();
    void parseFollowsTheReadingRules();
    void parseStopsAtTheEntryLimit();
    void formatEndsEveryLineWithCrLf();
    void pathsRoundTripByteForByte();
    void readErrorsNameTheFile_data();
    void readErrorsNameTheFile();
    void readRefusesTooManyEntries();
    void writeReplacesTheFileWhole();
    void failedWriteKeepsThePreviousFile();
    void unwritableFolderIsReported();
    void writeThroughASymbolicLinkKeepsTheLink();
};

void ListFileTest::parseFollowsTheReadingRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("entries");
    QTest::newRow("CR LF") << QByteArray("/a.swf\r\n/b.swf\r\n")
                           << QByteArrayList{"/a.swf", "/b.swf"};
    QTest::newRow("LF only") << QByteArray("/a.swf\n/b.swf\n")
                             << QByteArrayList{"/a.swf", "/b.swf"};
    QTest::newRow("no last terminator")
        << QByteArray("/a.swf\r\n/b.swf") << QByteArrayList{"/a.swf", "/b.swf"};
    QTest::newRow("empty line") << QByteArray("/a.swf\r\n\r\n/b.swf\r\n")
                                << QByteArrayList{"/a.swf", "", "/b.swf"};
    // The byte after a bare CR is consumed and kept as the line's last one.
    QTest::newRow("bare CR and a byte")
        << QByteArray("/a.sw\rf/b.swf\n") << QByteArrayList{"/a.swf", "/b.swf"};
    QTest::newRow("CR CR") << QByteArray("/a\r\r/b\r\n") << QByteArrayList{"/a\r", "/b"};
    QTest::newRow("CR at the end") << QByteArray("/a.swf\r") << QByteArrayList{"/a.swf"};
    QTest::newRow("LF CR") << QByteArray("/a\n\r/b") << QByteArrayList{"/a", "/", "b"};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
    QTest::newRow("one empty line") << QByteArray("\r\n") << QByteArrayList{""};
    QTest::newRow("NUL kept") << QByteArray("/a\0b\r\n", 6)
                              << QByteArrayList{QByteArray("/a\0b", 4)};
    const QByteArray longLine(200000, 'x');
    QTest::newRow("no length limit") << longLine + "\r\n/b" << QByteArrayList{longLine, "/b"};
}

void ListFileTest::parseFollowsTheReadingRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, entries);
    bool truncated = true;
    QCOMPARE(ListFile::parse(bytes, ListFile::MaxEntries, &truncated), entries);
    QVERIFY(!truncated);
}

void ListFileTest::parseStopsAtTheEntryLimit()
{
    bool truncated = false;
    QCOMPARE(ListFile::parse("a\nb\nc\n", 2, &truncated), (QByteArrayList{"a", "b"}));
    QVERIFY(truncated);
    QCOMPARE(ListFile::parse("a\nb\n", 2, &truncated), (QByteArrayList{"a", "b"}));
    QVERIFY(!truncated);
}

void ListFileTest::formatEndsEveryLineWithCrLf()
{
    QCOMPARE(ListFile::format({"/a.swf", "", "/b.swf"}), QByteArray("/a.swf\r\n\r\n/b.swf\r\n"));
    QCOMPARE(ListFile::format({}), QByteArray());
}

void ListFileTest::pathsRoundTripByteForByte()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("FlashList.ini")));
    const QByteArrayList entries = {"/m/\xFF\xFE\x80 not utf-8.swf", "/m/动画 片.swf", "",
                                    "/m/a.b.swf", "/m/trailing space .swf "};
    QVERIFY(!ListFile(path).write(entries));
    QCOMPARE(readBytes(path), ListFile::format(entries));
    QByteArrayList read;
    QVERIFY(!ListFile(path).read(read));
    QCOMPARE(read, entries);
}

void ListFileTest::readErrorsNameTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("makeFolder");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QStringLiteral("FlashList.ini") << false
                             << QStringLiteral("%1 was not found.");
    QTest::newRow("a folder") << QStringLiteral("FlashList.ini") << true
                              << QStringLiteral("Access to %1 was denied.");
    QTest::newRow("under a file") << QStringLiteral("plain/FlashList.ini") << false
                                  << QStringLiteral("%1 contains an incorrect path.");
}

void ListFileTest::readErrorsNameTheFile()
{
    QFETCH(QString, name);
    QFETCH(bool, makeFolder);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeBytes(QFile::encodeName(dir.filePath(QStringLiteral("plain"))), "x");
    if (makeFolder)
        QVERIFY(QDir(dir.path()).mkdir(name));
    const QByteArray path = QFile::encodeName(dir.filePath(name));

    QByteArrayList entries = {"kept"};
    const auto error = ListFile(path).read(entries);
    QVERIFY(error);
    QCOMPARE(error->message(), message.arg(QFile::decodeName(path)));
    QCOMPARE(entries, QByteArrayList{"kept"});
}

void ListFileTest::readRefusesTooManyEntries()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("FlashList.ini")));
    writeBytes(path, QByteArray(ListFile::MaxEntries + 1, '\n'));
    QByteArrayList entries = {"kept"};
    const auto error = ListFile(path).read(entries);
    QVERIFY(error);
    QCOMPARE(error->cause, FileError::Cause::Generic);
    QCOMPARE(entries, QByteArrayList{"kept"});

    writeBytes(path, QByteArray(ListFile::MaxEntries, '\n'));
    QVERIFY(!ListFile(path).read(entries));
    QCOMPARE(entries.size(), ListFile::MaxEntries);
}

void ListFileTest::writeReplacesTheFileWhole()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("FlashList.ini")));
    writeBytes(path, QByteArray(5000, 'o'));
    QVERIFY(::chmod(path.constData(), 0640) == 0);

    QVERIFY(!ListFile(path).write({"/a.swf", "/b.swf"}));
    QCOMPARE(readBytes(path), QByteArray("/a.swf\r\n/b.swf\r\n"));
    // No temporary file stays behind, and the file keeps its mode.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList(QStringLiteral("FlashList.ini")));
    struct stat status {};
    QVERIFY(::stat(path.constData(), &status) == 0);
    QCOMPARE(status.st_mode & 07777, 0640u);
}

void ListFileTest::failedWriteKeepsThePreviousFile()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("FlashList.ini")));
    const QByteArray previous = "/old/one.swf\r\n/old/two.swf\r\n";
    writeBytes(path, previous);

    std::optional<FileError> error;
    {
        FileSizeLimit limit(64);
        QVERIFY(limit.active());
        error = ListFile(path).write(QByteArrayList(100, "/a/rather/long/path/to/a/movie.swf"));
    }
    QVERIFY(error);
    QCOMPARE(error->path, path);
    QCOMPARE(readBytes(path), previous);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList(QStringLiteral("FlashList.ini")));
}

void ListFileTest::unwritableFolderIsReported()
{
    // sysfs takes no new files, whoever asks.
    const auto error = ListFile("/sys/FlashList.ini").write({"/a.swf"});
    QVERIFY(error);
    QCOMPARE(error->message(), QStringLiteral("Access to /sys/FlashList.ini was denied."));

    QTemporaryDir dir;
    const QByteArray missing =
        QFile::encodeName(dir.filePath(QStringLiteral("gone/FlashList.ini")));
    const auto notFound = ListFile(missing).write({"/a.swf"});
    QVERIFY(notFound);
    QCOMPARE(notFound->cause, FileError::Cause::FileNotFound);
}

void ListFileTest::writeThroughASymbolicLinkKeepsTheLink()
{
    QTemporaryDir dir;
    const QByteArray target = QFile::encodeName(dir.filePath(QStringLiteral("real.ini")));
    const QByteArray link = QFile::encodeName(dir.filePath(QStringLiteral("FlashList.ini")));
    writeBytes(target, "old\r\n");
    QVERIFY(::symlink("real.ini", link.constData()) == 0);

    QVERIFY(!ListFile(link).write({"/new.swf"}));
    struct stat status {};
    QVERIFY(::lstat(link.constData(), &status) == 0);
    QVERIFY(S_ISLNK(status.st_mode));
    QCOMPARE(readBytes(target), QByteArray("/new.swf\r\n"));
}

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
