#include "framework/datetime.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "framework/sysutils.h"

namespace {

// Day numbers: 1 January of the year 1 is -693593, 31 December 9999 is 2958465.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;
constexpr int kDayOffset = 693594;
constexpr int64_t kMSecsPerDay = 86400000;

std::unique_ptr<TDateSettings>& SettingsSlot() {
    static std::unique_ptr<TDateSettings> slot;
    return slot;
}

// Whole days of a value, or EConvertError when it lies outside the calendar.
int WholeDays(TDateTime value) {
    if (!(value > kFirstDay - 1.0 && value < kLastDay + 1.0))
        throw EConvertError(Format("%g is not a valid date value", value));
    return static_cast<int>(std::trunc(value));
}

int64_t MSecsOfDay(TDateTime value) {
    if (!std::isfinite(value)) throw EConvertError("Invalid time value");
    const double fraction = std::fabs(value - std::trunc(value));
    int64_t ms = static_cast<int64_t>(fraction * kMSecsPerDay + 0.5);
    return ms >= kMSecsPerDay ? kMSecsPerDay - 1 : ms;
}

std::string Digits(int value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
    return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(text[pos + i]) != word[i]) return false;
    return true;
}

void AppendFormatted(std::string& out, std::string_view format, TDateTime value, int depth);

// A time part shown on a 12-hour clock when the format carries an am/pm word.
bool UsesTwelveHours(std::string_view format) {
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            const size_t end = format.find(c, i + 1);
            if (end == std::string_view::npos) return false;
            i = end;
        } else if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
                   StartsWithNoCase(format, i, "ampm")) {
            return true;
        }
    }
    return false;
}

void AppendFormatted(std::string& out, std::string_view format, TDateTime value, int depth) {
    // The settings' own formats may name one another; two levels are all they need.
    if (depth > 2) return;
    const TDateSettings& s = DateSettings();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    bool dateDecoded = false;
    auto date = [&] {
        if (!dateDecoded) DecodeDate(value, year, month, day);
        dateDecoded = true;
    };
    DecodeTime(value, hour, minute, second, msec);
    const bool twelve = UsesTwelveHours(format);
    bool afterHour = false;

    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        const char lc = Lower(c);
        size_t run = 1;
        while (i + run < format.size() && Lower(format[i + run]) == lc) ++run;
        switch (lc) {
            case 'd': {
                date();
                if (run == 1) out += std::to_string(day);
                else if (run == 2) out += Digits(day, 2);
                else if (run == 3) out += s.ShortDayNames[DayOfWeek(value) - 1];
                else if (run == 4) out += s.LongDayNames[DayOfWeek(value) - 1];
                else AppendFormatted(out, s.ShortDateFormat, value, depth + 1);
                afterHour = false;
                i += run;
                break;
            }
            case 'm': {
                if (afterHour && run <= 2) {
                    out += run == 1 ? std::to_string(minute) : Digits(minute, 2);
                } else {
                    date();
                    if (run == 1) out += std::to_string(month);
                    else if (run == 2) out += Digits(month, 2);
                    else if (run == 3) out += s.ShortMonthNames[month - 1];
                    else out += s.LongMonthNames[month - 1];
                }
                afterHour = false;
                i += run;
                break;
            }
            case 'y':
                date();
                out += run <= 2 ? Digits(year % 100, 2) : Digits(year, 4);
                afterHour = false;
                i += run;
                break;
            case 'h': {
                int h = hour;
                if (twelve) {
                    h %= 12;
                    if (h == 0) h = 12;
                }
                out += run == 1 ? std::to_string(h) : Digits(h, 2);
                afterHour = true;
                i += run;
                break;
            }
            case 'n':
                out += run == 1 ? std::to_string(minute) : Digits(minute, 2);
                afterHour = false;
                i += run;
                break;
            case 's':
                out += run == 1 ? std::to_string(second) : Digits(second, 2);
                afterHour = false;
                i += run;
                break;
            case 'z':
                out += run < 3 ? std::to_string(msec) : Digits(msec, 3);
                afterHour = false;
                i += run;
                break;
            case 't':
                AppendFormatted(out, run == 1 ? s.ShortTimeFormat : s.LongTimeFormat, value, depth + 1);
                afterHour = false;
                i += run;
                break;
            case 'c':
                AppendFormatted(out, s.ShortDateFormat, value, depth + 1);
                if (MSecsOfDay(value) != 0) {
                    out += ' ';
                    AppendFormatted(out, s.LongTimeFormat, value, depth + 1);
                }
                afterHour = false;
                i += 1;
                break;
            case 'a':
                if (StartsWithNoCase(format, i, "am/pm")) {
                    out += hour < 12 ? format.substr(i, 2) : format.substr(i + 3, 2);
                    i += 5;
                } else if (StartsWithNoCase(format, i, "a/p")) {
                    out += hour < 12 ? format[i] : format[i + 2];
                    i += 3;
                } else if (StartsWithNoCase(format, i, "ampm")) {
                    out += hour < 12 ? s.TimeAMString : s.TimePMString;
                    i += 4;
                } else {
                    out += c;
                    i += 1;
                }
                break;
            case '/':
                out += s.DateSeparator;
                i += 1;
                break;
            case ':':
                out += s.TimeSeparator;
                i += 1;
                break;
            case '"':
            case '\'': {
                const size_t end = format.find(c, i + 1);
                const size_t stop = end == std::string_view::npos ? format.size() : end;
                out += format.substr(i + 1, stop - i - 1);
                i = stop + 1;
                break;
            }
            default:
                out += c;
                i += 1;
                break;
        }
    }
}

}  // namespace

