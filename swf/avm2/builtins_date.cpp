// Date: time values, local time through the machine's time zone, the
// Flash Player's string formats and its parser.
#include "swf/avm2/natives.h"
#include "swf/lang/datemath.h"

#include <QDateTime>

#include <cmath>

namespace swf::avm2::builtins {
namespace {

using namespace swf::lang::datemath;

class DateObject final : public Object {
public:
    using Object::Object;
    double time = std::nan("");
};

const char *const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

DateObject *asDate(Vm &vm, const Value &v)
{
    Object *o = v.obj();
    if (!o || o->kind != ObjKind::Date)
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("Date.prototype.valueOf"));
    return static_cast<DateObject *>(o);
}

Object *allocDate(Vm &vm, ClassObject *cls)
{
    return vm.heap.make<DateObject>(cls, cls->instanceTraits.get(), cls->prototype, ObjKind::Date);
}

double nowTime()
{
    return double(QDateTime::currentMSecsSinceEpoch());
}

QString two(double v) { return QStringLiteral("%1").arg(int(v), 2, 10, QLatin1Char('0')); }

QString offsetText(double offsetMs)
{
    const int minutes = int(std::lround(offsetMs / 60000.0));
    const int a = std::abs(minutes);
    return QStringLiteral("GMT%1%2%3").arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+')).arg(two(a / 60)).arg(two(a % 60));
}

QString yearText(double y) { return QString::number(qint64(y)); }

enum class Format { Full, DateOnly, TimeOnly, Locale, LocaleDate, LocaleTime, Utc };

QString format(Vm &vm, double t, Format f)
{
    if (std::isnan(t))
        return QStringLiteral("Invalid Date");
    const double off = localOffset(vm.options.timeZone, t);
    const double l = f == Format::Utc ? t : t + off;
    const QString dayName = QString::fromLatin1(kDays[int(weekDay(l))]);
    const QString month = QString::fromLatin1(kMonths[int(monthFromTime(l))]);
    const QString date = QString::number(int(dateFromTime(l)));
    const QString year = yearText(yearFromTime(l));
    const QString hms = two(hourFromTime(l)) + QLatin1Char(':') + two(minFromTime(l)) + QLatin1Char(':') + two(secFromTime(l));
    const int h12 = int(hourFromTime(l)) % 12 == 0 ? 12 : int(hourFromTime(l)) % 12;
    const QString localeTime = QString::number(h12) + QLatin1Char(':') + two(minFromTime(l)) + QLatin1Char(':') +
                               two(secFromTime(l)) + (hourFromTime(l) < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM"));
    const QString dateText = dayName + QLatin1Char(' ') + month + QLatin1Char(' ') + date;
    switch (f) {
    case Format::Full: return dateText + QLatin1Char(' ') + hms + QLatin1Char(' ') + offsetText(off) + QLatin1Char(' ') + year;
    case Format::DateOnly: return dateText + QLatin1Char(' ') + year;
    case Format::TimeOnly: return hms + QLatin1Char(' ') + offsetText(off);
    case Format::Locale: return dateText + QLatin1Char(' ') + year + QLatin1Char(' ') + localeTime;
    case Format::LocaleDate: return dateText + QLatin1Char(' ') + year;
    case Format::LocaleTime: return localeTime;
    case Format::Utc: return dateText + QLatin1Char(' ') + hms + QLatin1Char(' ') + year + QStringLiteral(" UTC");
    }
    return {};
}

// The Flash Player's Date.parse: day and month names, numbers with / and
// :, AM and PM, and GMT or UTC with an offset, in any order it accepts.
double parseDate(Vm &vm, const QString &s)
{
    double year = -1, month = -1, date = -1, hour = 0, minute = 0, second = 0;
    double offset = std::nan("");
    bool pm = false, am = false;
    qsizetype i = 0;
    const qsizetype n = s.size();
    std::vector<double> numbers;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace() || c == u',') {
            ++i;
            continue;
        }
        if (c.isLetter()) {
            qsizetype j = i;
            while (j < n && s[j].isLetter())
                ++j;
            const QString word = s.mid(i, j - i).toLower();
            i = j;
            if (word == QLatin1String("am"))
                am = true;
            else if (word == QLatin1String("pm"))
                pm = true;
            else if (word == QLatin1String("gmt") || word == QLatin1String("utc") || word == QLatin1String("z")) {
                offset = 0;
                if (i < n && (s[i] == u'+' || s[i] == u'-')) {
                    const bool neg = s[i] == u'-';
                    qsizetype k = i + 1;
                    while (k < n && s[k].isDigit())
                        ++k;
                    const QString digits = s.mid(i + 1, k - i - 1);
                    int v = digits.toInt();
                    int mins = digits.size() <= 2 ? v * 60 : (v / 100) * 60 + v % 100;
                    if (k < n && s[k] == u':') {
                        qsizetype m = k + 1;
                        while (m < n && s[m].isDigit())
                            ++m;
                        mins = v * 60 + s.mid(k + 1, m - k - 1).toInt();
                        k = m;
                    }
                    offset = (neg ? -mins : mins) * 60000.0;
                    i = k;
                }
            } else {
                bool found = false;
                for (int m = 0; m < 12; ++m) {
                    if (word.startsWith(QString::fromLatin1(kMonths[m]).toLower()) && word.size() >= 3) {
                        month = m;
                        found = true;
                    }
                }
                bool isDay = false;
                for (const char *d : kDays)
                    isDay = isDay || word.startsWith(QString::fromLatin1(d).toLower());
                if (!found && !isDay)
                    return std::nan("");
            }
            continue;
        }
        if (c.isDigit() || ((c == u'+' || c == u'-') && i + 1 < n && s[i + 1].isDigit())) {
            const bool neg = c == u'-';
            if (c == u'+' || c == u'-')
                ++i;
            qsizetype j = i;
            while (j < n && s[j].isDigit())
                ++j;
            const double v = s.mid(i, j - i).toDouble();
            i = j;
            if (i < n && s[i] == u':') {
                hour = v;
                ++i;
                j = i;
                while (j < n && s[j].isDigit())
                    ++j;
                minute = s.mid(i, j - i).toDouble();
                i = j;
                if (i < n && s[i] == u':') {
                    ++i;
                    j = i;
                    while (j < n && s[j].isDigit())
                        ++j;
                    second = s.mid(i, j - i).toDouble();
                    i = j;
                }
                continue;
            }
            if (i < n && s[i] == u'/') {
                month = v - 1;
                ++i;
                j = i;
                while (j < n && s[j].isDigit())
                    ++j;
                date = s.mid(i, j - i).toDouble();
                i = j;
                if (i < n && s[i] == u'/') {
                    ++i;
                    j = i;
                    while (j < n && s[j].isDigit())
                        ++j;
                    year = s.mid(i, j - i).toDouble();
                    i = j;
                }
                continue;
            }
            numbers.push_back(neg ? -v : v);
            continue;
        }
        return std::nan("");
    }
    for (double v : numbers) {
        if (date < 0 && v <= 31 && month >= 0 && year < 0 && numbers.size() > 1)
            date = v;
        else if (year < 0 && (v > 31 || date >= 0))
            year = v;
        else if (date < 0)
            date = v;
        else
            return std::nan("");
    }
    if (year < 0 || month < 0 || date < 0)
        return std::nan("");
    if (year < 100 && year >= 0 && numbers.size() + 0 > 0)
        year += 1900;
    if ((pm || am) && hour > 12)
        return std::nan("");
    if (pm && hour < 12)
        hour += 12;
    if (am && hour == 12)
        hour = 0;
    const double local = makeDate(makeDay(year, month, date), makeTime(hour, minute, second, 0));
    const double utc = std::isnan(offset) ? utcFromLocal(vm.options.timeZone, local) : local - offset;
    return timeClip(utc);
}

