// Calendar arithmetic, date parsing and formatting over the framework's date-time
// values. Everything that depends on today or on the locale reads the framework's
// date settings, so it follows whatever settings are in force.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/datetime.h"

// The date-time value standing for an absent date.
constexpr TDateTime NullDate = 0;
// The window for expanding two-digit years: a year is taken from
// (current year - CenturyOffset) up to 99 years after.
extern uint8_t CenturyOffset;
// Whether the short date format in force at start-up shows four-digit years.
extern bool FourDigitYear;

enum TDateOrder { doMDY, doDMY, doYMD };
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
using TDaysOfWeek = unsigned;  // bit (1 << TDayOfWeekName) per day

// IsLeapYear comes with the framework's date-time values.
int DaysPerMonth(int year, int month);
TDateTime FirstDayOfNextMonth();
TDateTime FirstDayOfPrevMonth();
TDateTime LastDayOfPrevMonth();
int ExtractDay(TDateTime date);
int ExtractMonth(TDateTime date);
int ExtractYear(TDateTime date);

// Raise EConvertError when the result lies outside the years 1..9999.
TDateTime IncDate(TDateTime date, int days, int months, int years);
TDateTime IncDay(TDateTime date, int delta);
TDateTime IncMonth(TDateTime date, int delta);
TDateTime IncYear(TDateTime date, int delta);

// Calendar difference between two dates in either order.
void DateDiff(TDateTime date1, TDateTime date2, int& days, int& months, int& years);
double MonthsBetween(TDateTime date1, TDateTime date2);
bool ValidDate(TDateTime date);
// 0 unless both dates are valid; otherwise both ends counted.
int64_t DaysInPeriod(TDateTime date1, TDateTime date2);
// Days from date2 to date1 with both ends counted, never below 0.
int64_t DaysBetween(TDateTime date1, TDateTime date2);

TDateTime IncTime(TDateTime time, int hours, int minutes, int seconds, int msecs);
TDateTime IncHour(TDateTime time, int delta);
TDateTime IncMinute(TDateTime time, int delta);
TDateTime IncSecond(TDateTime time, int delta);
TDateTime IncMSec(TDateTime time, int delta);
TDateTime CutTime(TDateTime date);
int CurrentYear();

TDateOrder GetDateOrder(std::string_view dateFormat);
// 1..12 for the first long month name whose first maxLen characters equal the
// text's, ignoring case; 0 when none matches.
int MonthFromName(std::string_view text, int maxLen);
// Raises EConvertError "'text' is not a valid date".
TDateTime StrToDateFmt(std::string_view dateFormat, std::string_view text);
TDateTime StrToDateDef(std::string_view text, TDateTime defaultDate);
TDateTime StrToDateFmtDef(std::string_view dateFormat, std::string_view text, TDateTime defaultDate);
std::string DefDateFormat(bool fourDigitYear);
std::string DefDateMask(char blanksChar, bool fourDigitYear);

std::string FormatLongDate(TDateTime value);
std::string FormatLongDateTime(TDateTime value);
