// Loading movies from files named by byte strings, and the movie cache.
#include "swf/movieloader.h"
#include "swftest.h"
#include "tests/testfiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray movieWithFrames(int frames)
{
    swfwriter::SwfWriter w;
    w.showFrame(frames);
    return w.finish();
}

// Moves the file's modification time, as an edit a second later would.
void touchLater(const QByteArray &path, int seconds)
{
    struct stat st {};
    ::stat(path.constData(), &st);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += seconds;
    ::utimensat(AT_FDCWD, path.constData(), times, 0);
}

} // namespace

class TestLoader : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void loadsByBytePath();
    void refusesWhatIsNotAMovieFile();
    void cacheSharesOneMovie();
    void cacheNoticesChangedFiles();
    void cacheKeepsTheMostRecent();

private:
    QByteArray path(const QByteArray &name) const
    {
        return QFile::encodeName(m_dir.path()) + '/' + name;
    }
    QTemporaryDir m_dir;
};

void TestLoader::loadsByBytePath()
{
    const QByteArray name = path("\xb2\xe2\xca\xd4 \xff.swf"); // GBK bytes, not UTF-8
    QVERIFY(writeBytes(name, movieWithFrames(4)));
    auto movie = swf::loadMovieFile(name);
    QVERIFY(movie);
    QCOMPARE((*movie)->frameCount(), 4);
}

void TestLoader::refusesWhatIsNotAMovieFile()
{
    const auto missing = swf::loadMovieFile(path("missing.swf"));
    QVERIFY(!missing);
    QCOMPARE(missing.error().code, swf::ErrorCode::Io);
    QVERIFY(!swf::loadMovieFile(QFile::encodeName(m_dir.path())));
    QVERIFY(!swf::loadMovieFile(QByteArray()));
    const QByteArray fifo = path("fifo.swf");
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const auto piped = swf::loadMovieFile(fifo); // must not wait for a writer
    QVERIFY(!piped);
    swf::MovieCache cache;
    QVERIFY(!cache.load(fifo));
    QCOMPARE(cache.size(), 0);
}

void TestLoader::cacheSharesOneMovie()
{
    const QByteArray file = path("shared.swf");
    QVERIFY(writeBytes(file, movieWithFrames(2)));
    swf::MovieCache cache;
    auto first = cache.load(file);
    auto second = cache.load(file);
    QVERIFY(first && second);
    QCOMPARE(first->get(), second->get());
    QCOMPARE(cache.size(), 1);
}

void TestLoader::cacheNoticesChangedFiles()
{
    const QByteArray file = path("changing.swf");
    QVERIFY(writeBytes(file, movieWithFrames(2)));
    swf::MovieCache cache;
    auto before = cache.load(file);
    QVERIFY(writeBytes(file, movieWithFrames(3)));
    touchLater(file, 5);
    auto after = cache.load(file);
    QVERIFY(after);
    QVERIFY(after->get() != before->get());
    QCOMPARE((*after)->frameCount(), 3);
    QCOMPARE(cache.size(), 1);
    // A file that went away is an error, not the old movie.
    ::unlink(file.constData());
    QVERIFY(!cache.load(file));
}

void TestLoader::cacheKeepsTheMostRecent()
{
    swf::MovieCache cache(2);
    QList<QByteArray> files;
    for (int i = 0; i < 3; ++i) {
        files.append(path("recent" + QByteArray::number(i) + ".swf"));
        QVERIFY(writeBytes(files.last(), movieWithFrames(i + 1)));
    }
    auto zero = cache.load(files[0]);
    QVERIFY(cache.load(files[1]));
    QVERIFY(cache.load(files[0])); // zero is the most recent again
    QVERIFY(cache.load(files[2])); // evicts one
    QCOMPARE(cache.size(), 2);
    QCOMPARE(cache.load(files[0])->get(), zero->get());
    QCOMPARE(cache.size(), 2);
}

QTEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
