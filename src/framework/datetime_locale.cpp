// The date settings of the user's locale and the system clock: the only part of
// the date-time values that needs the platform.
#include "framework/datetime.h"

#ifdef _WIN32
#include "framework/cp1251.h"
#include "framework/win.h"
#else
#include <chrono>
#include <ctime>
#endif

#ifdef _WIN32
namespace {

std::string LocaleText(LCTYPE type, const std::string& fallback) {
    wchar_t buffer[128];
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
    if (n <= 1) return fallback;
    return WideToAnsi(std::wstring_view(buffer, n - 1));
}

// The locale's picture ("dd.MM.yyyy", "H:mm:ss tt") in the framework's notation:
// minutes become "n" in a time picture, "tt" the am/pm word; quoted text stays.
std::string FromLocalePicture(const std::string& picture, bool isTime) {
    std::string out;
    for (size_t i = 0; i < picture.size(); ++i) {
        const char c = picture[i];
        if (c == '\'') {
            const size_t end = picture.find('\'', i + 1);
            const size_t stop = end == std::string::npos ? picture.size() : end;
            out += '"';
            out += picture.substr(i + 1, stop - i - 1);
            out += '"';
            i = stop;
        } else if (isTime && (c == 'm' || c == 'M')) {
            out += 'n';
        } else if (isTime && (c == 't' || c == 'T')) {
            while (i + 1 < picture.size() && (picture[i + 1] == 't' || picture[i + 1] == 'T')) ++i;
            out += "ampm";
        } else if (isTime && c == 'H') {
            out += 'h';
        } else if (!isTime && c == 'M') {
            out += 'm';
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

TDateTime SystemClockNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateSettings LocaleDateSettings() {
    TDateSettings s;
    s.ShortDateFormat = FromLocalePicture(LocaleText(LOCALE_SSHORTDATE, "dd/MM/yyyy"), false);
    std::string longTime = LocaleText(LOCALE_STIMEFORMAT, "HH:mm:ss");
    s.LongTimeFormat = FromLocalePicture(longTime, true);
    // The short time is the long one without its seconds.
    std::string shortTime = s.LongTimeFormat;
    const size_t sec = shortTime.find('s');
    if (sec != std::string::npos) {
        size_t from = sec;
        while (from > 0 && shortTime[from - 1] != 'n' && shortTime[from - 1] != 'h') --from;
        size_t to = sec;
        while (to < shortTime.size() && (shortTime[to] == 's' || shortTime[to] == 'S')) ++to;
        shortTime.erase(from, to - from);
    }
    s.ShortTimeFormat = shortTime;
    const std::string dateSep = LocaleText(LOCALE_SDATE, "/");
    s.DateSeparator = dateSep.empty() ? '/' : dateSep[0];
    const std::string timeSep = LocaleText(LOCALE_STIME, ":");
    s.TimeSeparator = timeSep.empty() ? ':' : timeSep[0];
    s.TimeAMString = LocaleText(LOCALE_S1159, "AM");
    s.TimePMString = LocaleText(LOCALE_S2359, "PM");
    for (int i = 0; i < 12; ++i) {
        s.LongMonthNames[i] = LocaleText(LOCALE_SMONTHNAME1 + i, s.LongMonthNames[i]);
        s.ShortMonthNames[i] = LocaleText(LOCALE_SABBREVMONTHNAME1 + i, s.ShortMonthNames[i]);
    }
    // The locale counts the week from Monday; the settings from Sunday.
    for (int i = 0; i < 7; ++i) {
        const int fromMonday = (i + 6) % 7;
        s.LongDayNames[i] = LocaleText(LOCALE_SDAYNAME1 + fromMonday, s.LongDayNames[i]);
        s.ShortDayNames[i] = LocaleText(LOCALE_SABBREVDAYNAME1 + fromMonday, s.ShortDayNames[i]);
    }
    s.FarEast = GetSystemMetrics(SM_DBCSENABLED) != 0;
    s.Now = SystemClockNow;
    return s;
}

std::string SystemLongDate(TDateTime value) {
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    if (year < 1601) return {};
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
    const LCID locale = GetThreadLocale();
    const int n = GetDateFormatW(locale, DATE_LONGDATE, &st, nullptr, nullptr, 0);
    if (n <= 1) return {};
    std::wstring text(n, L'\0');
    const int written = GetDateFormatW(locale, DATE_LONGDATE, &st, nullptr, text.data(), n);
    if (written <= 1) return {};
    text.resize(written - 1);
    return WideToAnsi(text);
}

#else

TDateTime SystemClockNow() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&t, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, 0);
}

TDateSettings LocaleDateSettings() {
    TDateSettings s;
    s.Now = SystemClockNow;
    return s;
}

std::string SystemLongDate(TDateTime value) {
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    if (year < 1601) return {};
    return FormatDateTime("d mmmm yyyy", value);
}

#endif