double argOr(Vm &vm, const Value *args, int argc, int i, double dflt)
{
    return i < argc ? vm.toNumber(args[i]) : dflt;
}

// new Date(y, m, d, h, min, s, ms) and Date.UTC: the fields as a time value
// in the calendar (local or UTC decided by the caller).
double fromFields(Vm &vm, const Value *args, int argc)
{
    double y = vm.toNumber(args[0]);
    const double m = argOr(vm, args, argc, 1, 0);
    if (!std::isnan(y) && std::trunc(y) >= 0 && std::trunc(y) <= 99)
        y = 1900 + std::trunc(y);
    return makeDate(makeDay(y, m, argOr(vm, args, argc, 2, 1)),
                    makeTime(argOr(vm, args, argc, 3, 0), argOr(vm, args, argc, 4, 0),
                             argOr(vm, args, argc, 5, 0), argOr(vm, args, argc, 6, 0)));
}

NATIVE(dateInit)
{
    DateObject *d = asDate(vm, self);
    if (argc == 0) {
        d->time = nowTime();
    } else if (argc == 1) {
        const Value v = args[0].obj() && args[0].o->kind == ObjKind::Date ? Value::number(static_cast<DateObject *>(args[0].o)->time)
                                                                          : vm.toPrimitive(args[0], Vm::Hint::None);
        d->time = v.isString() ? parseDate(vm, v.s->text()) : timeClip(vm.toNumber(v));
    } else {
        d->time = timeClip(utcFromLocal(vm.options.timeZone, fromFields(vm, args, argc)));
    }
    return Value();
}

Value dateCall(Vm &vm, const Value &, const Value *, int)
{
    return vm.sv(format(vm, nowTime(), Format::Full));
}