const TDateSettings& DateSettings() {
    auto& slot = SettingsSlot();
    if (!slot) slot = std::make_unique<TDateSettings>(LocaleDateSettings());
    return *slot;
}

TDateSettings SetDateSettings(TDateSettings settings) {
    TDateSettings previous = DateSettings();
    SettingsSlot() = std::make_unique<TDateSettings>(std::move(settings));
    return previous;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    int dayOfYear = day;
    for (int m = 1; m < month; ++m) dayOfYear += DaysInMonth(year, m);
    const int y = year - 1;
    value = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - kDayOffset);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value))
        throw EConvertError(Format("Invalid date %d-%d-%d", year, month, day));
    return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        throw EConvertError(Format("Invalid time %d:%d:%d.%d", hour, minute, second, msec));
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / kMSecsPerDay;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    int n = WholeDays(value) + kDayOffset - 1;  // days since 1 January of the year 1
    const int n400 = n / 146097;
    n %= 146097;
    int n100 = n / 36524;
    if (n100 == 4) n100 = 3;  // 31 December of a 400th year
    n -= n100 * 36524;
    const int n4 = n / 1461;
    n %= 1461;
    int n1 = n / 365;
    if (n1 == 4) n1 = 3;
    n -= n1 * 365;
    year = n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1;
    month = 1;
    while (n >= DaysInMonth(year, month)) {
        n -= DaysInMonth(year, month);
        ++month;
    }
    day = n + 1;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
    int64_t ms = MSecsOfDay(value);
    hour = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    minute = static_cast<int>(ms / 60000);
    ms %= 60000;
    second = static_cast<int>(ms / 1000);
    msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value) {
    const int days = WholeDays(value);
    return ((days % 7) + 7 + 6) % 7 + 1;
}

TDateTime Now() {
    const TDateSettings& s = DateSettings();
    return s.Now ? s.Now() : SystemClockNow();
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
    const TDateTime now = Now();
    return now - std::trunc(now);
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
    std::string out;
    AppendFormatted(out, format.empty() ? std::string_view("c") : format, value, 0);
    return out;
}

std::string DateToStr(TDateTime value) { return FormatDateTime(DateSettings().ShortDateFormat, value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime(DateSettings().LongTimeFormat, value); }
std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }
