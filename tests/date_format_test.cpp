#include "extract/DateFormat.h"

#include <gtest/gtest.h>

namespace {

const std::array<std::string, 12> english{"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};

std::array<std::string, 12> WithMay(std::string may)
{
    auto names = english;
    names[4] = std::move(may);
    return names;
}

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
        // What follows the seconds stays.
        EXPECT_EQ(FormatDate(WithSubSeconds(date, "25"), layout, english), expected[layout] + ".25") << layout;
        // Dates without a positive month give nothing in any layout.
        for (const char* noDate : {"0000:00:00 00:00:00", "    :  :     :  :  ", "2000:-3:07 14:22:01"})
            EXPECT_EQ(FormatDate(noDate, layout, english), "") << noDate << " in layout " << layout;
    }
}

TEST(DateLayouts, OddDatesLayoutsAndMonthNames)
{
    const struct {
        const char* date;
        int layout;
        std::array<std::string, 12> months;
        const char* expected;
    } cases[] = {
        {"2000:05:07 14:22:01", 9, english, ""},  // no such layout
        {"2000:05:07 14:22:01", -1, english, ""},
        {"", 0, english, ""},
        {"2000:05:07 14:22:0", 3, english, "2000-05-07 14:22:0"},  // eighteen characters are enough
        {"2000:05:07 14:22:", 3, english, ""},
        // The month names are the user's own, and only layouts 1 and 2 use them.
        {"2000:05:07 14:22:01", 1, WithMay("Mai"), "07 Mai 2000 14:22:01"},
        {"2000:05:07 14:22:01", 1, WithMay(""), "07  2000 14:22:01"},
        {"2000:05:07 14:22:01", 2, WithMay(""), " 07 2000 14:22:01"},
        // Month thirteen is copied as a number but has no name.
        {"2000:13:07 14:22:01", 0, english, "2000:13:07 14:22:01"},
        {"2000:13:07 14:22:01", 3, english, "2000-13-07 14:22:01"},
        {"2000:13:07 14:22:01", 8, english, "2000/13/07 14:22:01"},
        {"2000:13:07 14:22:01", 1, english, ""},
        {"2000:13:07 14:22:01", 2, english, ""},
        {"2000:12:07 14:22:01", 2, english, "December 07 2000 14:22:01"},
        // A damaged date whose fields are not plain ASCII keeps only its own layout, whole.
        {"2019:1\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C", 0, english,
         "2019:1\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C"},
        {"2019:1\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C", 3, english, ""},
        {"2019:1\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C\xE2\x80\x9C", 1, english, ""},
        {"2000:05:07 14:22:01 \xC2\xB1", 3, english, "2000-05-07 14:22:01 \xC2\xB1"},  // the time is not cut
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDate(c.date, c.layout, c.months), c.expected) << c.date << " in layout " << c.layout;
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
