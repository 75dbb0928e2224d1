#include "util/dateutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "framework/cp1251.h"
#include "framework/sysutils.h"

namespace {

// Pins "today" to 20 June 2006, 10:30, a date order and Russian month names.
class DateutilTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetDateSettings(Pinned("dd.mm.yyyy")); }
    void TearDown() override { SetDateSettings(previous_); }

    static TDateSettings Pinned(const std::string& shortDateFormat) {
        TDateSettings s;
        s.ShortDateFormat = shortDateFormat;
        s.DateSeparator = '.';
        s.LongTimeFormat = "h:nn:ss";
        const char* months[12] = {"январь", "февраль", "март",     "апрель",  "май",    "июнь",
                                  "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};
        for (int i = 0; i < 12; ++i) s.LongMonthNames[i] = Utf8ToAnsi(months[i]);
        s.Now = [] { return EncodeDate(2006, 6, 20) + EncodeTime(10, 30, 0, 0); };
        return s;
    }
    void UseFormat(const std::string& shortDateFormat) { SetDateSettings(Pinned(shortDateFormat)); }

    TDateSettings previous_;
};

TEST_F(DateutilTest, LeapYearsAndMonthLengths) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2004));
    EXPECT_FALSE(IsLeapYear(2006));
    EXPECT_EQ(DaysPerMonth(2004, 2), 29);
    EXPECT_EQ(DaysPerMonth(2006, 2), 28);
    EXPECT_EQ(DaysPerMonth(2006, 4), 30);
    EXPECT_EQ(DaysPerMonth(2006, 12), 31);
}

