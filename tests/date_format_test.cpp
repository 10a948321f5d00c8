#include "extract/DateFormat.h"

#include <gtest/gtest.h>

namespace {

const std::array<std::string, 12> english{"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};

}  // namespace

TEST(DateLayouts, EveryLayoutOfTheSameDate)
{
    const std::string date = "2000:05:07 14:22:01";
    const std::array<std::string, DateLayoutCount> expected{
        "2000:05:07 14:22:01", "07 May 2000 14:22:01", "May 07 2000 14:22:01",
        "2000-05-07 14:22:01", "07-05-2000 14:22:01",  "07/05/2000 14:22:01",
        "05/07/2000 14:22:01", "07.05.2000 14:22:01",  "2000/05/07 14:22:01"};
    for (int layout = 0; layout < DateLayoutCount; ++layout) {
        EXPECT_EQ(FormatDate(date, layout, english), expected[layout]) << "layout " << layout;
        EXPECT_EQ(FormatDate(WithSubSeconds(date, "25"), layout, english), expected[layout] + ".25") << layout;
    }
}

TEST(DateLayouts, SubSecondsJoinOnlyAWholeDate)
{
    const struct {
        std::string date, digits, expected;
    } cases[]{
        {"2000:05:07 14:22:01", "", "2000:05:07 14:22:01"},
        {"2000:05:07 14:22:01", "007", "2000:05:07 14:22:01.007"},
        {"2000:05:07 14:22:01.5", "25", "2000:05:07 14:22:01.5"},
        {"2000:05:07 14:22:0", "25", "2000:05:07 14:22:0"},
        {"", "25", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithSubSeconds(c.date, c.digits), c.expected) << c.date << " + " << c.digits;
}

TEST(DateLayouts, UnknownLayoutsGiveNothing)
{
    EXPECT_EQ(FormatDate("2000:05:07 14:22:01", 9, english), "");
    EXPECT_EQ(FormatDate("2000:05:07 14:22:01", -1, english), "");
}

TEST(DateLayouts, DatesWithoutAPositiveMonthGiveNothingInEveryLayout)
{
    for (int layout = 0; layout < DateLayoutCount; ++layout) {
        EXPECT_EQ(FormatDate("0000:00:00 00:00:00", layout, english), "") << layout;
        EXPECT_EQ(FormatDate("    :  :     :  :  ", layout, english), "") << layout;
        EXPECT_EQ(FormatDate("2000:-3:07 14:22:01", layout, english), "") << layout;
    }
}

TEST(DateLayouts, LengthLimitIsEighteenCharacters)
{
    EXPECT_EQ(FormatDate("", 0, english), "");
    EXPECT_EQ(FormatDate("2000:05:07 14:22:0", 3, english), "2000-05-07 14:22:0");
    EXPECT_EQ(FormatDate("2000:05:07 14:22:", 3, english), "");
}

TEST(DateLayouts, TextAfterTheSecondsStaysAtTheEnd)
{
    const std::string date = "2000:05:07 14:22:01.25";
    EXPECT_EQ(FormatDate(date, 0, english), date);
    EXPECT_EQ(FormatDate(date, 1, english), "07 May 2000 14:22:01.25");
    EXPECT_EQ(FormatDate(date, 7, english), "07.05.2000 14:22:01.25");
}

TEST(DateLayouts, MonthNamesAreTheUsersOwnAndOnlyLayoutsOneAndTwoUseThem)
{
    auto names = english;
    names[4] = "Mai";
    EXPECT_EQ(FormatDate("2000:05:07 14:22:01", 1, names), "07 Mai 2000 14:22:01");
    names[4] = "";
    EXPECT_EQ(FormatDate("2000:05:07 14:22:01", 1, names), "07  2000 14:22:01");
    EXPECT_EQ(FormatDate("2000:05:07 14:22:01", 2, names), " 07 2000 14:22:01");
    EXPECT_EQ(FormatDate("2000:05:07 14:22:01", 4, names), "07-05-2000 14:22:01");
}

TEST(DateLayouts, MonthThirteenIsCopiedAsNumberButHasNoName)
{
    EXPECT_EQ(FormatDate("2000:13:07 14:22:01", 0, english), "2000:13:07 14:22:01");
    EXPECT_EQ(FormatDate("2000:13:07 14:22:01", 3, english), "2000-13-07 14:22:01");
    EXPECT_EQ(FormatDate("2000:13:07 14:22:01", 8, english), "2000/13/07 14:22:01");
    EXPECT_EQ(FormatDate("2000:13:07 14:22:01", 1, english), "");
    EXPECT_EQ(FormatDate("2000:13:07 14:22:01", 2, english), "");
    EXPECT_EQ(FormatDate("2000:12:07 14:22:01", 2, english), "December 07 2000 14:22:01");
}
