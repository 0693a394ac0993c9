// Calendar arithmetic on time values (milliseconds since 1970 UTC), as
// ECMAScript defines it, and the local time of a time zone.
#pragma once

#include <QTimeZone>

namespace swf::lang::datemath {

constexpr double kMsPerDay = 86400000.0;

double day(double t);
double timeWithinDay(double t);
double daysInYear(double y);
double dayFromYear(double y);
double timeFromYear(double y);
double yearFromTime(double t);
bool inLeapYear(double t);
double monthFromTime(double t);
double dateFromTime(double t);
double weekDay(double t);
double hourFromTime(double t);
double minFromTime(double t);
double secFromTime(double t);
double msFromTime(double t);
double makeTime(double h, double m, double s, double ms);
double makeDay(double year, double month, double date);
// Days from 1 January of an integral `year` to the first of `month` (0-11).
double daysBeforeMonth(double year, int month);
double makeDate(double day, double time);
double timeClip(double t);

// The offset of local time from UTC at a UTC time, daylight saving
// included. Years the zone database does not describe well take the rules
// of an equivalent year, as the Flash Player does on its platforms.
double localOffset(const QTimeZone &zone, double utc);
double localTime(const QTimeZone &zone, double utc);
double utcFromLocal(const QTimeZone &zone, double local);

} // namespace swf::lang::datemath
