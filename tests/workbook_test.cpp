#include "extract/WorkbookCells.h"
#include "extract/WorkbookWriter.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

constexpr double day = 86400.0;

DateLayout Layout(int dateFormat, const std::string& may)
{
    DateLayout layout{dateFormat, {"Jan", "Feb", "Mar", "Apr", "", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}};
    layout.monthNames[4] = may;
    return layout;
}

}  // namespace

TEST(WorkbookCells, DateSerialsOfEachPartAndOnlyOfCalendarDates)
{
    struct Case {
        DateTimeParts moment;
        DatePart part;
        std::optional<double> serial;
    };
    const Case cases[] = {
        {{2008, 10, 22, 0, 0, 1, "25"}, DatePart::Time, 1.25 / day},
        {{1900, 3, 1, 0, 0, 0, ""}, DatePart::Date, 61},
        {{2000, 2, 29, 0, 0, 0, ""}, DatePart::Date, 36585},
        // No such day, or one the spreadsheets count wrongly.
        {{2019, 2, 29, 0, 0, 0, ""}, DatePart::Date, std::nullopt},
        {{2100, 2, 29, 0, 0, 0, ""}, DatePart::Date, std::nullopt},
        {{2021, 4, 31, 0, 0, 0, ""}, DatePart::DateAndTime, std::nullopt},
        {{1900, 2, 28, 0, 0, 0, ""}, DatePart::Time, std::nullopt},
        {{1899, 12, 31, 0, 0, 0, ""}, DatePart::Date, std::nullopt},
    };
    for (const Case& row : cases) {
        const auto& m = row.moment;
        SCOPED_TRACE(std::to_string(m.year) + "-" + std::to_string(m.month) + "-" + std::to_string(m.day) + " part " +
                     std::to_string(static_cast<int>(row.part)));
        const std::optional<double> serial = DateSerial(m, row.part);
        ASSERT_EQ(serial.has_value(), row.serial.has_value());
        if (serial) {
            EXPECT_DOUBLE_EQ(*serial, *row.serial);
        }
    }
}

TEST(WorkbookCells, NumberFormatsShowTheDateLayout)
{
    struct Case {
        DateLayout layout;
        DatePart part;
        int decimals;
        const char* format;
    };
    const Case cases[] = {
        {Layout(1, "May"), DatePart::Date, 0, "dd mmm yyyy"},
        {Layout(2, "Mai."), DatePart::Date, 0, "mmmm dd yyyy"},
        {Layout(3, "May"), DatePart::DateAndTime, 2, "yyyy\\-mm\\-dd hh:mm:ss.00"},
        {Layout(5, "May"), DatePart::Date, 0, "dd\\/mm\\/yyyy"},
        {Layout(6, "May"), DatePart::Date, 0, "mm\\/dd\\/yyyy"},
        {Layout(7, "May"), DatePart::Time, 9, "hh:mm:ss.000"},
        {Layout(8, "May"), DatePart::Date, 0, "yyyy\\/mm\\/dd"},
    };
    for (const Case& row : cases)
        EXPECT_EQ(DateNumberFormat(row.layout, row.part, row.decimals), row.format) << row.layout.dateFormat;
}

TEST(WorkbookCells, TextsKeepEveryCharacterACellCanHold)
{
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
    const std::string full(MaxCellCharacters, 'a');
    struct Case {
        const char* what;
        std::string text;
        std::string cell;
    };
    const Case cases[] = {
        {"TAB, LF and CR stay", "a\tb\nc\r\"d\"", "a\tb\nc\r\"d\""},
        {"other control characters are marked", std::string("a\x01z\x1F", 4) + std::string(1, '\0'),
         "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"Windows-1252", "Caf\xE9", "Caf\xC3\xA9"},
        {"cut at the limit", full + "b", full},
        {"a character that would cross the limit goes whole", full.substr(1) + emoji, full.substr(1)},
        {"one that fits stays", full.substr(2) + emoji, full.substr(2) + emoji},
    };
    for (const Case& row : cases)
        EXPECT_EQ(CellText(row.text), row.cell) << row.what;
    EXPECT_EQ(DisplayWidth("\xE6\x97\xA5\xE6\x9C\xAC"), 4u);
    EXPECT_EQ(DisplayWidth("ab\nlonger\nc"), 6u);
}

TEST(WorkbookCells, LinksEncodeWhatCouldEndThemAndOnlyXlsxNamesGetAWorkbook)
{
    EXPECT_EQ(FileLink("/tmp/=HYPERLINK(\"x\",\"y\").jpg"), "file:///tmp/%3DHYPERLINK%28%22x%22%2C%22y%22%29.jpg");
    EXPECT_EQ(FileLink("/a b/Caf\xC3\xA9#1?%.jpg"), "file:///a%20b/Caf%C3%A9%231%3F%25.jpg");
    EXPECT_EQ(FileLink("/a\\b.jpg"), "file:///a%5Cb.jpg");
    EXPECT_EQ(FileLink("C:\\Photos\\x.jpg"), "file:///C:/Photos/x.jpg");
    EXPECT_EQ(MapLink(-33.8568, 151.2153), "https://www.openstreetmap.org/?mlat=-33.8568&mlon=151.2153&zoom=15");
    for (const auto& [path, workbook] :
         {std::pair{"out.xlsx", true}, std::pair{"/x/OUT.XLSX", true}, std::pair{"out.xlsx.csv", false},
          std::pair{"xlsx", false}, std::pair{"a.xlsx/out", false}, std::pair{"out.xls", false}})
        EXPECT_EQ(IsWorkbookPath(path), workbook) << path;
}
