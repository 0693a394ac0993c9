// Saved data: AMF0 values and .sol files written and read back, damaged
// and hostile files refused, and the store's rules on where files land.
#include "swf/amf/sharedobjectstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <unistd.h>

using namespace swf::amf;

namespace {

// Same shape: values equal, and objects related as in `a` (shared where
// shared, cyclic where cyclic).
bool sameValue(const Graph &ga, const Value &a, const Graph &gb, const Value &b,
               std::vector<int> &map);

bool sameObject(const Graph &ga, int ia, const Graph &gb, int ib, std::vector<int> &map)
{
    if (map[size_t(ia)] >= 0)
        return map[size_t(ia)] == ib;
    map[size_t(ia)] = ib;
    const ObjectData &a = ga.objects[size_t(ia)];
    const ObjectData &b = gb.objects[size_t(ib)];
    if (a.kind != b.kind || a.className != b.className || a.members.size() != b.members.size() ||
        a.elements.size() != b.elements.size() || a.declaredLength != b.declaredLength)
        return false;
    for (size_t i = 0; i < a.members.size(); ++i) {
        if (a.members[i].first != b.members[i].first ||
            !sameValue(ga, a.members[i].second, gb, b.members[i].second, map))
            return false;
    }
    for (size_t i = 0; i < a.elements.size(); ++i) {
        if (!sameValue(ga, a.elements[i], gb, b.elements[i], map))
            return false;
    }
    return true;
}

bool sameValue(const Graph &ga, const Value &a, const Graph &gb, const Value &b,
               std::vector<int> &map)
{
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case Type::Undefined:
    case Type::Null:
        return true;
    case Type::Boolean:
        return a.boolean == b.boolean;
    case Type::Number:
        return (std::isnan(a.number) && std::isnan(b.number)) || a.number == b.number;
    case Type::Date:
        return a.number == b.number && a.timezone == b.timezone;
    case Type::String:
    case Type::Xml:
        return a.text == b.text;
    case Type::Object:
        return sameObject(ga, a.object, gb, b.object, map);
    }
    return false;
}

ObjectData members(std::vector<std::pair<QString, Value>> list,
                   ObjectKind kind = ObjectKind::Anonymous)
{
    ObjectData o;
    o.kind = kind;
    o.members = std::move(list);
    return o;
}

// A file of one member `name` with the given AMF0 value bytes.
QByteArray solWith(const QByteArray &valueBytes, const QByteArray &name = "v")
{
    QByteArray body = QByteArray::fromHex("0004") + "save" + QByteArray(4, '\0');
    body += char(0) + QByteArray(1, char(name.size())) + name + valueBytes + char(0);
    QByteArray out = QByteArray::fromHex("00bf");
    const quint32 length = quint32(body.size() + 10);
    for (int shift : {24, 16, 8, 0})
        out += char((length >> shift) & 0xff);
    return out + QByteArray("TCSO\x00\x04\x00\x00\x00\x00", 10) + body;
}

} // namespace

class TestAmf : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsValuesAndShape();
    void handBuiltFileReads();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void everyTruncationIsRefused();
    void namesAndPathsStayInTheMovieFolder_data();
    void namesAndPathsStayInTheMovieFolder();
    void failedSaveKeepsTheOldFile();
};

void TestAmf::roundTripKeepsValuesAndShape()
{
    SolFile file;
    file.name = QStringLiteral("games/slot1");
    Graph &g = file.graph;
    g.add({}); // the data object, 0
    const int shared = g.add(members({{"x", Value::fromNumber(1.5)}}));
    const int cyclic = g.add(members({{"n", Value::fromString("loop")}}));
    g.objects[size_t(cyclic)].members.emplace_back("self", Value::fromObject(cyclic));
    g.objects[size_t(cyclic)].members.emplace_back("data", Value::fromObject(0));
    ObjectData typed = members({{"hp", Value::fromNumber(42)}}, ObjectKind::Typed);
    typed.className = QStringLiteral("Hero");
    const int hero = g.add(typed);
    ObjectData ecma = members({{"0", Value::fromString("a")},
                               {"1", Value::fromObject(shared)},
                               {"name", Value::fromBool(true)}},
                              ObjectKind::EcmaArray);
    ecma.declaredLength = 2;
    const int list = g.add(ecma);
    ObjectData strict;
    strict.kind = ObjectKind::StrictArray;
    strict.elements = {Value::fromNumber(-0.0), Value::null(), Value(), Value::fromObject(list)};
    const int dense = g.add(strict);
    const QString longText(70000, QChar(u'é'));
    g.objects[0].members = {
        {"num", Value::fromNumber(3.25)},
        {"nan", Value::fromNumber(std::nan(""))},
        {"inf", Value::fromNumber(-INFINITY)},
        {"yes", Value::fromBool(true)},
        {"no", Value::fromBool(false)},
        {"text", Value::fromString(QStringLiteral("héllo ✓ \U0001F600"))},
        {"empty", Value::fromString(QString())},
        {"long", Value::fromString(longText)},
        {"nul", Value::null()},
        {"undef", Value()},
        {"when", Value::fromDate(1.2345e12, -60)},
        {"xml", Value::fromXml(QStringLiteral("<a b=\"1\">t</a>"))},
        {"shared1", Value::fromObject(shared)},
        {"shared2", Value::fromObject(shared)},
        {"cyclic", Value::fromObject(cyclic)},
        {"hero", Value::fromObject(hero)},
        {"list", Value::fromObject(list)},
        {"dense", Value::fromObject(dense)},
        {QStringLiteral("ключ"), Value::fromNumber(7)},
    };

    const QByteArray written = writeSol(file);
    auto read = readSol(written);
    QVERIFY2(read.ok(), qPrintable(read ? QString() : read.error().toString()));
    QCOMPARE(read->name, file.name);
    std::vector<int> map(g.objects.size(), -1);
    QVERIFY(sameObject(g, 0, read->graph, read->root, map));
    // Shared and cyclic objects were written once and referred to after.
    QCOMPARE(read->graph.objects.size(), g.objects.size());
    QCOMPARE(writeSol(*read), written);
}

