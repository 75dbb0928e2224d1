#include "util/dateutil.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "framework/sysutils.h"
#include "util/strutils.h"

uint8_t CenturyOffset = 60;
bool FourDigitYear = UpperCase(DateSettings().ShortDateFormat).find("YYYY") != std::string::npos;

namespace {

// Whole days of a value; values no calendar reaches cannot become integers.
int64_t WholeDays(TDateTime value) {
    if (!(std::fabs(value) < 1e15)) throw EConvertError(Format("%g is not a valid date value", value));
    return static_cast<int64_t>(std::trunc(value));
}

[[noreturn]] void RaiseInvalidDate(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
}

int ExpandYear(int year) {
    // Only a real two-digit year: -1 marks a missing year and must stay invalid.
    if (year < 0 || year >= 100) return year;
    const int pivot = CurrentYear() - CenturyOffset;
    year += (pivot / 100) * 100;
    if (CenturyOffset != 0 && year < pivot) year += 100;
    return year;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The characters of the text under the format's run of `run`'s letter, blanks left
// out, at most 20; false when the format has no such run.
bool PicturePart(const std::string& format, std::string_view text, std::string_view run, std::string& part) {
    const size_t start = format.find(run);
    if (start == std::string::npos) return false;
    for (size_t p = start; p < format.size() && format[p] == run[0] && part.size() < 20; ++p)
        if (p < text.size() && text[p] != ' ') part += text[p];
    return true;
}

// A picture part as a number: -1 when empty or not all digits.
int PictureNumber(const std::string& part) {
    if (part.empty() || part.size() > 9) return -1;
    int value = 0;
    for (char c : part) {
        if (!IsDigit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool ParseByPicture(std::string_view dateFormat, std::string_view text, TDateTime& date) {
    if (text.size() > dateFormat.size()) return false;
    const std::string format = UpperCase(dateFormat);
    std::string part;
    int month = 0;
    if (PicturePart(format, text, "MMM", part)) month = MonthFromName(part, static_cast<int>(part.size()));
    if (month == 0) {
        part.clear();
        month = PicturePart(format, text, "M", part) ? PictureNumber(part) : -1;
    }
    part.clear();
    const int day = PicturePart(format, text, "D", part) ? PictureNumber(part) : 1;
    part.clear();
    int year = PicturePart(format, text, "Y", part) ? PictureNumber(part) : CurrentYear();
    year = ExpandYear(year);
    return TryEncodeDate(year, month, day, date);
}

class DateScanner {
public:
    explicit DateScanner(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }
    void SkipNonDigits() {
        while (pos_ < text_.size() && !IsDigit(text_[pos_])) ++pos_;
    }
    bool Number(int& value) {
        SkipBlanks();
        if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return false;
        value = 0;
        while (pos_ < text_.size() && IsDigit(text_[pos_]) && value < 1000) value = value * 10 + (text_[pos_++] - '0');
        return true;
    }
    bool Char(char c) {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    // Skips the first of `words` that the text goes on with (ignoring case).
    template <class Words>
    void SkipWord(const Words& words) {
        SkipBlanks();
        for (const std::string& word : words) {
            if (word.empty() || text_.size() - pos_ < word.size()) continue;
            if (AnsiCompareText(text_.substr(pos_, word.size()), word) == 0) {
                pos_ += word.size();
                break;
            }
        }
        SkipBlanks();
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool ParseByScanning(std::string_view dateFormat, std::string_view text, TDateTime& date) {
    const TDateSettings& settings = DateSettings();
    const char sep = settings.DateSeparator;
    DateScanner scan(text);
    if (!settings.ShortDateFormat.empty() && (settings.ShortDateFormat[0] == 'g' || settings.ShortDateFormat[0] == 'G'))
        scan.SkipNonDigits();
    int n1 = 0, n2 = 0, n3 = 0;
    if (!scan.Number(n1) || !scan.Char(sep) || !scan.Number(n2)) return false;
    int year = 0, month = 0, day = 0;
    const TDateOrder order = GetDateOrder(dateFormat);
    if (scan.Char(sep)) {
        if (!scan.Number(n3)) return false;
        switch (order) {
            case doMDY: month = n1, day = n2, year = n3; break;
            case doDMY: day = n1, month = n2, year = n3; break;
            case doYMD: year = n1, month = n2, day = n3; break;
        }
    } else {
        year = CurrentYear();
        if (order == doDMY) day = n1, month = n2;
        else month = n1, day = n2;
    }
    year = ExpandYear(year);
    scan.Char(sep);
    scan.SkipBlanks();
    if (settings.FarEast && AnsiUpperCase(settings.ShortDateFormat).find("DDD") != std::string::npos) {
        std::vector<std::string> words(settings.LongDayNames.begin(), settings.LongDayNames.end());
        words.insert(words.end(), settings.ShortDayNames.begin(), settings.ShortDayNames.end());
        words.push_back(settings.TimeAMString);
        words.push_back(settings.TimePMString);
        scan.SkipWord(words);
    } else {
        scan.SkipNonDigits();
    }
    return scan.AtEnd() && TryEncodeDate(year, month, day, date);
}

}  // namespace

int DaysPerMonth(int year, int month) { return DaysInMonth(year, month); }

TDateTime FirstDayOfNextMonth() {
    int year = 0, month = 0, day = 0;
    DecodeDate(Date(), year, month, day);
    return month == 12 ? EncodeDate(year + 1, 1, 1) : EncodeDate(year, month + 1, 1);
}

TDateTime FirstDayOfPrevMonth() {
    int year = 0, month = 0, day = 0;
    DecodeDate(Date(), year, month, day);
    return month == 1 ? EncodeDate(year - 1, 12, 1) : EncodeDate(year, month - 1, 1);
}

TDateTime LastDayOfPrevMonth() {
    int year = 0, month = 0, day = 0;
    DecodeDate(Date(), year, month, day);
    return EncodeDate(year, month, 1) - 1;
}

int ExtractDay(TDateTime date) {
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    return day;
}

int ExtractMonth(TDateTime date) {
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    return month;
}

int ExtractYear(TDateTime date) {
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    return year;
}

TDateTime IncDate(TDateTime date, int days, int months, int years) {
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    int64_t newYear = int64_t{year} + years + months / 12;
    int newMonth = month + months % 12;
    if (newMonth < 1) {
        newMonth += 12;
        --newYear;
    } else if (newMonth > 12) {
        newMonth -= 12;
        ++newYear;
    }
    if (newYear < 1 || newYear > 9999)
        throw EConvertError(Format("The year %lld lies outside 1..9999", static_cast<long long>(newYear)));
    const int y = static_cast<int>(newYear);
    day = std::min(day, DaysPerMonth(y, newMonth));
    const TDateTime result = EncodeDate(y, newMonth, day) + days + (date - std::trunc(date));
    if (!ValidDate(result)) throw EConvertError(Format("%g is not a valid date value", result));
    return result;
}

TDateTime IncDay(TDateTime date, int delta) { return date + delta; }
TDateTime IncMonth(TDateTime date, int delta) { return IncDate(date, 0, delta, 0); }
TDateTime IncYear(TDateTime date, int delta) { return IncDate(date, 0, 0, delta); }

void DateDiff(TDateTime date1, TDateTime date2, int& days, int& months, int& years) {
    if (date1 < date2) std::swap(date1, date2);
    int y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
    DecodeDate(date1, y1, m1, d1);
    DecodeDate(date2, y2, m2, d2);
    years = y1 - y2;
    months = 0;
    days = 0;
    if (m1 < m2) {
        months += 12;
        --years;
    }
    months += m1 - m2;
    if (d1 < d2) {
        days += DaysPerMonth(y2, m2);
        if (months == 0) {
            --years;
            months = 11;
        } else {
            --months;
        }
    }
    days += d1 - d2;
}

double MonthsBetween(TDateTime date1, TDateTime date2) {
    int days = 0, months = 0, years = 0;
    DateDiff(date1, date2, days, months, years);
    double result = years * 12.0 + months;
    if (days >= 21) result += 1;
    else if (days >= 15) result += 0.75;
    else if (days >= 7) result += 0.5;
    else if (days >= 2) result += 0.25;
    return result;
}

bool ValidDate(TDateTime date) {
    try {
        int year = 0, month = 0, day = 0;
        DecodeDate(date, year, month, day);
        return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysPerMonth(year, month);
    } catch (const EConvertError&) {
        return false;
    }
}

int64_t DaysInPeriod(TDateTime date1, TDateTime date2) {
    if (!ValidDate(date1) || !ValidDate(date2)) return 0;
    const int64_t diff = WholeDays(date1) - WholeDays(date2);
    return (diff < 0 ? -diff : diff) + 1;
}

int64_t DaysBetween(TDateTime date1, TDateTime date2) {
    return std::max<int64_t>(0, WholeDays(date1) - WholeDays(date2) + 1);
}

TDateTime IncTime(TDateTime time, int hours, int minutes, int seconds, int msecs) {
    const double msOfDay = (hours % 24) * 3600000.0 + minutes * 60000.0 + seconds * 1000.0 + msecs;
    TDateTime result = time + hours / 24 + msOfDay / 86400000.0;
    if (result < 0) result += 1;
    return result;
}

TDateTime IncHour(TDateTime time, int delta) { return IncTime(time, delta, 0, 0, 0); }
TDateTime IncMinute(TDateTime time, int delta) { return IncTime(time, 0, delta, 0, 0); }
TDateTime IncSecond(TDateTime time, int delta) { return IncTime(time, 0, 0, delta, 0); }
TDateTime IncMSec(TDateTime time, int delta) { return IncTime(time, 0, 0, 0, delta); }

TDateTime CutTime(TDateTime date) { return std::trunc(date); }

int CurrentYear() { return ExtractYear(Now()); }

TDateOrder GetDateOrder(std::string_view dateFormat) {
    for (char c : dateFormat) {
        switch (c) {
            case 'D': case 'd': return doDMY;
            case 'E': case 'e': case 'Y': case 'y': return doYMD;
            case 'M': case 'm': return doMDY;
            default: break;
        }
    }
    return doDMY;
}

namespace {

// Code page 1251 letters by the fixed table, so the parse reads the same everywhere.
std::string UpperPrefix(std::string_view text, size_t length) {
    std::string result(text.substr(0, length));
    for (char& c : result) c = AnsiUpperChar(c);
    return result;
}

}  // namespace

int MonthFromName(std::string_view text, int maxLen) {
    if (text.empty() || maxLen < 1) return 0;
    const size_t len = static_cast<size_t>(maxLen);
    const std::string wanted = UpperPrefix(text, len);
    const TDateSettings& settings = DateSettings();
    for (int i = 0; i < 12; ++i)
        if (UpperPrefix(settings.LongMonthNames[i], len) == wanted) return i + 1;
    return 0;
}

TDateTime StrToDateFmt(std::string_view dateFormat, std::string_view text) {
    TDateTime date = 0;
    if (ParseByPicture(dateFormat, text, date) || ParseByScanning(dateFormat, text, date)) return date;
    RaiseInvalidDate(text);
}

TDateTime StrToDateFmtDef(std::string_view dateFormat, std::string_view text, TDateTime defaultDate) {
    try {
        return StrToDateFmt(dateFormat, text);
    } catch (const EConvertError&) {
        return std::trunc(defaultDate);
    }
}

TDateTime StrToDateDef(std::string_view text, TDateTime defaultDate) {
    return StrToDateFmtDef(DateSettings().ShortDateFormat, text, defaultDate);
}

std::string DefDateFormat(bool fourDigitYear) {
    switch (GetDateOrder(DateSettings().ShortDateFormat)) {
        case doMDY: return fourDigitYear ? "MM/DD/YYYY" : "MM/DD/YY";
        case doDMY: return fourDigitYear ? "DD/MM/YYYY" : "DD/MM/YY";
        case doYMD: return fourDigitYear ? "YYYY/MM/DD" : "YY/MM/DD";
    }
    return {};
}

std::string DefDateMask(char blanksChar, bool fourDigitYear) {
    std::string mask;
    if (!fourDigitYear) mask = "!99/99/99;1;";
    else if (GetDateOrder(DateSettings().ShortDateFormat) == doYMD) mask = "!9999/99/99;1;";
    else mask = "!99/99/9999;1;";
    return mask + blanksChar;
}

std::string FormatLongDate(TDateTime value) { return TrimRight(SystemLongDate(value)); }

std::string FormatLongDateTime(TDateTime value) {
    if (value == NullDate) return {};
    return FormatLongDate(value) + FormatDateTime(" tt", value);
}
