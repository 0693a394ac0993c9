#include "swf/lang/datemath.h"

#include <QDateTime>

#include <cmath>

namespace swf::lang::datemath {

double day(double t) { return std::floor(t / kMsPerDay); }
double timeWithinDay(double t)
{
    const double r = std::fmod(t, kMsPerDay);
    return r < 0 ? r + kMsPerDay : r;
}
double daysInYear(double y)
{
    if (std::fmod(y, 4) != 0) return 365;
    if (std::fmod(y, 100) != 0) return 366;
    if (std::fmod(y, 400) != 0) return 365;
    return 366;
}
double dayFromYear(double y)
{
    return 365 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) + std::floor((y - 1601) / 400);
}
double timeFromYear(double y) { return kMsPerDay * dayFromYear(y); }
double yearFromTime(double t)
{
    // The estimate is within a year or two; far beyond any calendar the
    // steps no longer change a year, so their number is bounded.
    double y = std::floor(t / (kMsPerDay * 365.2425)) + 1970;
    for (int i = 0; i < 4 && timeFromYear(y) > t; ++i)
        --y;
    for (int i = 0; i < 4 && timeFromYear(y + 1) <= t; ++i)
        ++y;
    return y;
}
bool inLeapYear(double t) { return daysInYear(yearFromTime(t)) == 366; }

static double dayWithinYear(double t) { return day(t) - dayFromYear(yearFromTime(t)); }

static const int kMonthStart[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

double monthFromTime(double t)
{
    const double d = dayWithinYear(t);
    const int leap = inLeapYear(t) ? 1 : 0;
    for (int m = 0; m < 12; ++m) {
        if (d < kMonthStart[leap][m + 1])
            return m;
    }
    return 11;
}
double dateFromTime(double t)
{
    const int leap = inLeapYear(t) ? 1 : 0;
    return dayWithinYear(t) - kMonthStart[leap][int(monthFromTime(t))] + 1;
}
double weekDay(double t)
{
    const double r = std::fmod(day(t) + 4, 7);
    return r < 0 ? r + 7 : r;
}
static double posMod(double a, double b)
{
    const double r = std::fmod(a, b);
    return r < 0 ? r + b : r;
}
double hourFromTime(double t) { return posMod(std::floor(t / 3600000.0), 24); }
double minFromTime(double t) { return posMod(std::floor(t / 60000.0), 60); }
double secFromTime(double t) { return posMod(std::floor(t / 1000.0), 60); }
double msFromTime(double t) { return posMod(t, 1000); }

static double toInteger(double d) { return std::isnan(d) ? 0 : std::trunc(d); }

double makeTime(double h, double m, double s, double ms)
{
    if (!std::isfinite(h) || !std::isfinite(m) || !std::isfinite(s) || !std::isfinite(ms))
        return std::nan("");
    return toInteger(h) * 3600000.0 + toInteger(m) * 60000.0 + toInteger(s) * 1000.0 + toInteger(ms);
}
double makeDay(double year, double month, double date)
{
    if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date))
        return std::nan("");
    year = toInteger(year);
    month = toInteger(month);
    date = toInteger(date);
    const double y = year + std::floor(month / 12);
    const double m = posMod(month, 12);
    if (std::fabs(y) > 400000)
        return std::nan("");
    return dayFromYear(y) + daysBeforeMonth(y, int(m)) + date - 1;
}
double daysBeforeMonth(double year, int month)
{
    return kMonthStart[daysInYear(year) == 366 ? 1 : 0][qBound(0, month, 11)];
}
double makeDate(double d, double time)
{
    if (!std::isfinite(d) || !std::isfinite(time))
        return std::nan("");
    return d * kMsPerDay + time;
}
double timeClip(double t)
{
    if (!std::isfinite(t) || std::fabs(t) > 8.64e15)
        return std::nan("");
    return toInteger(t) + 0.0;
}

// The Flash Player applies today's daylight-saving rules to every year (the
// corpus shows March 1998 on the rules of 2007 on): map a year onto one of
// the current rules with the same length and weekday of 1 January.
static double equivalentYear(double y)
{
    if (y >= 2008 && y <= 2037)
        return y;
    const bool leap = daysInYear(y) == 366;
    const double wd = weekDay(timeFromYear(y));
    const double from = 2008, to = 2037;
    for (double c = from; c <= to; ++c) {
        if ((daysInYear(c) == 366) == leap && weekDay(timeFromYear(c)) == wd)
            return c;
    }
    return 2020;
}

double localOffset(const QTimeZone &zone, double utc)
{
    if (!std::isfinite(utc))
        return 0;
    if (!zone.isValid())
        return 0;
    const double y = yearFromTime(utc);
    const double mapped = utc + (timeFromYear(equivalentYear(y)) - timeFromYear(y));
    // Times too far out to map keep the zone's standard offset.
    if (!(std::fabs(mapped) < 8.64e15))
        return zone.standardTimeOffset(QDateTime::currentDateTimeUtc()) * 1000.0;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(qint64(mapped), QTimeZone::utc());
    return zone.offsetFromUtc(at) * 1000.0;
}

double localTime(const QTimeZone &zone, double utc)
{
    return utc + localOffset(zone, utc);
}

double utcFromLocal(const QTimeZone &zone, double local)
{
    if (!std::isfinite(local))
        return local;
    const double std0 = zone.isValid() ? zone.standardTimeOffset(QDateTime::currentDateTimeUtc()) * 1000.0 : 0;
    return local - localOffset(zone, local - std0);
}

} // namespace swf::lang::datemath