void TestAmf::handBuiltFileReads()
{
    // name "hi"; members: n = 2.0; o = {self: ref 1, up: ref 0}; d = date;
    // s = long string "ok".
    QByteArray body = QByteArray::fromHex("0002") + "hi" + QByteArray(4, '\0');
    body += QByteArray::fromHex("0001") + "n" + QByteArray::fromHex("004000000000000000") + '\0';
    body += QByteArray::fromHex("0001") + "o" + QByteArray::fromHex("03") +
            QByteArray::fromHex("0004") + "self" + QByteArray::fromHex("070001") +
            QByteArray::fromHex("0002") + "up" + QByteArray::fromHex("070000") +
            QByteArray::fromHex("000009") + '\0';
    body +=
        QByteArray::fromHex("0001") + "d" + QByteArray::fromHex("0b0000000000000000fe20") + '\0';
    body += QByteArray::fromHex("0001") + "s" + QByteArray::fromHex("0c00000002") + "ok" + '\0';
    QByteArray bytes = QByteArray::fromHex("00bf");
    const quint32 length = quint32(body.size() + 10);
    for (int shift : {24, 16, 8, 0})
        bytes += char((length >> shift) & 0xff);
    bytes += QByteArray("TCSO\x00\x04\x00\x00\x00\x00", 10) + body;

    auto read = readSol(bytes);
    QVERIFY2(read.ok(), qPrintable(read ? QString() : read.error().toString()));
    QCOMPARE(read->name, QStringLiteral("hi"));
    const auto &root = read->graph.objects[size_t(read->root)].members;
    QCOMPARE(root.size(), size_t(4));
    QCOMPARE(root[0].second.number, 2.0);
    const int o = root[1].second.object;
    const auto &om = read->graph.objects[size_t(o)].members;
    QCOMPARE(om[0].second.object, o);
    QCOMPARE(om[1].second.object, read->root);
    QCOMPARE(root[2].second.type, Type::Date);
    QCOMPARE(root[2].second.timezone, qint16(-480));
    QCOMPARE(root[3].second.text, QStringLiteral("ok"));
}

void TestAmf::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = solWith(QByteArray::fromHex("0101"));
    QByteArray badLength = good;
    badLength[5] = char(badLength[5] + 1);
    QByteArray badMagic = good;
    badMagic[1] = char(0xbe);
    QByteArray amf3 = good;
    amf3[6 + 10 + 2 + 4 + 3] = 3;
    QTest::newRow("header length lies") << badLength;
    QTest::newRow("not a sol") << badMagic;
    QTest::newRow("amf3 body") << amf3;
    QTest::newRow("string longer than file") << solWith(QByteArray::fromHex("02ffff") + "ab");
    QTest::newRow("long string longer than file")
        << solWith(QByteArray::fromHex("0cffffffff") + "ab");
    QTest::newRow("xml longer than file") << solWith(QByteArray::fromHex("0f7fffffff"));
    QTest::newRow("strict array count lies") << solWith(QByteArray::fromHex("0affffffff0101"));
    QTest::newRow("reference past table") << solWith(QByteArray::fromHex("070005"));
    QTest::newRow("reference to itself before made") << solWith(QByteArray::fromHex("070001"));
    QTest::newRow("object never ends") << solWith(QByteArray::fromHex("030001610101"));
    QTest::newRow("unknown marker") << solWith(QByteArray::fromHex("11"));
    QTest::newRow("movieclip marker") << solWith(QByteArray::fromHex("04"));
    QTest::newRow("number cut") << solWith(QByteArray::fromHex("00400000"));
    QTest::newRow("member not closed") << solWith(QByteArray::fromHex("0101")).chopped(1) + "x";
    QByteArray deep;
    for (int i = 0; i < 300; ++i)
        deep += QByteArray::fromHex("0a00000001");
    deep += QByteArray::fromHex("05");
    QTest::newRow("nested too deep") << solWith(deep);
}

