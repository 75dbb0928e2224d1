// Date-time values: whole days since 30 December 1899 plus the fraction of the
// day (0.25 is 6:00). Negative values count back from that day; their fraction
// still runs forward in the day (-1.25 is 29 December 1899, 6:00).
//
// Everything that depends on the user's locale or the clock (today, the short
// date format, the date separator, month names, the long time format) comes from
// one replaceable TDateSettings, read from the user's locale on first use, so
// tests can pin the year and the date order.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

using TDateTime = double;

struct TDateSettings {
    // Framework notation: d, m, y, h, n (minutes), s, z, t, am/pm; "/" stands for
    // the date separator and ":" for the time separator; text in quotes is copied.
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string ShortTimeFormat = "hh:nn";
    char DateSeparator = '.';
    char TimeSeparator = ':';
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    // Code page 1251, January first.
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
    // Sunday first.
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    // A Far-East system (double-byte characters): dates may carry a day name
    // or a time-of-day designator after them.
    bool FarEast = false;
    // The local date and time; empty means the system clock.
    std::function<TDateTime()> Now;
};

// The settings in force (the user's locale unless replaced).
const TDateSettings& DateSettings();
// Puts new settings in force and returns the previous ones.
TDateSettings SetDateSettings(TDateSettings settings);
// The user's locale and the system clock (defaults where the platform has no locale).
TDateSettings LocaleDateSettings();

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Raises EConvertError unless year 1..9999, month 1..12 and the day exist.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// Raise EConvertError for values outside the years 1..9999 and for NaN.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 for Sunday .. 7 for Saturday.
int DayOfWeek(TDateTime value);

// The local date and time of the system clock, whatever the settings say.
TDateTime SystemClockNow();
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Formats by the framework notation above with the settings in force.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);

// The system's long date of the thread locale (code page 1251); empty before 1601,
// which the system cannot format.
std::string SystemLongDate(TDateTime value);
