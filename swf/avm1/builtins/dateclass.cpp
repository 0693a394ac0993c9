// Date: a time value (milliseconds since 1970 UTC) kept in the object, read
// and written as local time (the embedder's time zone) or UTC, and shown
// in the Flash Player's own form ("Wed Dec 9 07:10:00 GMT+0000 2026").
// Unlike ECMAScript, the Flash Player keeps whatever the constructor and
// Date.UTC compute (fractions, infinities, years past ±275,000); only the
// setters clip to the ECMAScript range.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/lang/datemath.h"
#include "swf/runtime/player.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

using namespace swf::lang::datemath;

class DateObject final : public Object {
public:
    DateObject(Object *proto, double time) : Object(proto), time(time) {}
    ObjectClass objectClass() const override { return ObjectClass::Date; }

    double time;
};

DateObject *dateOf(const Value &self)
{
    return dynamic_cast<DateObject *>(self.asObject());
}

double now(Machine &m)
{
    if (const auto start = m.services().clockStartMs())
        return double(*start + m.player().timeMs());
    return double(QDateTime::currentMSecsSinceEpoch());
}

// The arguments the Flash Player reads: those before the first undefined.
int givenCount(const Args &args)
{
    int n = 0;
    while (n < args.size() && !args[n].isUndefined())
        ++n;
    return n;
}

// The day number of a year, month and date. The month folds into the year;
// a year or month that is not finite reads as 0, while such a date makes
// the day not finite.
double dayOf(double year, double month, double date)
{
    const double y = year + std::floor(month / 12);
    double mm = std::fmod(month, 12);
    if (mm < 0)
        mm += 12;
    const double whole = std::isfinite(y) ? std::trunc(y) : 0;
    return dayFromYear(whole) + daysBeforeMonth(whole, std::isfinite(mm) ? int(mm) : 0) +
           std::trunc(date) - 1;
}

double timeOf(double h, double min, double s, double ms)
{
    return std::trunc(h) * 3600000.0 + std::trunc(min) * 60000.0 + std::trunc(s) * 1000.0 +
           std::trunc(ms);
}

// A time value from the fields year, month, date, hours, minutes, seconds
// and milliseconds.
double fromFields(const double fields[7])
{
    return dayOf(fields[0], fields[1], fields[2]) * kMsPerDay +
           timeOf(fields[3], fields[4], fields[5], fields[6]);
}

double clipped(double t)
{
    if (!std::isfinite(t) || std::fabs(t) > 8.64e15)
        return std::nan("");
    return std::trunc(t) + 0.0;
}

// The constructor's and Date.UTC's fields, as many as given: years before
// 100 count from 1900 (negative ones too), the date defaults to 1.
void readFields(Machine &m, const Args &args, int count, double fields[7])
{
    const double defaults[7] = {0, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < 7; ++i)
        fields[i] = i < count ? m.toNumber(args[i]) : defaults[i];
    if (fields[0] < 100)
        fields[0] += 1900;
    fields[1] = std::trunc(fields[1]);
}

enum Field { Year, Month, Date, Hours, Minutes, Seconds, Milliseconds, Day };

// The fields of a time value as the Flash Player reads them, in local time
// or UTC. Milliseconds drop their fraction toward zero and the hours are
// what is left of the time after the smaller fields, so a time a fraction
// before midnight reads as hour 0; a time that is not finite reads as
// Sunday 1 January 1970.
struct Fields {
    double at[8];
    double operator[](Field f) const { return at[f]; }
};

Fields fieldsOf(Machine &m, double t, bool utc)
{
    if (std::isinf(t))
        return {{1970, 0, 1, 0, 0, 0, 0, 0}};
    const double l = utc ? t : localTime(m.services().timeZone(), t);
    double ms = std::trunc(std::fmod(l, 1000));
    if (ms < 0)
        ms += 1000;
    const double seconds = secFromTime(l);
    const double minutes = minFromTime(l);
    double hours = std::fmod(std::trunc((l - ms - seconds * 1000 - minutes * 60000) / 3600000), 24);
    if (hours < 0)
        hours += 24;
    return {{yearFromTime(l), monthFromTime(l), dateFromTime(l), hours + 0.0, minutes, seconds,
             ms + 0.0, weekDay(l)}};
}

QString two(double v)
{
    return QStringLiteral("%1").arg(int(v), 2, 10, QLatin1Char('0'));
}

QString dateString(Machine &m, double t)
{
    if (std::isnan(t))
        return QStringLiteral("Invalid Date");
    static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const double offset = std::isinf(t) ? 0 : localOffset(m.services().timeZone(), t);
    const Fields f = fieldsOf(m, t, false);
    const int minutes = int(std::lround(offset / 60000.0));
    const QLatin1Char space(' ');
    const QLatin1Char colon(':');
    return QLatin1String(days[int(f[Day])]) + space + QLatin1String(months[int(f[Month])]) + space +
           Machine::numberToString(f[Date]) + space + two(f[Hours]) + colon + two(f[Minutes]) +
           colon + two(f[Seconds]) + QStringLiteral(" GMT") + QLatin1Char(minutes < 0 ? '-' : '+') +
           two(std::abs(minutes) / 60) + two(std::abs(minutes) % 60) + space +
           Machine::numberToString(f[Year]);
}