void TestAmf::damagedFilesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!readSol(bytes).ok());
}

void TestAmf::everyTruncationIsRefused()
{
    QByteArray value = QByteArray::fromHex("08000000020001300101") + QByteArray::fromHex("000009");
    const QByteArray good = solWith(value);
    QVERIFY(readSol(good).ok());
    // The header with no member is a whole (empty) file.
    const qsizetype headerOnly = 6 + 10 + 2 + 4 + 4;
    for (qsizetype n = 0; n < good.size(); ++n) {
        if (n == headerOnly)
            continue;
        // Cut, with the header's length mended so only the body is short.
        QByteArray cut = good.left(n);
        if (n >= 6) {
            const quint32 length = quint32(n - 6);
            for (int i = 0; i < 4; ++i)
                cut[2 + i] = char((length >> (24 - 8 * i)) & 0xff);
        }
        QVERIFY2(!readSol(cut).ok(), qPrintable(QString::number(n)));
    }
}

void TestAmf::namesAndPathsStayInTheMovieFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("localPath");
    QTest::addColumn<bool>("accepted");
    const char *refused[] = {"",    "..",  "a/../b", "/abs", "a//b", "a/",  "./a",  "a b",
                             "a~b", "a%b", "a&b",    "a\\b", "a;b",  "a:b", "a\"b", "a'b",
                             "a,b", "a<b", "a>b",    "a?b",  "a#b",  "a\nb"};
    for (const char *name : refused)
        QTest::addRow("name %s", name) << QString::fromUtf8(name) << QString() << false;
    QTest::newRow("plain") << "save" << QString() << true;
    QTest::newRow("subfolder") << "games/slot1" << QString() << true;
    QTest::newRow("unicode") << "sauvegarde_été" << QString() << true;
    QTest::newRow("shared at root") << "s"
                                    << "/" << true;
    QTest::newRow("shared in movie folder") << "s"
                                            << "/movies/games/" << true;
    QTest::newRow("movie itself") << "s"
                                  << "/movies/games/play.swf" << true;
    QTest::newRow("another folder") << "s"
                                    << "/etc" << false;
    QTest::newRow("sibling prefix") << "s"
                                    << "/movies/gam" << false;
    QTest::newRow("climbs") << "s"
                            << "/movies/games/../../etc" << false;
    QTest::newRow("relative") << "s"
                              << "movies" << false;
    QTest::newRow("backslash") << "s"
                               << "/movies\\games" << false;
}

void TestAmf::namesAndPathsStayInTheMovieFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, localPath);
    QFETCH(bool, accepted);
    const QString root = QStringLiteral("/data/orvanto");
    const SharedObjectStore store(root);
    const QString file = store.filePath(QStringLiteral("/movies/games/play.swf"), name, localPath);
    QCOMPARE(!file.isEmpty(), accepted);
    if (accepted) {
        QVERIFY(file.startsWith(root + u'/'));
        QCOMPARE(QDir::cleanPath(file), file);
        // One folder for the movie (or the folder it shares along), then the name.
        QCOMPARE(file.mid(root.size() + 1).count(u'/'), 1 + name.count(u'/'));
        QVERIFY(file.endsWith(name + QStringLiteral(".sol")));
    }
}

void TestAmf::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SharedObjectStore store(dir.path());
    const QString file = store.filePath(QStringLiteral("/m/a.swf"), QStringLiteral("s"));
    SolFile before;
    before.name = QStringLiteral("s");
    before.graph.add(members({{"score", Value::fromNumber(10)}}));
    const QByteArray old = writeSol(before);
    QVERIFY(store.save(file, old));

    // A folder the user may not write to.
    const QString folder = QFileInfo(file).path();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() != 0) {
        before.graph.objects[0].members[0].second.number = 99;
        QVERIFY(!store.save(file, writeSol(before)));
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Something else where a subfolder should be: no write can get there.
    QFile blocker(folder + QStringLiteral("/sub"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!store.save(folder + QStringLiteral("/sub/t.sol"), old));

    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), old);
    auto read = store.load(file);
    QVERIFY(read.ok());
    QCOMPARE(read->graph.objects[0].members[0].second.number, 10.0);
}

QTEST_GUILESS_MAIN(TestAmf)
#include "tst_amf.moc"
