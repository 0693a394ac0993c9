// Date in local time away from UTC, which the reference logs (all taken in
// UTC) never show: a movie makes a Date in a given zone, calls one method
// and traces what it gave; the Date clock starts where the test says.
#include "swf/avm1/actions.h"
#include "swf/io/tagcodes.h"
#include "swf/parse/parser.h"
#include "swf/runtime/player.h"
#include "swf/scripting/scripting.h"
#include "tools/swfwriter/actionwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <QTest>

namespace {

// 2020-01-15 20:30:00 UTC.
constexpr qint64 kClockStartMs = 1579120200000;

class Services final : public swf::ScriptServices {
public:
    explicit Services(QByteArray zone) : m_zone(std::move(zone)) {}
    void trace(const QString &line) override { lines << line; }
    QTimeZone timeZone() const override { return QTimeZone(m_zone); }
    std::optional<qint64> clockStartMs() const override { return kClockStartMs; }
    QStringList lines;

private:
    QByteArray m_zone;
};

using Numbers = QList<double>;

// trace(new Date(made…).method(args…)), or trace(Date()) when `method` is
// empty.
QByteArray dateMovie(const Numbers &made, const QString &method, const Numbers &args)
{
    namespace Op = swf::avm1::Op;
    using swfwriter::ActionWriter;
    ActionWriter a;
    if (method.isEmpty()) {
        a.push({0, ActionWriter::string("Date")}).op(Op::CallFunction);
    } else {
        for (qsizetype i = args.size(); i-- > 0;)
            a.push({args[i]});
        a.push({int(args.size())});
        for (qsizetype i = made.size(); i-- > 0;)
            a.push({made[i]});
        a.push({int(made.size()), ActionWriter::string("Date")}).op(Op::NewObject);
        a.push({method}).op(Op::CallMethod);
    }
    a.op(Op::Trace);
    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.rawTag(swf::TagCode::DoAction, a.finish());
    w.showFrame();
    return w.finish();
}

QString run(const QByteArray &zone, const QByteArray &bytes)
{
    auto movie = swf::parseMovie(bytes);
    if (!movie)
        return QStringLiteral("unreadable movie");
    auto services = std::make_shared<Services>(zone);
    {
        swf::Player player(*movie, nullptr, swf::makeScriptHost(*movie, services));
        player.play();
    }
    return services->lines.join(QLatin1Char('\n'));
}

} // namespace

class TestDate : public QObject {
    Q_OBJECT
private slots:
    void localTime_data();
    void localTime();
};

void TestDate::localTime_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<Numbers>("made");
    QTest::addColumn<QString>("method");
    QTest::addColumn<Numbers>("args");
    QTest::addColumn<QString>("expected");
    const QByteArray la = "America/Los_Angeles";
    const QByteArray india = "Asia/Kolkata";
    const Numbers winter{2020, 0, 15, 12, 30};
    const Numbers summer{2020, 6, 4, 9};
    QTest::newRow("winter string")
        << la << winter << "toString" << Numbers{} << "Wed Jan 15 12:30:00 GMT-0800 2020";
    QTest::newRow("winter offset") << la << winter << "getTimezoneOffset" << Numbers{} << "480";
    QTest::newRow("winter UTC hours") << la << winter << "getUTCHours" << Numbers{} << "20";
    QTest::newRow("winter time value") << la << winter << "getTime" << Numbers{} << "1579120200000";
    QTest::newRow("summer string")
        << la << summer << "toString" << Numbers{} << "Sat Jul 4 09:00:00 GMT-0700 2020";
    QTest::newRow("summer offset") << la << summer << "getTimezoneOffset" << Numbers{} << "420";
    QTest::newRow("local setter crosses the UTC day")
        << la << winter << "setHours" << Numbers{23, 59} << "1579161540000";
    QTest::newRow("UTC setter") << la << winter << "setUTCHours" << Numbers{0} << "1579048200000";
    QTest::newRow("half-hour zone")
        << india << Numbers{0} << "toString" << Numbers{} << "Thu Jan 1 05:30:00 GMT+0530 1970";
    QTest::newRow("half-hour minutes") << india << Numbers{0} << "getMinutes" << Numbers{} << "30";
    QTest::newRow("now, local") << la << Numbers{} << "getHours" << Numbers{} << "12";
    QTest::newRow("called, not made")
        << la << Numbers{} << QString() << Numbers{} << "Wed Jan 15 12:30:00 GMT-0800 2020";
}

void TestDate::localTime()
{
    QFETCH(QByteArray, zone);
    QFETCH(Numbers, made);
    QFETCH(QString, method);
    QFETCH(Numbers, args);
    QFETCH(QString, expected);
    QVERIFY(QTimeZone(zone).isValid());
    QCOMPARE(run(zone, dateMovie(made, method, args)), expected);
}

QTEST_GUILESS_MAIN(TestDate)
#include "tst_date.moc"