Value call(Machine &m, const Value &, const Args &)
{
    return Value(dateString(m, now(m)));
}

Value construct(Machine &m, const Value &, const Args &args)
{
    const int count = givenCount(args);
    double t = 0;
    if (count == 0) {
        t = now(m);
    } else if (count == 1) {
        t = m.toNumber(args[0]);
    } else {
        double fields[7];
        readFields(m, args, count, fields);
        t = utcFromLocal(m.services().timeZone(), fromFields(fields));
    }
    auto *date = m.heap().make<DateObject>(m.protos().date, t);
    // __constructor__ shows from version 6, constructor before version 7.
    const Value constructor(m.protos().dateClass);
    m.defineValue(date, m.names().constructor2.text(), constructor,
                  PropertyFlag::DontEnum | (m.version() < 6 ? PropertyFlag::OnlySwf6 : 0));
    if (m.version() < 7)
        m.defineValue(date, m.names().constructor.text(), constructor);
    return Value(date);
}

Value utc(Machine &m, const Value &, const Args &args)
{
    const int count = givenCount(args);
    double fields[7];
    readFields(m, args, count, fields);
    if (count < 2)
        return Value();
    return Value(fromFields(fields));
}

Value getField(Machine &m, const Value &self, Field field, bool utc)
{
    const DateObject *date = dateOf(self);
    if (!date)
        return Value();
    if (std::isnan(date->time))
        return Value(date->time);
    return Value(fieldsOf(m, date->time, utc)[field]);
}

// A setter: replaces the fields from `first` on, as many as the setter
// takes and the call gives. A date that is not a time stays so. setYear
// reads years 0 to 99 from 1900; a month that is not a number is January.
Value setFields(Machine &m, const Value &self, const Args &args, Field first, int most, bool utc,
                bool shortYear = false)
{
    DateObject *date = dateOf(self);
    if (!date)
        return Value();
    const int count = qMax(1, qMin(givenCount(args), most));
    double given[4];
    for (int i = 0; i < count; ++i)
        given[i] = args[i].isUndefined() ? std::nan("") : m.toNumber(args[i]);
    if (std::isnan(date->time))
        return Value(date->time);
    const Fields old = fieldsOf(m, date->time, utc);
    double fields[7];
    std::copy(old.at, old.at + 7, fields);
    for (int i = 0; i < count; ++i)
        fields[first + i] = given[i];
    if (shortYear && fields[Year] >= 0 && fields[Year] < 100)
        fields[Year] += 1900;
    if (std::isnan(fields[Month]))
        fields[Month] = 0;
    fields[Month] = std::trunc(fields[Month]);
    const double t = fromFields(fields);
    date->time = clipped(utc ? t : utcFromLocal(m.services().timeZone(), t));
    return Value(date->time);
}

#define DATE_GETTER(name, field, utc)                                                              \
    Value name(Machine &m, const Value &self, const Args &)                                        \
    {                                                                                              \
        return getField(m, self, field, utc);                                                      \
    }
DATE_GETTER(getFullYear, Year, false)
DATE_GETTER(getUTCFullYear, Year, true)
DATE_GETTER(getMonth, Month, false)
DATE_GETTER(getUTCMonth, Month, true)
DATE_GETTER(getDate, Date, false)
DATE_GETTER(getUTCDate, Date, true)
DATE_GETTER(getDay, Day, false)
DATE_GETTER(getUTCDay, Day, true)
DATE_GETTER(getHours, Hours, false)
DATE_GETTER(getUTCHours, Hours, true)
DATE_GETTER(getMinutes, Minutes, false)
DATE_GETTER(getUTCMinutes, Minutes, true)
DATE_GETTER(getSeconds, Seconds, false)
DATE_GETTER(getUTCSeconds, Seconds, true)
DATE_GETTER(getMilliseconds, Milliseconds, false)
DATE_GETTER(getUTCMilliseconds, Milliseconds, true)
#undef DATE_GETTER

#define DATE_SETTER(name, field, most, utc)                                                        \
    Value name(Machine &m, const Value &self, const Args &args)                                    \
    {                                                                                              \
        return setFields(m, self, args, field, most, utc);                                         \
    }
