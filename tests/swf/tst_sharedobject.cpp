// SharedObject as a movie uses it: saved by one run of the movie, read by
// the next (shared and cyclic data kept), names that would leave the
// movie's folder refused, damaged files read as no data.
#include "swf/amf/sharedobjectstore.h"
#include "swf/parse/parser.h"
#include "swf/runtime/player.h"
#include "swf/scripting/scripting.h"
#include "tools/swfwriter/swfwriter.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

class Services final : public swf::ScriptServices {
public:
    explicit Services(QString root) : m_root(std::move(root)) {}
    void trace(const QString &line) override { lines << line; }
    QString movieUrl() const override { return QStringLiteral("file:///movies/game.swf"); }
    QString sharedObjectRoot() const override { return m_root; }
    QStringList lines;

private:
    QString m_root;
};

// ActionScript bytecode, written by hand.
struct Code {
    QByteArray bytes;
    Code &push(std::initializer_list<QVariant> items)
    {
        QByteArray body;
        for (const QVariant &item : items) {
            if (item.typeId() == QMetaType::QString) {
                body += '\0' + item.toString().toUtf8() + '\0';
            } else {
                const qint32 n = item.toInt();
                body += char(7);
                for (int i = 0; i < 4; ++i)
                    body += char((n >> (8 * i)) & 0xff);
            }
        }
        bytes += char(0x96);
        bytes += char(body.size() & 0xff);
        bytes += char(body.size() >> 8);
        bytes += body;
        return *this;
    }
    Code &op(quint8 code)
    {
        bytes += char(code);
        return *this;
    }
    // so.data
    Code &data()
    {
        return push({QStringLiteral("so")}).op(0x1c).push({QStringLiteral("data")}).op(0x4e);
    }
};

constexpr quint8 GetVariable = 0x1c, SetVariable = 0x1d, GetMember = 0x4e, SetMember = 0x4f,
                 CallMethod = 0x52, Trace = 0x26, Equals2 = 0x49, InitArray = 0x42,
                 InitObject = 0x43;

QByteArray saveMovie()
{
    const auto s = [](const char *t) { return QVariant(QString::fromLatin1(t)); };
    Code c;
    c.push({s("so"), s("save"), 1, s("SharedObject")}).op(GetVariable);
    c.push({s("getLocal")}).op(CallMethod).op(SetVariable);
    c.data().push({s("count")}).op(GetMember).op(Trace);
    c.data().push({s("o")}).op(GetMember).push({s("self")}).op(GetMember);
    c.data().push({s("o")}).op(GetMember).op(Equals2).op(Trace);
    c.data().push({s("arr")}).op(GetMember).data().push({s("arr2")}).op(GetMember);
    c.op(Equals2).op(Trace);
    c.data().push({s("arr")}).op(GetMember).push({1}).op(GetMember).op(Trace);
    c.data().push({s("count"), s("x")}).op(SetMember);
    c.data().push({s("o"), 0}).op(InitObject).op(SetMember);
    c.data().push({s("o")}).op(GetMember).push({s("self")}).data().push({s("o")});
    c.op(GetMember).op(SetMember);
    c.push({s("a"), 2, 1, 2}).op(InitArray).op(SetVariable);
    c.data().push({s("arr"), s("a")}).op(GetVariable).op(SetMember);
    c.data().push({s("arr2"), s("a")}).op(GetVariable).op(SetMember);
    c.push({0, s("so")}).op(GetVariable).push({s("flush")}).op(CallMethod).op(Trace);
    c.push({s("../x"), 1, s("SharedObject")}).op(GetVariable);
    c.push({s("getLocal")}).op(CallMethod).op(Trace);
    c.op(0);
    swfwriter::SwfWriter movie;
    movie.setVersion(8);
    movie.rawTag(12, c.bytes, true);
    movie.showFrame();
    return movie.finish();
}

QStringList run(const QByteArray &bytes, const QString &root)
{
    auto movie = swf::parseMovie(bytes);
    if (!movie)
        return {QStringLiteral("unreadable movie")};
    auto services = std::make_shared<Services>(root);
    {
        swf::Player player(*movie, nullptr, swf::makeScriptHost(*movie, services));
        player.play();
        player.step();
    }
    return services->lines;
}

QString solFile(const QString &root)
{
    QDirIterator it(root, {QStringLiteral("*.sol")}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

} // namespace

class TestSharedObject : public QObject {
    Q_OBJECT
private slots:
    void savedByOneRunReadByTheNext();
};

void TestSharedObject::savedByOneRunReadByTheNext()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray movie = saveMovie();
    const QStringList first = run(movie, dir.path());
    QCOMPARE(first, (QStringList{"undefined", "true", "true", "undefined", "true", "null"}));
    const QString file = solFile(dir.path());
    QVERIFY(!file.isEmpty());
    QVERIFY(file.endsWith(QStringLiteral("/save.sol")));
    // Only the movie's own file was written.
    QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 1);

    const QStringList second = run(movie, dir.path());
    QCOMPARE(second, (QStringList{"x", "true", "true", "2", "true", "null"}));

    // A damaged file reads as no data, and the movie goes on.
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    QVERIFY(damaged.resize(damaged.size() - 3));
    damaged.close();
    QCOMPARE(run(movie, dir.path()).first(), QStringLiteral("undefined"));
}

QTEST_GUILESS_MAIN(TestSharedObject)
#include "tst_sharedobject.moc"
