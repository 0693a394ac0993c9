// Files a movie's scripts load: what lies in the movie's folder and below
// it is read (by relative address or file URL); every way out of the
// folder is refused.
#include "swf/runtime/moviefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

class TestMovieFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsOnlyBesideTheMovie_data();
    void readsOnlyBesideTheMovie();

private:
    QTemporaryDir m_root;
    QString m_movieUrl;
};

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

void TestMovieFiles::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    QVERIFY(root.mkpath(QStringLiteral("movie/sub")));
    const QString movie = root.filePath(QStringLiteral("movie"));
    writeFile(movie + QStringLiteral("/movie.swf"), QByteArray());
    writeFile(movie + QStringLiteral("/data.txt"), QByteArrayLiteral("a=1"));
    writeFile(movie + QStringLiteral("/sub/inner.txt"), QByteArrayLiteral("inner"));
    writeFile(movie + QStringLiteral("/big.txt"), QByteArray(17, 'x'));
    writeFile(root.filePath(QStringLiteral("secret.txt")), QByteArrayLiteral("secret"));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("secret.txt")),
                        movie + QStringLiteral("/link.txt")));
    QVERIFY(QFile::link(root.path(), movie + QStringLiteral("/up")));
    QCOMPARE(::mkfifo(QFile::encodeName(movie + QStringLiteral("/fifo")).constData(), 0600), 0);
    m_movieUrl = QUrl::fromLocalFile(movie + QStringLiteral("/movie.swf")).toString();
}

void TestMovieFiles::readsOnlyBesideTheMovie_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("expected"); // null when refused
    const QByteArray refused;
    QTest::newRow("beside") << "data.txt" << QByteArrayLiteral("a=1");
    QTest::newRow("below") << "sub/inner.txt" << QByteArrayLiteral("inner");
    QTest::newRow("dot") << "./data.txt" << QByteArrayLiteral("a=1");
    QTest::newRow("query") << "data.txt?x=1#top" << QByteArrayLiteral("a=1");
    QTest::newRow("escaped") << "sub%2Finner.txt" << QByteArrayLiteral("inner");
    QTest::newRow("escaped nul ends the name") << "data.txt%00.bin" << QByteArrayLiteral("a=1");
    QTest::newRow("nul first") << "%00data.txt" << refused;
    QTest::newRow("up") << "../secret.txt" << refused;
    QTest::newRow("down and up") << "sub/../../secret.txt" << refused;
    QTest::newRow("escaped up") << "%2e%2e/secret.txt" << refused;
    QTest::newRow("backslash up") << "..\\secret.txt" << refused;
    QTest::newRow("absolute") << m_root.filePath(QStringLiteral("secret.txt")) << refused;
    QTest::newRow("file address")
        << QUrl::fromLocalFile(m_root.filePath(QStringLiteral("movie/data.txt"))).toString()
        << QByteArrayLiteral("a=1");
    QTest::newRow("file address out")
        << QUrl::fromLocalFile(m_root.filePath(QStringLiteral("secret.txt"))).toString() << refused;
    QTest::newRow("file address up")
        << QUrl::fromLocalFile(m_root.filePath(QStringLiteral("movie/../secret.txt"))).toString()
        << refused;
    QTest::newRow("network") << "http://example.com/data.txt" << refused;
    QTest::newRow("link out") << "link.txt" << refused;
    QTest::newRow("folder link out") << "up/secret.txt" << refused;
    QTest::newRow("fifo") << "fifo" << refused;
    QTest::newRow("folder") << "sub" << refused;
    QTest::newRow("device") << "/dev/zero" << refused;
    QTest::newRow("too large") << "big.txt" << refused;
    QTest::newRow("missing") << "missing.txt" << refused;
    QTest::newRow("empty") << "" << refused;
}

void TestMovieFiles::readsOnlyBesideTheMovie()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, expected);
    const auto read = swf::readBesideMovie(m_movieUrl, address, 16);
    QCOMPARE(read.ok(), !expected.isNull());
    if (read.ok())
        QCOMPARE(*read, expected);
    else
        QVERIFY(!read.error().message.isEmpty());
    // No address is read for a movie that is not a local file.
    QVERIFY(!swf::readBesideMovie(QStringLiteral("http://example.com/movie.swf"), address, 16));
}

QTEST_GUILESS_MAIN(TestMovieFiles)
#include "tst_moviefiles.moc"