DATE_SETTER(setFullYear, Year, 3, false)
DATE_SETTER(setUTCFullYear, Year, 3, true)
DATE_SETTER(setMonth, Month, 2, false)
DATE_SETTER(setUTCMonth, Month, 2, true)
DATE_SETTER(setDate, Date, 1, false)
DATE_SETTER(setUTCDate, Date, 1, true)
DATE_SETTER(setHours, Hours, 4, false)
DATE_SETTER(setUTCHours, Hours, 4, true)
DATE_SETTER(setMinutes, Minutes, 3, false)
DATE_SETTER(setUTCMinutes, Minutes, 3, true)
DATE_SETTER(setSeconds, Seconds, 2, false)
DATE_SETTER(setUTCSeconds, Seconds, 2, true)
DATE_SETTER(setMilliseconds, Milliseconds, 1, false)
DATE_SETTER(setUTCMilliseconds, Milliseconds, 1, true)
#undef DATE_SETTER

Value getYear(Machine &m, const Value &self, const Args &args)
{
    const Value year = getFullYear(m, self, args);
    return year.isNumber() ? Value(year.number() - 1900) : year;
}

Value getUTCYear(Machine &m, const Value &self, const Args &args)
{
    const Value year = getUTCFullYear(m, self, args);
    return year.isNumber() ? Value(year.number() - 1900) : year;
}

Value setYear(Machine &m, const Value &self, const Args &args)
{
    return setFields(m, self, args, Year, 3, false, true);
}

Value getTime(Machine &, const Value &self, const Args &)
{
    const DateObject *date = dateOf(self);
    return date ? Value(date->time) : Value();
}

Value setTime(Machine &m, const Value &self, const Args &args)
{
    DateObject *date = dateOf(self);
    if (!date)
        return Value();
    date->time = clipped(args[0].isUndefined() ? std::nan("") : m.toNumber(args[0]));
    return Value(date->time);
}

Value getTimezoneOffset(Machine &m, const Value &self, const Args &)
{
    const DateObject *date = dateOf(self);
    if (!date)
        return Value();
    if (std::isnan(date->time))
        return Value(date->time);
    const double t = std::isinf(date->time) ? 0 : date->time;
    return Value(-localOffset(m.services().timeZone(), t) / 60000.0);
}

Value toString(Machine &m, const Value &self, const Args &)
{
    const DateObject *date = dateOf(self);
    return date ? Value(dateString(m, date->time)) : Value();
}

} // namespace

void installDateClass(Machine &m)
{
    Object *proto = m.newObject();
    m.protos().date = proto;
    FunctionObject *date = m.defineClass(QStringLiteral("Date"), proto, call, construct);
    m.protos().dateClass = date;
    const quint32 method = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    const quint32 constant = method | PropertyFlag::ReadOnly;
    m.defineValue(date, QStringLiteral("prototype"), Value(proto), constant);
    m.defineValue(proto, QStringLiteral("constructor"), Value(date), method);
    m.defineValue(date, QStringLiteral("UTC"), Value(m.newNative(utc)), constant);
    const struct {
        const char *name;
        NativeFunction call;
    } methods[] = {
        {"getDate", getDate},
        {"getDay", getDay},
        {"getFullYear", getFullYear},
        {"getHours", getHours},
        {"getMilliseconds", getMilliseconds},
        {"getMinutes", getMinutes},
        {"getMonth", getMonth},
        {"getSeconds", getSeconds},
        {"getTimezoneOffset", getTimezoneOffset},
        {"getUTCDate", getUTCDate},
        {"getUTCDay", getUTCDay},
        {"getUTCFullYear", getUTCFullYear},
        {"getUTCHours", getUTCHours},
        {"getUTCMilliseconds", getUTCMilliseconds},
        {"getUTCMinutes", getUTCMinutes},
        {"getUTCMonth", getUTCMonth},
        {"getUTCSeconds", getUTCSeconds},
        {"getUTCYear", getUTCYear},
        {"getYear", getYear},
        {"setDate", setDate},
        {"setFullYear", setFullYear},
        {"setHours", setHours},
        {"setMilliseconds", setMilliseconds},
        {"setMinutes", setMinutes},
        {"setMonth", setMonth},
        {"setSeconds", setSeconds},
        {"setTime", setTime},
        {"setUTCDate", setUTCDate},
        {"setUTCFullYear", setUTCFullYear},
        {"setUTCHours", setUTCHours},
        {"setUTCMilliseconds", setUTCMilliseconds},
        {"setUTCMinutes", setUTCMinutes},
        {"setUTCMonth", setUTCMonth},
        {"setUTCSeconds", setUTCSeconds},
        {"setYear", setYear},
        {"toString", toString},
    };
    for (const auto &entry : methods)
        m.defineValue(proto, QString::fromLatin1(entry.name), Value(m.newNative(entry.call)),
                      method);
    // valueOf is getTime itself.
    const Value time(m.newNative(getTime));
    m.defineValue(proto, QStringLiteral("getTime"), time, method);
    m.defineValue(proto, QStringLiteral("valueOf"), time, method);
    protectProperties(date);
}

} // namespace swf::avm1
