// The stored settings, read and written through the native store. CTest points XDG_CONFIG_HOME (the
// user's store) and XDG_CONFIG_DIRS (the machine-wide one) at folders of this test's own, so the
// user's and the machine's settings are never touched.

#include "settings/SettingsStore.h"
#include "settings/NativeStore.h"
#include "extract/ColumnCatalogue.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>

namespace {

// The user's store, or with XDG_CONFIG_DIRS the machine-wide one.
std::filesystem::path StoreFile(const char* folder = "XDG_CONFIG_HOME")
{
    return std::filesystem::path(qEnvironmentVariable(folder).toStdString()) / "QX Software" / "Pixgatherer.conf";
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty());
        ASSERT_FALSE(qEnvironmentVariable("XDG_CONFIG_DIRS").isEmpty());
        std::filesystem::remove(StoreFile());
        std::filesystem::remove(StoreFile("XDG_CONFIG_DIRS"));
    }

    // Writes the store of `folder` as given, bytes that are not text included.
    static void Store(const std::string& lines, const char* folder = "XDG_CONFIG_HOME")
    {
        std::filesystem::create_directories(StoreFile(folder).parent_path());
        std::ofstream(StoreFile(folder), std::ios::binary) << "[General]\n" << lines;
    }

    const ExtractionSettings defaults = DefaultSettings(DefaultMonthNames());
};

}  // namespace

TEST_F(SettingsStore, EverySettingSurvivesSaveAndLoad)
{
    ExtractionSettings settings = defaults;
    settings.Folder = "/photos/a, b \xC3\xA9t\xC3\xA9";
    settings.OutFile = "/out/x.csv";
    settings.Flags = "1" + std::string(ColumnCount() - 2, '0') + "1" + "01";
    settings.ExtraTags = "Xmp.xmp.Rating Exif.Photo.LensSerialNumber";
    settings.MonthNames[4] = "Mai";
    settings.MonthNames[11] = "";
    for (std::int32_t* field : {&settings.CommentLine, &settings.FullFilePath, &settings.SubSeconds,
                                &settings.SubFolders, &settings.Spreadsheet, &settings.MapFile})
        *field = 1;
    settings.DateFormat = 8;
    settings.SeparatorNum = 3;
    settings.SeparatorText = "|";
    settings.Formats = 0;
    ASSERT_TRUE(SaveSettings(settings));
    EXPECT_EQ(LoadSettings(), settings);
}

// One tick per built-in column and per added tag. A store of the days before tags could be added
// reads as it always did; an entry edited by hand into no key goes with its tick, so that the
// ticks of the others stay theirs.
TEST_F(SettingsStore, FlagsKeepExactlyOneCharacterPerColumnAndTag)
{
    const std::string columns(ColumnCount(), '1');
    const struct {
        std::string stored;
        std::string flags;
        std::string extraTags;
    } cases[] = {
        {"Flags=1\n", "1" + std::string(ColumnCount() - 1, '0'), ""},
        {"Flags=" + columns + std::string(27, '0') + "\n", columns, ""},
        {"Flags=" + columns + "10\nExtraTags=Xmp.xmp.Rating Exif.Image.Artist\n", columns + "10",
         "Xmp.xmp.Rating Exif.Image.Artist"},
        {"Flags=" + columns + "1\nExtraTags=Xmp.xmp.Rating Exif.Image.Artist\n", columns + "10",
         "Xmp.xmp.Rating Exif.Image.Artist"},
        {"Flags=" + columns + "0111\nExtraTags=no_key Xmp.xmp.Rating  Xmp.xmp.Rating Exif.Image.Artist\n",
         columns + "11", "Xmp.xmp.Rating Exif.Image.Artist"},
    };
    for (const auto& c : cases) {
        Store(c.stored);
        const ExtractionSettings settings = LoadSettings();
        EXPECT_EQ(settings.Flags, c.flags) << c.stored;
        EXPECT_EQ(settings.ExtraTags, c.extraTags) << c.stored;
        // Closing again and again without a run must not make the stored value grow.
        for (int start = 0; start < 2; ++start) {
            ASSERT_TRUE(SaveSettings(LoadSettings()));
            EXPECT_EQ(NativeStore(NativeStore::Scope::User).ReadString("Flags", ""), c.flags) << c.stored;
        }
    }
}

