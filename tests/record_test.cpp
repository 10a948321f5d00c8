#include "extract/ColumnCatalogue.h"
#include "extract/RecordComposer.h"
#include "metadata/PhotoValues.h"

#include "support/ScriptedTagSource.h"
#include "support/Tags.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

const std::array<std::string, 12> english{"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};

ColumnSelection Ticked(std::initializer_list<int> columns)
{
    ColumnSelection selection;
    for (int column : columns)
        selection[column] = true;
    return selection;
}

// A reader that has just read one photo with the given tags.
class ReadPhoto {
public:
    explicit ReadPhoto(PhotoTags tags, ReadOutcome outcome = ReadOutcome::Read)
    {
        m_path = m_folder.Touch("IMG_0001.JPG", "12345");
        m_source.Set("IMG_0001.JPG", std::move(tags), outcome);
        m_reader.ReadImage(m_path);
    }
    PhotoValues& Reader() { return m_reader; }

private:
    TempFolder m_folder;
    std::string m_path;
    ScriptedTagSource m_source;
    PhotoValues m_reader{m_source};
};

RecordComposer Comma(int dateFormat = 0)
{
    return RecordComposer(",", DateLayout{dateFormat, english});
}

}  // namespace

TEST(Flags, OnlyTheCharacterOneTicksAndOnlyTwentyNineCount)
{
    const auto selection = SelectionFromFlags("1012x1" + std::string(30, '1'));
    EXPECT_TRUE(selection[0]);
    EXPECT_FALSE(selection[1]);
    EXPECT_TRUE(selection[2]);
    EXPECT_FALSE(selection[3]);
    EXPECT_FALSE(selection[4]);
    EXPECT_TRUE(selection[28]);
    EXPECT_EQ(SelectionFromFlags("1").count(), 1u);
    EXPECT_EQ(FlagsFromSelection(Ticked({0, 2})), "101" + std::string(26, '0'));
}

TEST(HeadingLine, NamesTheTickedColumnsInCatalogueOrder)
{
    EXPECT_EQ(Comma().HeadingLine(Ticked({16, 5, 11, 6})),
              "!\"Filename\",\"Camera model\",\"Lens model\",\"ISO\",\"GPS latitude\"");
    EXPECT_EQ(Comma().HeadingLine({}), "!\"Filename\"");
    EXPECT_EQ(RecordComposer("", {}).HeadingLine(Ticked({0, 1})), "!\"Filename\"\"Date\"\"Time\"");
    EXPECT_EQ(RecordComposer("\t", {}).HeadingLine(Ticked({4})), "!\"Filename\"\t\"Camera manufacturer\"");
}

