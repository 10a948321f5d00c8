#include "cli/CommandLine.h"
#include "extract/ColumnCatalogue.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

// Each option changes its own setting and no other; what the command line does not name keeps
// the stored value. Every row starts from stored values that differ from the one it expects.
TEST(CommandLine, EachOptionSetsItsOwnSettingOnTopOfTheStoredOnes)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string field;
        std::string value;
    };
    const Case cases[] = {
        {{"--", "--headings"}, "Folder", "--headings"},
        {{"--columns", "0,2,28"}, "Flags", "101" + std::string(ColumnCount() - 4, '0') + "1"},
        {{"--columns", "all"}, "Flags", std::string(ColumnCount(), '1')},
        {{"--columns", ""}, "Flags", std::string(ColumnCount(), '0')},
        // Names, numbers and ranges alike; each tag key ticks one more column after the built-in ones.
        {{"--columns", "1-3,lon,date,iso"},
         "Flags",
         "1111" + std::string(7, '0') + "1" + std::string(5, '0') + "1" + std::string(ColumnCount() - 18, '0')},

        {{"--no-headings"}, "CommentLine", "0"},
        {{"--no-full-path"}, "FullFilePath", "0"},
        {{"--no-subfolders"}, "SubFolders", "0"},
        {{"--spreadsheet"}, "Spreadsheet", "1"},
        {{"--no-spreadsheet"}, "Spreadsheet", "0"},
        {{"--sub-seconds"}, "SubSeconds", "1"},
        {{"--no-sub-seconds"}, "SubSeconds", "0"},
        {{"--date-format", "3"}, "DateFormat", "3"},
        {{"--formats", "all"}, "Formats", "1"},
        {{"--formats=jpeg-tiff"}, "Formats", "0"},
    };
    ExtractionSettings zeros = DefaultSettings(FixedMonthNames());
    zeros.Folder = "/stored";
    zeros.OutFile = "/stored.csv";
    zeros.Flags = "1" + std::string(ColumnCount() - 1, '0');
    ExtractionSettings ones = zeros;
    for (const SettingField& field : PersistedSettingFields()) {
        if (field.kind == SettingField::Kind::Number) {
            field.Number(zeros) = 0;
            field.Number(ones) = 1;
        }
    }
    const auto value = [](const SettingField& field, ExtractionSettings settings) {
        return field.kind == SettingField::Kind::Text ? field.Text(settings) : std::to_string(field.Number(settings));
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.arguments.front());
        const ParseResult parsed = ParseCommandLine(row.arguments);
        ASSERT_EQ(parsed.error, "");
        const ExtractionSettings& stored = row.value == "0" ? ones : zeros;
        const ExtractionSettings applied = ApplyCommandLine(stored, parsed.commandLine);
        for (const SettingField& field : PersistedSettingFields())
            EXPECT_EQ(value(field, applied), field.name == row.field ? row.value : value(field, stored)) << field.name;
    }
    // The keys of --columns take the place of the tags stored; without --columns they stay.
    ExtractionSettings tagged = zeros;
    tagged.ExtraTags = "Exif.Image.Artist";
    const ExtractionSettings keys = ApplyCommandLine(
        tagged,
        ParseCommandLine({"--columns", "4-4,Xmp.xmp.Rating,Iptc.Application2.City,Xmp.xmp.Rating"}).commandLine);
    EXPECT_EQ(keys.ExtraTags, "Xmp.xmp.Rating Iptc.Application2.City");
    EXPECT_EQ(keys.Flags, "00001" + std::string(ColumnCount() - 5, '0') + "11");
    EXPECT_EQ(ApplyCommandLine(tagged, ParseCommandLine({"--columns", "1"}).commandLine).ExtraTags, "");
    EXPECT_EQ(ApplyCommandLine(tagged, ParseCommandLine({"--headings"}).commandLine).ExtraTags, "Exif.Image.Artist");
    const CommandLine months = ParseCommandLine({"--month-names=a,b,c,d,e,f,g,h,i,j,k,l"}).commandLine;
    EXPECT_EQ(ApplyCommandLine(zeros, months).MonthNames,
              (std::array<std::string, 12>{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"}));
    EXPECT_EQ(ParseCommandLine({"--readers", "3"}).commandLine.readers, 3);  // not a setting
}

// Arguments that are photos are read instead of a folder: any photo or video extension, in any
// case, whether the file is there or not.
TEST(CommandLine, PhotosAsArgumentsAreReadInsteadOfAFolder)
{
    const CommandLine photos = ParseCommandLine({"b.JPG", "a.nef", "c.MOV"}).commandLine;
    EXPECT_EQ(photos.photos, (PhotoList{"b.JPG", "a.nef", "c.MOV"}));
}

TEST(CommandLine, SeparatorsByNameOrAsOneCharacterElseTheStoredOne)
{
    const std::vector<std::pair<std::string, std::string>> accepted{
        {"comma", ","}, {"semicolon", ";"}, {"colon", ":"}, {"tab", "\t"},           {",", ","},
        {"|", "|"},     {"T", "T"},         {"t", "t"},     {"\xC2\xA7", "\xC2\xA7"}};
    ExtractionSettings settings;
    settings.SeparatorNum = 3;
    for (const auto& [given, separator] : accepted) {
        const auto parsed = ParseCommandLine({"--separator", given});
        EXPECT_EQ(parsed.error, "") << given;
        EXPECT_EQ(SeparatorFor(settings, parsed.commandLine), separator) << given;
    }
    for (const std::string given : {"", "Semicolon", "\\t", "ab", "Tab", "\"", "\n", "\xC2"}) {
        const std::string error = ParseCommandLine({"--separator", given}).error;
        EXPECT_NE(error.find("comma, semicolon, colon, tab or one character"), std::string::npos) << given;
    }
    settings.SeparatorText = "|";  // the list entry wins
    EXPECT_EQ(SeparatorFor(settings, CommandLine{}), "\t");
}

TEST(CommandLine, RejectsWhatItCannotUse)
{
    const std::vector<std::vector<std::string>> rejected{
        {"--columns", std::to_string(ColumnCount())},
        {"--columns", "1,,2"},
        {"--columns", "x"},
        {"--columns", "-1"},
        {"--columns", "5-2"},
        {"--columns", "1-"},
        {"--columns", "date-time"},
        {"--columns", "Date"},
        {"--columns", "Exif.Photo"},
        {"--columns", "Foo.Photo.Bar"},
        {"--date-format", "9"},
        {"--date-format", "1x"},
        {"--month-names", "a,b"},
        {"--folder"},
        {"--colour"},
        {"--yes=no"},
        {"/a", "/b"},
        {"--folder", "/a", "/b"},
        {"--files-from", "list", "/a"},
        {"a.jpg", "--folder", "/b"},
        {"a.jpg", "--files-from", "list"},
        {"--files-from", ""},
        {"--geojson", "-"},
        {"--geojson", ""},
        {"-x"},
        {"--readers", "0"},
        {"--formats", "all", "--formats", "png"},
    };
    for (const auto& arguments : rejected)
        EXPECT_NE(ParseCommandLine(arguments).error, "") << arguments.front();
}

TEST(CommandLine, OutputNamesAsAShellUserMeansThem)
{
    TempFolder folder;
    const std::string pipe = (folder.Path() / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> paths{
        {"out.txt", "out.txt"},         {"dir/out.", "dir/out..csv"},
        {"/dev/null", "/dev/null"},     {"/proc/self/fd/2", "/proc/self/fd/2"},
        {"/sys/none", "/sys/none"},     {pipe, pipe},
        {".hidden.csv", ".hidden.csv"},
    };
    for (const auto& [given, path] : paths) {
        const OutputChoice choice = ChooseOutput(given);
        EXPECT_EQ(choice.error, "") << given;
        EXPECT_EQ(choice.path, path) << given;
        EXPECT_FALSE(choice.standardOutput) << given;
    }
    EXPECT_TRUE(ChooseOutput("-").standardOutput);
    for (const std::string given : {"", ".csv", "dir/", "dir/.csv", ".", "..csv"})
        EXPECT_NE(ChooseOutput(given).error, "") << given;
}
