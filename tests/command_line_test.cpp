#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace {

ParseResult Parse(std::vector<std::string> arguments)
{
    return ParseCommandLine(arguments);
}

}  // namespace

TEST(CommandLine, TakesEveryOptionInBothSpellings)
{
    const auto parsed = Parse({"--folder", "/p", "--output=/o/x", "--columns", "0,2,28", "--separator", ";",
                               "--headings", "--full-path", "--subfolders", "--date-format", "3", "--yes", "--sub-seconds",
                               "--month-names=a,b,c,d,e,f,g,h,i,j,k,l", "--readers", "3"});
    ASSERT_EQ(parsed.error, "");
    const CommandLine& line = parsed.commandLine;
    EXPECT_EQ(line.folder, "/p");
    EXPECT_EQ(line.output, "/o/x");
    EXPECT_EQ(line.flags, "101" + std::string(25, '0') + "1");
    EXPECT_EQ(line.separatorText, ";");
    EXPECT_EQ(line.headings, true);
    EXPECT_EQ(line.fullPath, true);
    EXPECT_EQ(line.subFolders, true);
    EXPECT_EQ(line.dateFormat, 3);
    EXPECT_EQ(ApplyCommandLine({}, line).SubSeconds, 1);
    EXPECT_TRUE(line.answerYes);
    ASSERT_TRUE(line.monthNames);
    EXPECT_EQ((*line.monthNames)[11], "l");
    EXPECT_EQ(line.readers, 3);
}

TEST(CommandLine, RejectsWhatItCannotUse)
{
    EXPECT_NE(Parse({"--columns", "29"}).error, "");
    EXPECT_NE(Parse({"--columns", "1,,2"}).error, "");
    EXPECT_NE(Parse({"--columns", "x"}).error, "");
    EXPECT_NE(Parse({"--date-format", "9"}).error, "");
    EXPECT_NE(Parse({"--date-format", "1x"}).error, "");
    EXPECT_NE(Parse({"--month-names", "a,b"}).error, "");
    EXPECT_NE(Parse({"--folder"}).error, "");
    EXPECT_NE(Parse({"--colour"}).error, "");
    EXPECT_NE(Parse({"--yes=no"}).error, "");
    EXPECT_NE(Parse({"stray"}).error, "");
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

    const auto parsed = Parse({"--folder", "/new", "--no-headings"});
    const ExtractionSettings settings = ApplyCommandLine(stored, parsed.commandLine);
    EXPECT_EQ(settings.Folder, "/new");
    EXPECT_EQ(settings.OutFile, "/stored.csv");
    EXPECT_EQ(settings.Flags, stored.Flags);
    EXPECT_EQ(settings.CommentLine, 0);
    EXPECT_EQ(settings.SubFolders, 1);
    EXPECT_EQ(settings.DateFormat, 5);
    EXPECT_EQ(SeparatorTextFor(settings, parsed.commandLine), "Tab");
    EXPECT_EQ(SeparatorTextFor(settings, Parse({"--separator", ""}).commandLine), "");

    stored.SeparatorNum = 7;
    EXPECT_EQ(SeparatorTextFor(stored, CommandLine{}), "");
}