TEST(Record, FromOnePhotosValues)
{
    const DateLayout withSubSeconds{1, english, true};
    const PhotoTags date = TagsWith({{Tag::DateTime, Text("2000:05:07 14:22:01")}});
    const PhotoTags subSeconds =
        TagsWith({{Tag::DateTimeOriginal, Text("2000:05:07 14:22:01")}, {Tag::SubSecTimeOriginal, Text("25 ")}});
    const PhotoTags texts = TagsWith({{Tag::Make, Text("Maker, Inc.")},
                                      {Tag::Model, Text("Model \"7\"\n")},
                                      {Tag::ISOSpeed, Number(100)},
                                      {Tag::Comment, Text("the \"best\" shot")}});
    const struct {
        const char* what;
        PhotoTags tags;
        ReadOutcome outcome;
        RecordComposer composer;
        ColumnSelection ticked;
        std::optional<std::string> record;  // none: left out
    } cases[] = {
        {"some columns quoted, others bare", TagsWith({{Tag::Model, Text("X100")}, {Tag::ISOSpeed, Number(200)}}),
         ReadOutcome::Read, Comma(), Ticked({5, 6, 11, 16}), "\"n\",X100,\"Unknown\",200,"},
        {"every ticked value empty", TagsWith({{Tag::Model, Text("X100")}}), ReadOutcome::Read, Comma(), Ticked({16}),
         std::nullopt},
        {"nothing ticked", {}, ReadOutcome::Read, Comma(), {}, std::nullopt},
        // Some columns never give an empty text, so a photo that cannot be read still has a record.
        {"make and model", {}, ReadOutcome::NotOpened, Comma(), Ticked({3}), "\"n\", "},
        {"GPS date and time", {}, ReadOutcome::NotOpened, Comma(), Ticked({19}), "\"n\",\" \""},
        {"lens", {}, ReadOutcome::NotOpened, Comma(), Ticked({6}), "\"n\",\"Unknown\""},
        {"size", {}, ReadOutcome::NotOpened, Comma(), Ticked({7}), "\"n\",0x0"},
        {"file size", {}, ReadOutcome::NotOpened, Comma(), Ticked({8}), "\"n\",5"},
        // Date columns split at the last blank.
        {"date layout 1", date, ReadOutcome::Read, Comma(1), Ticked({0, 1, 2}),
         "\"n\",\"07 May 2000\",\"14:22:01\",\"07 May 2000 14:22:01\""},
        {"date layout 0", date, ReadOutcome::Read, Comma(0), Ticked({0, 1}), "\"n\",\"2000:05:07\",\"14:22:01\""},
        {"sub-seconds asked", subSeconds, ReadOutcome::Read, RecordComposer(",", withSubSeconds), Ticked({0, 1, 2}),
         "\"n\",\"07 May 2000\",\"14:22:01.25\",\"07 May 2000 14:22:01.25\""},
        {"sub-seconds not asked", subSeconds, ReadOutcome::Read, Comma(1), Ticked({1}), "\"n\",\"14:22:01\""},
        {"a date without blank has no date part", TagsWith({{Tag::DateTime, Text("2000:05:07T14:22:01")}}),
         ReadOutcome::Read, Comma(), Ticked({0}), std::nullopt},
        {"and a whole time part", TagsWith({{Tag::DateTime, Text("2000:05:07T14:22:01")}}), ReadOutcome::Read, Comma(),
         Ticked({0, 1}), "\"n\",\"\",\"2000:05:07T14:22:01\""},
        {"a date that cannot be formatted", TagsWith({{Tag::DateTime, Text("0000:00:00 00:00:00")}}), ReadOutcome::Read,
         Comma(), Ticked({0, 1, 2}), std::nullopt},
        // Quotes inside quoted values are doubled; bare values holding the separator, quotes or
        // line breaks are quoted, and with another separator the comma is an ordinary character.
        {"bare values quoted", texts, ReadOutcome::Read, Comma(), Ticked({4, 5, 11}),
         "\"n\",\"Maker, Inc.\",\"Model \"\"7\"\"\n\",100"},
        {"semicolons", texts, ReadOutcome::Read, RecordComposer(";", {}), Ticked({4, 11}), "\"n\";Maker, Inc.;100"},
    };
    for (const auto& c : cases) {
        ReadPhoto photo(c.tags, c.outcome);
        EXPECT_EQ(c.composer.Record("n", c.ticked, photo.Reader()), c.record) << c.what;
    }
    ReadPhoto photo(texts);
    EXPECT_EQ(Comma().Record("a\"b.jpg", Ticked({15}), photo.Reader()), "\"a\"\"b.jpg\",\"the \"\"best\"\" shot\"");
}

TEST(RecordEscaping, ForSpreadsheetsTextThatWouldStartAFormulaGetsAnApostropheAndNumbersStay)
{
    struct Case {
        int column;
        std::string value;
        std::string field;
    };
    const std::vector<Case> cases{
        {26, "=1+1", "\"'=1+1\""},  // XP Author, a quoted column
        {4, "+cmd", "'+cmd"},       // Camera manufacturer, a bare one
        {5, "-x", "'-x"},
        {5, "-", "'-"},
        {22, "@SUM(A1)", "\"'@SUM(A1)\""},
        {15, "\tHIDDEN", "\"'\tHIDDEN\""},
        {4, "\rCR", "\"'\rCR\""},          // bare, but quoted for its CR
        {4, "=a,b", "\"'=a,b\""},          // bare, but quoted for its separator
        {16, "-33.865143", "-33.865143"},  // a negative latitude is a number
        {18, "-12.50", "-12.50"},
        {26, "+44", "\"'+44\""},  // in a text column a number-like text stays text
        {11, "-5", "-5"},         // ISO, a number column
        {27, "a=b", "\"a=b\""},
        {4, "Canon", "Canon"},
    };
    const RecordComposer spreadsheet(",", {}, true);
    for (const Case& test : cases) {
        ColumnValues values;
        values[test.column] = test.value;
        EXPECT_EQ(spreadsheet.Record("n", Ticked({test.column}), values), "\"n\"," + test.field) << test.value;
    }
    ColumnValues values;
    values[26] = "=1+1";
    EXPECT_EQ(spreadsheet.Record("=HYPERLINK(x).jpg", Ticked({26}), values), "\"'=HYPERLINK(x).jpg\",\"'=1+1\"");
    EXPECT_EQ(Comma().Record("=HYPERLINK(x).jpg", Ticked({26}), values), "\"=HYPERLINK(x).jpg\",\"=1+1\"");
}

TEST(Separator, FirstCharacterOfTheTextWithCapitalTForTab)
{
    const std::pair<const char*, const char*> cases[] = {
        {", (comma)", ","}, {"; (semi colon)", ";"},
        {"Tab", "\t"},      {"Trailing", "\t"},
        {"tab", "t"},       {"|x", "|"},
        {"", ""},           {"\xC2\xA7 section", "\xC2\xA7"},  // a whole UTF-8 character
    };
    for (const auto& [text, separator] : cases)
        EXPECT_EQ(SeparatorFromText(text), separator) << text;
    const auto& entries = SeparatorListEntries();
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
}
