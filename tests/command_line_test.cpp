#include "cli/CommandLine.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

namespace {

ParseResult Parse(std::vector<std::string> arguments)
{
    return ParseCommandLine(arguments);
}

}  // namespace

TEST(CommandLine, TakesEveryOptionInBothSpellings)
{
    const auto parsed = Parse({"/p", "--output=/o/x", "--columns", "0,2,28", "--separator", ";", "--headings",
                               "--full-path", "--subfolders", "--date-format", "3", "--yes", "--spreadsheet", "--sub-seconds",
                               "--month-names=a,b,c,d,e,f,g,h,i,j,k,l", "--readers", "3", "--geojson", "/o/map.geojson",
                               "--defaults", "-q"});
    ASSERT_EQ(parsed.error, "");
    const CommandLine& line = parsed.commandLine;
    EXPECT_EQ(line.folder, "/p");
    EXPECT_EQ(line.output, "/o/x");
    EXPECT_EQ(line.flags, "101" + std::string(25, '0') + "1");
    EXPECT_EQ(line.separator, ";");
    EXPECT_EQ(line.headings, true);
    EXPECT_EQ(line.fullPath, true);
    EXPECT_EQ(line.subFolders, true);
    EXPECT_EQ(line.spreadsheet, true);
    EXPECT_EQ(line.dateFormat, 3);
    EXPECT_EQ(ApplyCommandLine({}, line).SubSeconds, 1);
    EXPECT_TRUE(line.answerYes);
    ASSERT_TRUE(line.monthNames);
    EXPECT_EQ((*line.monthNames)[11], "l");
    EXPECT_EQ(line.readers, 3);
    EXPECT_EQ(line.mapPath, "/o/map.geojson");
    EXPECT_TRUE(line.defaults);
    EXPECT_TRUE(line.quiet);

    const auto fromList = Parse({"--files-from", "-", "-0", "-V"}).commandLine;
    EXPECT_EQ(fromList.filesFrom, "-");
    EXPECT_TRUE(fromList.nulSeparated);
    EXPECT_TRUE(fromList.showVersion);
    // After "--" everything is the folder, however it looks.
    EXPECT_EQ(Parse({"--no-headings", "--", "--headings"}).commandLine.folder, "--headings");
    EXPECT_EQ(Parse({"--folder", "-"}).commandLine.folder, "-");
}

TEST(CommandLine, SeparatorsByNameOrAsOneCharacter)
{
    const std::vector<std::pair<std::string, std::string>> accepted{
        {"comma", ","}, {"semicolon", ";"}, {"colon", ":"}, {"tab", "\t"}, {",", ","},
        {"|", "|"},     {"T", "T"},         {"t", "t"},     {"\xC2\xA7", "\xC2\xA7"}};
    for (const auto& [given, separator] : accepted) {
        const auto parsed = Parse({"--separator", given});
        EXPECT_EQ(parsed.error, "") << given;
        EXPECT_EQ(parsed.commandLine.separator, separator) << given;
    }
    for (const std::string given : {"", "Semicolon", "\\t", "ab", "Tab", "\"", "\n", "\xC2"}) {
        const std::string error = Parse({"--separator", given}).error;
        EXPECT_NE(error.find("comma, semicolon, colon, tab or one character"), std::string::npos) << given;
    }
}

TEST(CommandLine, RejectsWhatItCannotUse)
{
    const std::vector<std::vector<std::string>> rejected{
        {"--columns", "29"},          {"--columns", "1,,2"},      {"--columns", "x"},
        {"--date-format", "9"},       {"--date-format", "1x"},    {"--month-names", "a,b"},
        {"--folder"},                 {"--colour"},               {"--yes=no"},
        {"/a", "/b"},                 {"--folder", "/a", "/b"},   {"--files-from", "list", "/a"},
        {"--files-from", ""},         {"--geojson", "-"},         {"--geojson", ""},
        {"-x"},
    };
    for (const auto& arguments : rejected)
        EXPECT_NE(Parse(arguments).error, "") << arguments.front();
}

TEST(CommandLine, AllColumnsAndNoColumns)
{
    EXPECT_EQ(Parse({"--columns", "all"}).commandLine.flags, std::string(29, '1'));
    EXPECT_EQ(Parse({"--columns", ""}).commandLine.flags, std::string(29, '0'));
}

TEST(CommandLine, OptionsNotGivenKeepTheStoredSettings)
{
    ExtractionSettings stored;
    stored.Folder = "/stored";
    stored.OutFile = "/stored.csv";
    stored.Flags = "1" + std::string(28, '0');
    stored.CommentLine = 1;
    stored.SubFolders = 1;
    stored.DateFormat = 5;
    stored.SeparatorNum = 3;
    stored.Spreadsheet = 1;

    const auto parsed = Parse({"/new", "--no-headings"});
    const ExtractionSettings settings = ApplyCommandLine(stored, parsed.commandLine);
    EXPECT_EQ(settings.Folder, "/new");
    EXPECT_EQ(settings.OutFile, "/stored.csv");
    EXPECT_EQ(settings.Flags, stored.Flags);
    EXPECT_EQ(settings.CommentLine, 0);
    EXPECT_EQ(settings.SubFolders, 1);
    EXPECT_EQ(settings.DateFormat, 5);
    EXPECT_EQ(settings.Spreadsheet, 1);
    EXPECT_EQ(ApplyCommandLine(stored, Parse({"--no-spreadsheet"}).commandLine).Spreadsheet, 0);
    EXPECT_EQ(SeparatorFor(settings, parsed.commandLine), "\t");
    EXPECT_EQ(SeparatorFor(settings, Parse({"--separator", "T"}).commandLine), "T");

    stored.SeparatorNum = -1;  // typed in the window, and so not stored
    EXPECT_EQ(SeparatorFor(stored, CommandLine{}), "");
}

TEST(CommandLine, OutputNamesAsAShellUserMeansThem)
{
    TempFolder folder;
    const std::string pipe = (folder.Path() / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> paths{
        {"report", "report.csv"},     {"out.txt", "out.txt"},         {"dir/out.", "dir/out..csv"},
        {"/dev/null", "/dev/null"},   {"/dev/stdout", "/dev/stdout"}, {"/proc/self/fd/2", "/proc/self/fd/2"},
        {"/sys/none", "/sys/none"},   {pipe, pipe},                   {".hidden.csv", ".hidden.csv"},
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

TEST(CommandLine, PhotoListsByLineOrByNul)
{
    const auto read = [](const std::string& text, bool nul) {
        std::FILE* list = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), list);
        std::rewind(list);
        PhotoList photos = ReadPhotoList(list, nul);
        std::fclose(list);
        return photos;
    };
    EXPECT_EQ(read("a.jpg\r\n\n/b c.jpg\nlast.jpg", false), (PhotoList{"a.jpg", "/b c.jpg", "last.jpg"}));
    EXPECT_EQ(read(std::string("a\nb.jpg\0\0c\r.jpg\0", 16), true), (PhotoList{"a\nb.jpg", "c\r.jpg"}));
}