TEST_F(DateutilTest, EncodeAndDecodeAgreeAcrossTheCalendar) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    for (TDateTime d = -693593; d <= 2958465; d += 997) {
        int y = 0, m = 0, day = 0;
        DecodeDate(d, y, m, day);
        ASSERT_EQ(EncodeDate(y, m, day), d);
    }
    EXPECT_EQ(ExtractYear(2958465.9), 9999);
    EXPECT_EQ(ExtractDay(EncodeDate(2004, 2, 29)), 29);
    EXPECT_EQ(ExtractMonth(EncodeDate(2004, 2, 29)), 2);
    for (double bad : {-693594.0, 2958466.0, 1e20, -1e20, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_THROW(ExtractYear(bad), EConvertError) << bad;
    EXPECT_THROW(EncodeDate(2006, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
}

TEST_F(DateutilTest, ValidDateRejectsWhatCannotDecode) {
    EXPECT_TRUE(ValidDate(EncodeDate(2006, 6, 20) + 0.5));
    EXPECT_TRUE(ValidDate(NullDate));
    EXPECT_FALSE(ValidDate(1e20));
    EXPECT_FALSE(ValidDate(std::nan("")));
    EXPECT_FALSE(ValidDate(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(DaysInPeriod(1e20, 5), 0);
    EXPECT_EQ(DaysInPeriod(10, 5), 6);
    EXPECT_EQ(DaysInPeriod(5, 10), 6);
    EXPECT_THROW(DaysBetween(std::nan(""), 0), EConvertError);
}

TEST_F(DateutilTest, IncDateMovesMonthsAndCutsTheDay) {
    struct Case {
        int y, m, d, months, years;
        int ey, em, ed;
    } cases[] = {
        {2006, 1, 31, 1, 0, 2006, 2, 28},    {2004, 1, 31, 1, 0, 2004, 2, 29},
        {2006, 3, 15, -1, 0, 2006, 2, 15},   {2006, 3, 15, -12, 0, 2005, 3, 15},
        {2006, 3, 15, -13, 0, 2005, 2, 15},  {2006, 1, 31, -1, 0, 2005, 12, 31},
        {2006, 1, 31, -13, 0, 2004, 12, 31}, {2006, 3, 31, -13, 0, 2005, 2, 28},
        {2004, 2, 29, 0, 1, 2005, 2, 28},    {2006, 11, 30, 14, 0, 2008, 1, 30},
        {2006, 12, 1, -12, 0, 2005, 12, 1},
    };
    for (const Case& c : cases) {
        const TDateTime result = IncDate(EncodeDate(c.y, c.m, c.d) + 0.25, 0, c.months, c.years);
        EXPECT_EQ(result, EncodeDate(c.ey, c.em, c.ed) + 0.25) << c.y << "-" << c.m << "-" << c.d << " " << c.months;
    }
    EXPECT_EQ(IncDate(EncodeDate(2006, 2, 28), 1, 0, 0), EncodeDate(2006, 3, 1));
    EXPECT_EQ(IncMonth(EncodeDate(2006, 1, 31), 1), EncodeDate(2006, 2, 28));
    EXPECT_THROW(IncYear(EncodeDate(9999, 6, 1), 1), EConvertError);
    EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
    EXPECT_THROW(IncYear(EncodeDate(2006, 1, 1), 2147483647), EConvertError);
    EXPECT_THROW(IncDate(EncodeDate(9999, 12, 31), 1, 0, 0), EConvertError);
}

TEST_F(DateutilTest, DateDiffAcrossMonthEndsAndLeapDays) {
    struct Case {
        TDateTime a, b;
        int days, months, years;
    } cases[] = {
        {EncodeDate(2006, 3, 1), EncodeDate(2006, 1, 31), 1, 1, 0},
        {EncodeDate(2006, 1, 31), EncodeDate(2006, 3, 1), 1, 1, 0},  // order does not matter
        {EncodeDate(2004, 3, 1), EncodeDate(2004, 2, 29), 1, 0, 0},
        {EncodeDate(2005, 2, 28), EncodeDate(2004, 2, 29), 28, 11, 0},
        {EncodeDate(2008, 2, 29), EncodeDate(2004, 2, 29), 0, 0, 4},
        {EncodeDate(2007, 1, 5), EncodeDate(2006, 12, 20), 16, 0, 0},
        {EncodeDate(2006, 6, 20), EncodeDate(2006, 6, 20), 0, 0, 0},
        {EncodeDate(2006, 5, 31), EncodeDate(2006, 4, 30), 1, 1, 0},
    };
    for (const Case& c : cases) {
        int days = -1, months = -1, years = -1;
        DateDiff(c.a, c.b, days, months, years);
        EXPECT_EQ(days, c.days) << c.a << " " << c.b;
        EXPECT_EQ(months, c.months) << c.a << " " << c.b;
        EXPECT_EQ(years, c.years) << c.a << " " << c.b;
    }
    EXPECT_EQ(MonthsBetween(EncodeDate(2006, 6, 1), EncodeDate(2006, 6, 11)), 0.5);
    EXPECT_EQ(MonthsBetween(EncodeDate(2006, 6, 1), EncodeDate(2006, 8, 22)), 3.0);
    EXPECT_EQ(DaysBetween(EncodeDate(2006, 6, 1), EncodeDate(2006, 6, 5)), 0);
    EXPECT_EQ(DaysBetween(EncodeDate(2006, 6, 5), EncodeDate(2006, 6, 1)), 5);
}

TEST_F(DateutilTest, TimeArithmeticWrapsBeforeMidnight) {
    EXPECT_NEAR(IncHour(0.5, 30), 1.75, 1e-12);
    EXPECT_NEAR(IncMinute(0, -60), 1.0 - 1.0 / 24, 1e-12);
    EXPECT_NEAR(IncMSec(0.25, 86400000 / 4), 0.5, 1e-12);
    EXPECT_EQ(CutTime(EncodeDate(2006, 6, 20) + 0.99), EncodeDate(2006, 6, 20));
}

TEST(DateutilStartup, FourDigitYearFollowsTheLocale) {
    EXPECT_EQ(FourDigitYear, UpperCase(LocaleDateSettings().ShortDateFormat).find("YYYY") != std::string::npos);
}

TEST_F(DateutilTest, TodayComesFromTheSettings) {
    EXPECT_EQ(CurrentYear(), 2006);
    EXPECT_EQ(FirstDayOfNextMonth(), EncodeDate(2006, 7, 1));
    EXPECT_EQ(FirstDayOfPrevMonth(), EncodeDate(2006, 5, 1));
    EXPECT_EQ(LastDayOfPrevMonth(), EncodeDate(2006, 5, 31));
}

TEST_F(DateutilTest, TwoDigitYearsFollowTheWindow) {
    struct Case {
        const char* text;
        int year;
    } cases[] = {{"01.01.40", 2040}, {"01.01.47", 1947}, {"01.01.46", 1946}, {"01.01.45", 2045},
                 {"01.01.00", 2000}, {"01.01.99", 1999}, {"01.01.0006", 2006}};
    for (const Case& c : cases) EXPECT_EQ(ExtractYear(StrToDateFmt("DD.MM.YY", c.text)), c.year) << c.text;
    const uint8_t saved = CenturyOffset;
    CenturyOffset = 0;
    EXPECT_EQ(ExtractYear(StrToDateFmt("DD.MM.YY", "01.01.05")), 2005);
    EXPECT_EQ(ExtractYear(StrToDateFmt("DD.MM.YY", "01.01.99")), 2099);
    CenturyOffset = saved;
}

TEST_F(DateutilTest, StrToDateFmtReadsPicturesNamesAndNumbers) {
    struct Case {
        const char* format;
        const char* text;  // UTF-8
        TDateTime expected;
    } cases[] = {
        {"DD.MM.YYYY", "15.03.2006", EncodeDate(2006, 3, 15)},
        {"DD.MM.YYYY", " 5.03.2006", EncodeDate(2006, 3, 5)},
        {"DD MMM YYYY", "15 мар 2006", EncodeDate(2006, 3, 15)},
        {"DD MMM YYYY", "15 ДЕК 2006", EncodeDate(2006, 12, 15)},
        {"DD MMMM YYYY", "01 ИЮЛЬ 2006", EncodeDate(2006, 7, 1)},
        {"MMM YYYY", "май 2007", EncodeDate(2007, 5, 1)},
        {"DD.MM", "07.09", EncodeDate(2006, 9, 7)},
        {"DD.MM.YYYY", "5.3.06", EncodeDate(2006, 3, 5)},
        {"DD.MM.YYYY", "5.3", EncodeDate(2006, 3, 5)},
        {"MM/DD/YYYY", "3.5.2007", EncodeDate(2007, 3, 5)},
        {"YYYY/MM/DD", "2007.3.5", EncodeDate(2007, 3, 5)},
        {"MM/DD/YYYY", "3.5", EncodeDate(2006, 3, 5)},
        {"DD.MM.YYYY", "29.02.2004 г.", EncodeDate(2004, 2, 29)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrToDateFmt(c.format, Utf8ToAnsi(c.text)), c.expected) << c.format << " " << c.text;
}

TEST_F(DateutilTest, OnAFarEastSystemOnlyADayNameOrDesignatorMayFollowTheDate) {
    TDateSettings s = Pinned("dd.mm.yyyy ddd");
    s.ShortDayNames[2] = "Tue";
    s.LongDayNames[2] = "Tuesday";
    s.TimePMString = "PM";
    const TDateTime date = EncodeDate(2006, 6, 20);
    struct Case {
        bool farEast;
        const char* text;
        bool valid;
    } cases[] = {
        {true, "20.06.2006 Tuesday", true}, {true, "20.06.2006 tue", true}, {true, "20.06.2006 PM", true},
        {true, "20.06.2006 xyz", false},    {false, "20.06.2006 xyz", true},
    };
    for (const Case& c : cases) {
        s.FarEast = c.farEast;
        SetDateSettings(s);
        if (c.valid)
            EXPECT_EQ(StrToDateFmt("DD.MM.YYYY", c.text), date) << c.text;
        else
            EXPECT_THROW(StrToDateFmt("DD.MM.YYYY", c.text), EConvertError) << c.text;
    }
}

TEST_F(DateutilTest, StrToDateFmtRejectsWhatIsNoDate) {
    // "15.03.    ": a missing year must not pass as a two-digit one.
    const char* bad[] = {"", "abc", "15.03.    ", "31.02.2006", "15.13.2006", "15.03.", "1.2.3.4", "15.03.2006 12", "12345.1.1"};
    for (const char* text : bad) {
        try {
            StrToDateFmt("DD.MM.YYYY", text);
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, std::string("'") + text + "' is not a valid date");
        }
    }
    EXPECT_EQ(StrToDateDef("junk", EncodeDate(2001, 2, 3) + 0.7), EncodeDate(2001, 2, 3));
    EXPECT_EQ(StrToDateDef("3.2.2001", 0), EncodeDate(2001, 2, 3));
    EXPECT_EQ(StrToDateFmtDef("MM.DD.YYYY", "3.2.2001", 0), EncodeDate(2001, 3, 2));
}

TEST_F(DateutilTest, MonthFromNameComparesThePrefixIgnoringCase) {
    EXPECT_EQ(MonthFromName(Utf8ToAnsi("МАР"), 3), 3);
    EXPECT_EQ(MonthFromName(Utf8ToAnsi("маями"), 2), 3);  // "ма" is March before May
    EXPECT_EQ(MonthFromName(Utf8ToAnsi("май"), 3), 5);
    EXPECT_EQ(MonthFromName(Utf8ToAnsi("сентябрь"), 20), 9);
    EXPECT_EQ(MonthFromName("xyz", 3), 0);
    EXPECT_EQ(MonthFromName("", 3), 0);
}

TEST_F(DateutilTest, DefaultFormatsFollowTheDateOrder) {
    struct Case {
        const char* shortFormat;
        TDateOrder order;
        const char* format4;
        const char* format2;
        const char* mask4;
    } cases[] = {
        {"M/d/yyyy", doMDY, "MM/DD/YYYY", "MM/DD/YY", "!99/99/9999;1;_"},
        {"dd.MM.yyyy", doDMY, "DD/MM/YYYY", "DD/MM/YY", "!99/99/9999;1;_"},
        {"yyyy-MM-dd", doYMD, "YYYY/MM/DD", "YY/MM/DD", "!9999/99/99;1;_"},
        {"ee/mm/dd", doYMD, "YYYY/MM/DD", "YY/MM/DD", "!9999/99/99;1;_"},
        {"", doDMY, "DD/MM/YYYY", "DD/MM/YY", "!99/99/9999;1;_"},
    };
    for (const Case& c : cases) {
        UseFormat(c.shortFormat);
        EXPECT_EQ(GetDateOrder(c.shortFormat), c.order) << c.shortFormat;
        EXPECT_EQ(DefDateFormat(true), c.format4) << c.shortFormat;
        EXPECT_EQ(DefDateFormat(false), c.format2) << c.shortFormat;
        EXPECT_EQ(DefDateMask('_', true), c.mask4) << c.shortFormat;
        EXPECT_EQ(DefDateMask(' ', false), "!99/99/99;1; ") << c.shortFormat;
    }
}

TEST_F(DateutilTest, FormattingThroughTheSettings) {
    const TDateTime value = EncodeDate(2006, 3, 5) + EncodeTime(14, 7, 9, 0);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss", value), "05.03.2006 14:07:09");
    EXPECT_EQ(FormatDateTime("d mmmm yy", value), Utf8ToAnsi("5 март 06"));
    EXPECT_EQ(FormatDateTime("h:mm am/pm", value), "2:07 pm");
    EXPECT_EQ(DateToStr(value), "05.03.2006");
    EXPECT_EQ(FormatLongDateTime(NullDate), "");
    EXPECT_EQ(FormatLongDate(EncodeDate(1600, 12, 31)), "");
    const std::string longDate = FormatLongDate(value);
    EXPECT_NE(longDate.find("2006"), std::string::npos) << longDate;
    EXPECT_EQ(FormatLongDateTime(value), longDate + " 14:07:09");
}

}  // namespace