TEST_F(SettingsStore, ValuesOfTheWrongTypeReadAsTheirDefaultsAndNumbersByHandAreRead)
{
    Store("DateFormat=abc\nSeparatorNum=2x\nSubFolders=99999999999\nCommentLine=\nFolder=a, b\nFullFilePath=1\n"
          "Month3=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n");
    ExtractionSettings expected = defaults;  // Folder: a list, not a text
    expected.FullFilePath = 1;
    EXPECT_EQ(LoadSettings(), expected);

    // A store from before videos were read keeps its formats.
    Store("DateFormat= 8 \nSeparatorNum=-1\nFormats=1\n");
    const ExtractionSettings kept = LoadSettings();
    EXPECT_EQ((std::array{kept.DateFormat, kept.SeparatorNum, kept.Formats}), (std::array{8, -1, 1}));
    Store("DateFormat=9\nSeparatorNum=99\nFormats=3\n");  // no such layout, separator or formats
    EXPECT_EQ(LoadSettings(), defaults);
}

// Settings files edited by hand, cut short by a crash or damaged on disk: the program starts with
// sane values, and says nothing about it on the console.
TEST_F(SettingsStore, AHostileStoreStartsWithSaneValuesAndSaysNothing)
{
    const std::string huge(2'000'000, 'A');  // the file stays below the size the store reads at all
    Store("DateFormat=2147483648\nSeparatorNum=-5\nSubSeconds=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\nQStringLis)\n"
          "Folder=\xFF\xFE/photos/\xC3(\nOutFile=" +
          huge + "\nFlags=" + std::string(100'000, '1') + "\nMonth1=\xE9t\xE9\nMonth2=" + std::string(1'000'000, 'B') +
          "\nCommentLine=true\nFullFilePath=99999999999999999999\nSubFolders=-1\n[broken\n=\n" +
          std::string("\0\x01\x02\n", 4));

    static QStringList complaints;
    complaints.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { complaints << text; });
    const ExtractionSettings settings = LoadSettings();
    qInstallMessageHandler(previous);

    EXPECT_TRUE(complaints.isEmpty()) << complaints.join('\n').toStdString();
    ExtractionSettings expected = defaults;
    expected.Folder = settings.Folder;
    expected.MonthNames[0] = settings.MonthNames[0];
    expected.SubFolders = -1;  // a number, and any number but 0 says yes
    EXPECT_EQ(settings, expected);
    // Bytes that are not UTF-8 come back as replacement characters: the texts stay valid UTF-8.
    EXPECT_EQ(settings.Folder, "\xEF\xBF\xBD\xEF\xBF\xBD/photos/\xEF\xBF\xBD(");
    EXPECT_EQ(settings.MonthNames[0].substr(0, 4), "\xEF\xBF\xBDt");
    for (const std::string& text : {settings.Folder, settings.MonthNames[0]})
        EXPECT_EQ(QString::fromStdString(text).toStdString(), text);

    // Closing writes the sane values back, and they load as written.
    ASSERT_TRUE(SaveSettings(settings));
    EXPECT_EQ(LoadSettings(), settings);
    EXPECT_LT(std::filesystem::file_size(StoreFile()), 4096u);
}

// Neither a pipe (which would wait for a writer for ever) nor a file far larger than any store is
// read: each starts the program with the defaults, and closing writes a sound store in its place.
TEST_F(SettingsStore, AStoreThatIsNoSaneFileReadsAsEmptyAndIsReplacedOnSave)
{
    const std::map<std::string, std::function<void()>> stores{
        {"a pipe", [] { ASSERT_EQ(::mkfifo(StoreFile().c_str(), 0600), 0); }},
        {"a file beyond the size limit",
         [] {
             Store("Folder=/stored\n");
             std::filesystem::resize_file(StoreFile(), 64 * 1024 * 1024);
         }},
    };
    for (const auto& [what, make] : stores) {
        std::filesystem::remove(StoreFile());
        std::filesystem::create_directories(StoreFile().parent_path());
        make();
        auto loading = std::async(std::launch::async, LoadSettings);
        if (loading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << what << ": loading hangs";
            ::close(::open(StoreFile().c_str(), O_WRONLY | O_NONBLOCK));  // lets it go
        }
        EXPECT_EQ(loading.get().Folder, "") << what;

        ExtractionSettings saved = DefaultSettings(DefaultMonthNames());
        saved.Folder = "/saved";
        EXPECT_TRUE(SaveSettings(saved)) << what;
        EXPECT_EQ(LoadSettings().Folder, "/saved") << what;
    }
}

TEST_F(SettingsStore, HelpIsFoundInTheRunningCopysDataFolderUnlessTheMachineNamesOne)
{
    // The build puts the help pages where an installed copy has them, relative to the programs,
    // so this finds the build's copy exactly as an installed program finds its own.
    const std::filesystem::path folder(HelpFolder());
    EXPECT_TRUE(folder.is_absolute()) << folder;
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "help" / "index.html")) << folder;

    Store("install_path=/srv/fotoharvester\n", "XDG_CONFIG_DIRS");
    EXPECT_EQ(HelpFolder(), "/srv/fotoharvester");
}