NATIVE(dateParse) { return Value::number(parseDate(vm, argString(vm, args, argc, 0, QStringLiteral("undefined")))); }
NATIVE(dateUTC)
{
    if (argc == 0)
        return Value::number(std::nan(""));
    return Value::number(timeClip(fromFields(vm, args, argc)));
}

// Getters: a field of local or UTC time.
enum Field { FYear, FMonth, FDate, FDay, FHours, FMinutes, FSeconds, FMs };

double field(Vm &vm, const Value &self, Field f, bool utc)
{
    const double t = asDate(vm, self)->time;
    if (std::isnan(t))
        return t;
    const double l = utc ? t : localTime(vm.options.timeZone, t);
    switch (f) {
    case FYear: return yearFromTime(l);
    case FMonth: return monthFromTime(l);
    case FDate: return dateFromTime(l);
    case FDay: return weekDay(l);
    case FHours: return hourFromTime(l);
    case FMinutes: return minFromTime(l);
    case FSeconds: return secFromTime(l);
    case FMs: return msFromTime(l);
    }
    return 0;
}

// Setters: replaces the fields from `first` on with the arguments given.
Value setFields(Vm &vm, const Value &self, const Value *args, int argc, Field first, bool utc)
{
    DateObject *d = asDate(vm, self);
    double t = d->time;
    if (std::isnan(t) && first != FYear) {
        return Value::number(t);
    }
    if (std::isnan(t))
        t = 0;
    const double l = utc ? t : localTime(vm.options.timeZone, t);
    double fields[7] = {yearFromTime(l), monthFromTime(l), dateFromTime(l), hourFromTime(l),
                        minFromTime(l), secFromTime(l), msFromTime(l)};
    if (std::isnan(d->time) && first == FYear) {
        fields[1] = 0;
        fields[2] = 1;
        fields[3] = fields[4] = fields[5] = fields[6] = 0;
    }
    const int start = first == FYear ? 0 : first == FMonth ? 1 : first == FDate ? 2 : first == FHours ? 3
                    : first == FMinutes ? 4 : first == FSeconds ? 5 : 6;
    const int maxArgs = first == FYear ? 3 : first == FMonth ? 2 : first == FDate ? 1 : first == FHours ? 4
                      : first == FMinutes ? 3 : first == FSeconds ? 2 : 1;
    for (int i = 0; i < maxArgs && start + i < 7; ++i) {
        if (i < argc)
            fields[start + i] = vm.toNumber(args[i]);
        else if (i == 0)
            fields[start] = std::nan("");
    }
    const double local = makeDate(makeDay(fields[0], fields[1], fields[2]),
                                  makeTime(fields[3], fields[4], fields[5], fields[6]));
    d->time = timeClip(utc ? local : utcFromLocal(vm.options.timeZone, local));
    return Value::number(d->time);
}

#define GETTER(name, f, utc) NATIVE(name) { return Value::number(field(vm, self, f, utc)); }
GETTER(getFullYear, FYear, false)
GETTER(getUTCFullYear, FYear, true)
GETTER(getMonth, FMonth, false)
GETTER(getUTCMonth, FMonth, true)
GETTER(getDate, FDate, false)
GETTER(getUTCDate, FDate, true)
GETTER(getDay, FDay, false)
GETTER(getUTCDay, FDay, true)
GETTER(getHours, FHours, false)
GETTER(getUTCHours, FHours, true)
GETTER(getMinutes, FMinutes, false)
GETTER(getUTCMinutes, FMinutes, true)
GETTER(getSeconds, FSeconds, false)
GETTER(getUTCSeconds, FSeconds, true)
GETTER(getMilliseconds, FMs, false)
GETTER(getUTCMilliseconds, FMs, true)

#define SETTER(name, f, utc) NATIVE(name) { return setFields(vm, self, args, argc, f, utc); }
SETTER(setFullYear, FYear, false)
SETTER(setUTCFullYear, FYear, true)
SETTER(setMonth, FMonth, false)
SETTER(setUTCMonth, FMonth, true)
SETTER(setDate, FDate, false)
SETTER(setUTCDate, FDate, true)
SETTER(setHours, FHours, false)
SETTER(setUTCHours, FHours, true)
SETTER(setMinutes, FMinutes, false)
SETTER(setUTCMinutes, FMinutes, true)
SETTER(setSeconds, FSeconds, false)
SETTER(setUTCSeconds, FSeconds, true)
SETTER(setMilliseconds, FMs, false)
SETTER(setUTCMilliseconds, FMs, true)

NATIVE(getTime) { return Value::number(asDate(vm, self)->time); }
NATIVE(setTime)
{
    DateObject *d = asDate(vm, self);
    d->time = timeClip(argNumber(vm, args, argc, 0, std::nan("")));
    return Value::number(d->time);
}
NATIVE(getTimezoneOffset)
{
    const double t = asDate(vm, self)->time;
    if (std::isnan(t))
        return Value::number(t);
    return Value::number(-localOffset(vm.options.timeZone, t) / 60000.0);
}

