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

// The built-in columns of the given numbers, given in catalogue order as a run writes them.
std::vector<Column> Ticked(std::initializer_list<int> numbers)
{
    std::vector<Column> columns;
    for (int number : numbers)
        columns.push_back(ColumnCatalogue()[static_cast<std::size_t>(number)]);
    return columns;
}

// A reader that has just read one photo with the given tags.
struct ReadPhoto {
    explicit ReadPhoto(PhotoTags tags, ReadOutcome outcome = ReadOutcome::Read)
    {
        source.Set("IMG_0001.JPG", std::move(tags), outcome);
        reader.ReadImage(folder.Touch("IMG_0001.JPG", "12345"));
    }

    TempFolder folder;
    ScriptedTagSource source;
    PhotoValues reader{source};
};

RecordComposer Comma(int dateFormat = 0)
{
    return RecordComposer(",", DateLayout{dateFormat, english});
}

}  // namespace

// The built-in columns come first, then the added tags in their order; only "1" ticks, and the
// tags' slots count the ticked tags only, as the readers are asked for those alone.
TEST(ChosenColumns, BuiltInColumnsThenTheTickedTagsInOrder)
{
    ExtractionSettings settings;
    settings.Flags = "1012x1" + std::string(ColumnCount() - 6, '0') + "011" + "1";
    settings.ExtraTags = "Xmp.xmp.Rating Exif.Image.Artist  Iptc.Application2.City";
    const std::vector<Column> columns = ChosenColumns(settings);
    std::vector<std::string> names;
    for (const Column& column : columns)
        names.push_back(column.name + "@" + std::to_string(column.slot));
    EXPECT_EQ(names, (std::vector<std::string>{"date@0", "datetime@0", "model@0", "Exif.Image.Artist@0",
                                               "Iptc.Application2.City@1"}));
    settings.Flags = std::string(ColumnCount(), '0') + "100";
    EXPECT_TRUE(settings.ChoosesAnyColumn());
    settings.ExtraTags.clear();
    EXPECT_FALSE(settings.ChoosesAnyColumn()) << "a tick beyond the columns and tags ticks nothing";
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
    const PhotoTags noBlank = TagsWith({{Tag::DateTime, Text("2000:05:07T14:22:01")}});
    const struct {
        const char* what;
        PhotoTags tags;
        std::vector<Column> ticked;
        std::optional<std::string> record;  // none: left out
        RecordComposer composer = Comma();
        ReadOutcome outcome = ReadOutcome::Read;
    } cases[] = {
        {"nothing ticked", {}, {}, std::nullopt},
        // Some columns never give an empty text, so a photo that cannot be read still has a record.
        {"GPS date and time", {}, Ticked({19}), "\"n\",\" \"", Comma(), ReadOutcome::NotOpened},
        // Date columns split at the last blank.
        {"date layout 1", date, Ticked({0, 1, 2}), "\"n\",\"07 May 2000\",\"14:22:01\",\"07 May 2000 14:22:01\"",
         Comma(1)},
        {"sub-seconds asked", subSeconds, Ticked({0, 1, 2}),
         "\"n\",\"07 May 2000\",\"14:22:01.25\",\"07 May 2000 14:22:01.25\"", RecordComposer(",", withSubSeconds)},
        {"a date without blank has no date part", noBlank, Ticked({0}), std::nullopt},
        {"and a whole time part", noBlank, Ticked({0, 1}), "\"n\",\"\",\"2000:05:07T14:22:01\""},
        // Quotes inside quoted values are doubled; bare values holding the separator, quotes or
        // line breaks are quoted, and with another separator the comma is an ordinary character.
        {"bare values quoted", texts, Ticked({4, 5, 11}), "\"n\",\"Maker, Inc.\",\"Model \"\"7\"\"\n\",100"},
        {"semicolons", texts, Ticked({4, 11}), "\"n\";Maker, Inc.;100", RecordComposer(";", {})},
    };
    for (const auto& c : cases) {
        ReadPhoto photo(c.tags, c.outcome);
        EXPECT_EQ(c.composer.Record("n", c.ticked, photo.reader), c.record) << c.what;
    }
    // The date columns carry the photo's date and time as numbers, whatever part the text shows; the
    // fraction of a second only where the layout shows it.
    ReadPhoto dated(subSeconds);
    for (const bool withFraction : {false, true}) {
        const Fields fields =
            RecordComposer(",", DateLayout{1, english, withFraction}).Values(Ticked({0, 1, 2}), dated.reader);
        for (const Field& field : fields) {
            EXPECT_EQ(field.type, Field::Type::DateTime) << field.text;
            EXPECT_EQ(field.moment, (DateTimeParts{2000, 5, 7, 14, 22, 1, withFraction ? "25" : ""})) << field.text;
        }
    }
    EXPECT_EQ(Comma().Values(Ticked({0, 2}), ReadPhoto(noBlank).reader)[1].type, Field::Type::Text);
}

TEST(RecordEscaping, ForSpreadsheetsTextThatWouldStartAFormulaGetsAnApostropheAndNumbersStay)
{
    struct Case {
        int column;  // -1: a tag's column
        Field value;
        std::string field;
    };
    const auto text = Field::Text;
    const std::vector<Case> cases{
        {26, text("=1+1"), "\"'=1+1\""},  // XP Author, a quoted column
        {4, text("+cmd"), "'+cmd"},       // Camera manufacturer, a bare one
        {5, text("-x"), "'-x"},
        {22, text("@SUM(A1)"), "\"'@SUM(A1)\""},
        {15, text("\tHIDDEN"), "\"'\tHIDDEN\""},
        {4, text("\rCR"), "\"'\rCR\""},          // bare, but quoted for its CR
        {4, text("=a,b"), "\"'=a,b\""},          // bare, but quoted for its separator
        {16, text("-33.865143"), "-33.865143"},  // a negative latitude is a number
        {26, text("+44"), "\"'+44\""},           // in a text column a number-like text stays text
        {11, text("-5"), "-5"},                  // ISO, a number column
        {27, text("a=b"), "\"a=b\""},
        // A tag's number is bare, any other text of it quoted and kept from being a formula.
        {-1, Field::Number(-5, "-5"), "-5"},
        {-1, text("-x"), "\"'-x\""},
        {-1, text("5 stars"), "\"5 stars\""},
    };
    const RecordComposer spreadsheet(",", {}, true);
    for (const Case& test : cases) {
        const std::vector<Column> columns =
            test.column < 0 ? std::vector<Column>{TagColumn("Xmp.xmp.Rating", 0)} : Ticked({test.column});
        EXPECT_EQ(spreadsheet.Record("n", columns, Fields{test.value}), "\"n\"," + test.field) << test.value.text;
    }
    const Fields formula{text("=1+1")};
    EXPECT_EQ(spreadsheet.Record("=HYPERLINK(x).jpg", Ticked({26}), formula), "\"'=HYPERLINK(x).jpg\",\"'=1+1\"");
    EXPECT_EQ(Comma().Record("=HYPERLINK(x).jpg", Ticked({26}), formula), "\"=HYPERLINK(x).jpg\",\"=1+1\"");
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
}