#define FORMATTER(name, f) NATIVE(name) { return vm.sv(format(vm, asDate(vm, self)->time, f)); }
FORMATTER(toStringFn, Format::Full)
FORMATTER(toDateString, Format::DateOnly)
FORMATTER(toTimeString, Format::TimeOnly)
FORMATTER(toLocaleString, Format::Locale)
FORMATTER(toLocaleDateString, Format::LocaleDate)
FORMATTER(toLocaleTimeString, Format::LocaleTime)
FORMATTER(toUTCString, Format::Utc)

} // namespace

void installDate(Vm &vm)
{
    ClassBuilder c(vm, QString(), QStringLiteral("Date"), vm.objectClass, false);
    c.alloc(allocDate, ObjKind::Date).init(dateInit).callAs(dateCall).finalClass();
    c.staticMethod(QStringLiteral("parse"), dateParse, 1).staticMethod(QStringLiteral("UTC"), dateUTC, 7);
    c.constant(QStringLiteral("length"), Value::integer(7));
    const struct {
        const char *name;
        NativeFn fn;
        int length;
    } methods[] = {
        {"getFullYear", getFullYear, 0}, {"getUTCFullYear", getUTCFullYear, 0}, {"getMonth", getMonth, 0},
        {"getUTCMonth", getUTCMonth, 0}, {"getDate", getDate, 0}, {"getUTCDate", getUTCDate, 0},
        {"getDay", getDay, 0}, {"getUTCDay", getUTCDay, 0}, {"getHours", getHours, 0},
        {"getUTCHours", getUTCHours, 0}, {"getMinutes", getMinutes, 0}, {"getUTCMinutes", getUTCMinutes, 0},
        {"getSeconds", getSeconds, 0}, {"getUTCSeconds", getUTCSeconds, 0},
        {"getMilliseconds", getMilliseconds, 0}, {"getUTCMilliseconds", getUTCMilliseconds, 0},
        {"setFullYear", setFullYear, 3}, {"setUTCFullYear", setUTCFullYear, 3}, {"setMonth", setMonth, 2},
        {"setUTCMonth", setUTCMonth, 2}, {"setDate", setDate, 1}, {"setUTCDate", setUTCDate, 1},
        {"setHours", setHours, 4}, {"setUTCHours", setUTCHours, 4}, {"setMinutes", setMinutes, 3},
        {"setUTCMinutes", setUTCMinutes, 3}, {"setSeconds", setSeconds, 2}, {"setUTCSeconds", setUTCSeconds, 2},
        {"setMilliseconds", setMilliseconds, 1}, {"setUTCMilliseconds", setUTCMilliseconds, 1},
        {"getTime", getTime, 0}, {"setTime", setTime, 1}, {"getTimezoneOffset", getTimezoneOffset, 0},
        {"valueOf", getTime, 0}, {"toString", toStringFn, 0}, {"toDateString", toDateString, 0},
        {"toTimeString", toTimeString, 0}, {"toLocaleString", toLocaleString, 0},
        {"toLocaleDateString", toLocaleDateString, 0}, {"toLocaleTimeString", toLocaleTimeString, 0},
        {"toUTCString", toUTCString, 0},
    };
    for (const auto &m : methods)
        c.method(QString::fromLatin1(m.name), m.fn, m.length);
    const struct {
        const char *name;
        NativeFn get;
        NativeFn set;
    } props[] = {
        {"fullYear", getFullYear, setFullYear}, {"fullYearUTC", getUTCFullYear, setUTCFullYear},
        {"month", getMonth, setMonth}, {"monthUTC", getUTCMonth, setUTCMonth}, {"date", getDate, setDate},
        {"dateUTC", getUTCDate, setUTCDate}, {"day", getDay, nullptr}, {"dayUTC", getUTCDay, nullptr},
        {"hours", getHours, setHours}, {"hoursUTC", getUTCHours, setUTCHours}, {"minutes", getMinutes, setMinutes},
        {"minutesUTC", getUTCMinutes, setUTCMinutes}, {"seconds", getSeconds, setSeconds},
        {"secondsUTC", getUTCSeconds, setUTCSeconds}, {"milliseconds", getMilliseconds, setMilliseconds},
        {"millisecondsUTC", getUTCMilliseconds, setUTCMilliseconds}, {"time", getTime, setTime},
        {"timezoneOffset", getTimezoneOffset, nullptr},
    };
    for (const auto &p : props) {
        c.getter(QString::fromLatin1(p.name), p.get);
        if (p.set)
            c.setter(QString::fromLatin1(p.name), p.set);
    }
    vm.dateClass = c;
}

} // namespace swf::avm2::builtins
