#include "cli/CommandLine.h"

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/ExtractionRun.h"
#include "extract/RecordComposer.h"
#include "metadata/PhotoFormats.h"
#include "metadata/TextEncoding.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>
#include <utility>

namespace {

constexpr int MaxReaders = 64;

std::vector<std::string> SplitAtCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

std::optional<int> WholeNumber(const std::string& text)
{
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The separator a --separator text names: a name from the list or one character. A quote or a
// line break would break the file's quoting and lines.
std::optional<std::string> SeparatorNamed(const std::string& text)
{
    static const std::map<std::string, std::string> names{
        {"comma", ","}, {"semicolon", ";"}, {"colon", ":"}, {"tab", "\t"}};
    if (const auto named = names.find(text); named != names.end())
        return named->second;
    if (text.empty() || Utf8CharacterLength(text) != text.size() || text.find_first_of("\"\r\n") != std::string::npos)
        return std::nullopt;
    return text;
}

std::optional<std::string> FlagsFromColumnList(const std::string& list)
{
    if (list == "all")
        return std::string(ColumnCount, '1');
    std::string flags(ColumnCount, '0');
    if (list.empty())
        return flags;
    for (const std::string& item : SplitAtCommas(list)) {
        const auto column = WholeNumber(item);
        if (!column || *column < 0 || *column >= ColumnCount)
            return std::nullopt;
        flags[*column] = '1';
    }
    return flags;
}

// Each of these takes an option's value into the command line, and gives the reason when the
// value is of no use.

std::string TakeSeparator(CommandLine& line, const std::string& value)
{
    line.separator = SeparatorNamed(value);
    if (line.separator)
        return {};
    return "--separator takes comma, semicolon, colon, tab or one character other than a quote or a line break, "
           "not \"" +
           value + "\"";
}

std::string TakeColumns(CommandLine& line, const std::string& value)
{
    line.flags = FlagsFromColumnList(value);
    if (line.flags)
        return {};
    return "--columns takes \"all\" or column numbers 0 to " + std::to_string(ColumnCount - 1) + " separated by commas";
}

std::string TakeDateFormat(CommandLine& line, const std::string& value)
{
    line.dateFormat = WholeNumber(value);
    if (line.dateFormat && *line.dateFormat >= 0 && *line.dateFormat < DateLayoutCount)
        return {};
    return "--date-format takes a number from 0 to " + std::to_string(DateLayoutCount - 1);
}

std::string TakeMonthNames(CommandLine& line, const std::string& value)
{
    const auto names = SplitAtCommas(value);
    if (names.size() != ExtractionSettings::MonthCount)
        return "--month-names takes twelve names separated by commas";
    line.monthNames.emplace();
    std::copy(names.begin(), names.end(), line.monthNames->begin());
    return {};
}

std::string TakeFormats(CommandLine& line, const std::string& value)
{
    if (value != "jpeg-tiff" && value != "all" && value != "all-with-video")
        return "--formats takes \"jpeg-tiff\", \"all\" or \"all-with-video\"";
    line.formats = value == "jpeg-tiff" ? 0 : value == "all" ? 1 : 2;
    return {};
}

std::string TakeReaders(CommandLine& line, const std::string& value)
{
    line.readers = WholeNumber(value);
    if (line.readers && *line.readers >= 1 && *line.readers <= MaxReaders)
        return {};
    return "--readers takes a number from 1 to " + std::to_string(MaxReaders);
}

std::string TakeMapPath(CommandLine& line, const std::string& value)
{
    line.mapPath = value;
    return value.empty() || value == "-" ? "--geojson takes the name of the map file" : "";
}

std::string TakeFilesFrom(CommandLine& line, const std::string& value)
{
    line.filesFrom = value;
    return value.empty() ? "--files-from takes a file name, or - for standard input" : "";
}

using TakeValue = std::string (*)(CommandLine& line, const std::string& value);

const std::map<std::string, TakeValue>& ValueOptions()
{
    static const std::map<std::string, TakeValue> options{
        {"--folder",
         [](CommandLine& line, const std::string& value) {
             line.folder = value;
             return std::string();
         }},
        {"--output",
         [](CommandLine& line, const std::string& value) {
             line.output = value;
             return std::string();
         }},
        {"--separator", TakeSeparator},
        {"--columns", TakeColumns},
        {"--date-format", TakeDateFormat},
        {"--month-names", TakeMonthNames},
        {"--formats", TakeFormats},
        {"--readers", TakeReaders},
        {"--geojson", TakeMapPath},
        {"--files-from", TakeFilesFrom},
    };
    return options;
}

// Settings the command line turns on with "--NAME" and off with "--no-NAME".
constexpr std::pair<std::string_view, std::optional<bool> CommandLine::*> settingSwitches[]{
    {"headings", &CommandLine::headings},      {"full-path", &CommandLine::fullPath},
    {"subfolders", &CommandLine::subFolders},  {"spreadsheet", &CommandLine::spreadsheet},
    {"sub-seconds", &CommandLine::subSeconds},
};

// The command's own switches, long and short.
constexpr std::pair<std::string_view, bool CommandLine::*> commandSwitches[]{
    {"-0", &CommandLine::nulSeparated}, {"--defaults", &CommandLine::defaults},   {"--quiet", &CommandLine::quiet},
    {"-q", &CommandLine::quiet},        {"--yes", &CommandLine::answerYes},       {"--help", &CommandLine::showHelp},
    {"-h", &CommandLine::showHelp},     {"--version", &CommandLine::showVersion}, {"-V", &CommandLine::showVersion},
};

bool TakeSwitch(CommandLine& line, std::string_view name)
{
    for (const auto& [setting, member] : settingSwitches) {
        if (name.starts_with("--") && name.substr(2) == setting)
            line.*member = true;
        else if (name.starts_with("--no-") && name.substr(5) == setting)
            line.*member = false;
        else
            continue;
        return true;
    }
    for (const auto& [option, member] : commandSwitches) {
        if (name == option) {
            line.*member = true;
            return true;
        }
    }
    return false;
}

// Takes the option at arguments[at], with its value ("--name=value" or the next argument, past
// which `at` then moves); the reason when it cannot.
std::string TakeOption(CommandLine& line, const std::vector<std::string>& arguments, std::size_t& at)
{
    std::string name = arguments[at];
    std::optional<std::string> value;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
    }
    if (const auto option = ValueOptions().find(name); option != ValueOptions().end()) {
        if (!value && at + 1 >= arguments.size())
            return name + " needs a value";
        return option->second(line, value ? *value : arguments[++at]);
    }
    if (!value && TakeSwitch(line, name))
        return {};
    return "unknown option: " + arguments[at];
}

// Every column's number and heading, one a line.
std::string ColumnList()
{
    std::string text;
    for (int column = 0; column < ColumnCount; ++column) {
        const std::string number = std::to_string(column);
        text += std::string(6 - number.size(), ' ') + number + "  ";
        text.append(ColumnCatalogue()[column].heading) += '\n';
    }
    return text;
}

// The extensions, wrapped under the first one at the width of the rest of the help.
std::string WrappedList(std::span<const std::string_view> extensions, std::size_t column)
{
    std::string names;
    std::size_t width = column;
    for (const std::string_view extension : extensions) {
        if (width + 1 + extension.size() > 95) {
            names += "\n" + std::string(column, ' ');
            width = column;
        } else if (!names.empty()) {
            names += ' ';
            ++width;
        }
        names += extension;
        width += extension.size();
    }
    return names;
}

// Every date layout for one example date, in two columns.
std::string DateLayoutList()
{
    const std::string example = "2000:05:07 14:22:01";
    const auto entry = [&](int layout) {
        return "     " + std::to_string(layout) + "  " + FormatDate(example, layout, FixedMonthNames());
    };
    std::string text = "\nDate layouts (for " + example + "):\n";
    const int rows = (DateLayoutCount + 1) / 2;
    for (int row = 0; row < rows; ++row) {
        std::string line = entry(row);
        if (row + rows < DateLayoutCount) {
            line.resize(std::max<std::size_t>(line.size() + 1, 31), ' ');
            line += entry(row + rows);
        }
        text += line + "\n";
    }
    return text;
}

// The folder given as FOLDER, checked against the options that also name what to read.
std::string TakeFolder(CommandLine& line, const std::vector<std::string>& folders)
{
    if (folders.size() > 1)
        return "one FOLDER only, but " + std::to_string(folders.size()) + " were given";
    if (!folders.empty() && line.folder)
        return "the folder is given twice, as FOLDER and with --folder";
    if (!folders.empty())
        line.folder = folders.front();
    if (line.filesFrom && line.folder)
        return "--files-from reads the photos it names, not a folder: give one or the other";
    return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments)
{
    ParseResult result;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size() && result.error.empty(); ++at) {
        const std::string& argument = arguments[at];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (optionsEnded || argument.size() < 2 || argument.front() != '-')
            folders.push_back(argument);
        else
            result.error = TakeOption(result.commandLine, arguments, at);
    }
    if (result.error.empty())
        result.error = TakeFolder(result.commandLine, folders);
    return result;
}

ExtractionSettings ApplyCommandLine(ExtractionSettings settings, const CommandLine& line)
{
    if (line.folder)
        settings.Folder = *line.folder;
    if (line.output)
        settings.OutFile = *line.output;
    if (line.flags)
        settings.Flags = *line.flags;
    if (line.headings)
        settings.CommentLine = *line.headings ? 1 : 0;
    if (line.fullPath)
        settings.FullFilePath = *line.fullPath ? 1 : 0;
    if (line.subFolders)
        settings.SubFolders = *line.subFolders ? 1 : 0;
    if (line.spreadsheet)
        settings.Spreadsheet = *line.spreadsheet ? 1 : 0;
    if (line.dateFormat)
        settings.DateFormat = *line.dateFormat;
    if (line.subSeconds)
        settings.SubSeconds = *line.subSeconds ? 1 : 0;
    if (line.formats)
        settings.Formats = *line.formats;
    if (line.monthNames)
        settings.MonthNames = *line.monthNames;
    return settings;
}

std::string SeparatorFor(const ExtractionSettings& settings, const CommandLine& line)
{
    if (line.separator)
        return *line.separator;
    const auto& entries = SeparatorListEntries();
    if (settings.SeparatorNum >= 0 && static_cast<std::size_t>(settings.SeparatorNum) < entries.size())
        return SeparatorFromText(entries[settings.SeparatorNum]);
    return {};
}

const std::array<std::string, ExtractionSettings::MonthCount>& FixedMonthNames()
{
    static const std::array<std::string, ExtractionSettings::MonthCount> names{
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    return names;
}

OutputChoice ChooseOutput(const std::string& outFile)
{
    if (outFile == "-")
        return {{}, true, {}};
    if (outFile.empty())
        return {{}, false, "no output file: give one with --output FILE, or --output - for standard output"};
    const std::string name = FileNameOf(outFile);
    const std::string stem = name.substr(0, name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
    if (stem.find_first_not_of('.') == std::string::npos)
        return {{}, false, "the output name \"" + outFile + "\" has no name before its extension: name the file"};
    // A device, a pipe or a file the system provides is written as it is named; a ".csv" added
    // would make a new regular file beside it.
    if (platform::IsSystemPath(outFile) || platform::IsSpecialFile(outFile))
        return {outFile, false, {}};
    return {OutputPathFor(outFile), false, {}};
}

PhotoList ReadPhotoList(std::FILE* list, bool nulSeparated)
{
    const char end = nulSeparated ? '\0' : '\n';
    PhotoList photos;
    std::string path;
    const auto take = [&] {
        if (!nulSeparated && !path.empty() && path.back() == '\r')
            path.pop_back();
        if (!path.empty())
            photos.push_back(std::move(path));
        path.clear();
    };
    for (int c; (c = std::getc(list)) != EOF;) {
        if (static_cast<char>(c) == end)
            take();
        else
            path += static_cast<char>(c);
    }
    take();
    return photos;
}

std::string HelpText()
{
    std::string text = R"(Usage: fotoharvester-cli [OPTION]... [FOLDER]
Gathers the metadata of the photos in FOLDER into one delimited text file, one line per photo.
Options not given keep the settings last saved by the Fotoharvester window (so that a selection
made there can be re-run from a script), or the defaults with --defaults.

  FOLDER, --folder DIR  folder to scan
      --files-from FILE  read the photos named in FILE, one a line, instead of scanning a
                        folder ("-" reads standard input); sorted and checked like a folder's
  -0                    with --files-from: the names are separated by NUL bytes (find -print0)
      --output FILE     output file; ".csv" is added when the name has no extension, except
                        for devices, pipes and files under /dev, /proc and /sys; "-" writes the
                        records to standard output
      --columns LIST    the columns to write: "all", or column numbers separated by commas
                        (see the list below)
      --separator SEP   comma, semicolon, colon, tab, or any one character (default: the stored
                        choice, at first a comma)
      --headings        write the line of column headings first (--no-headings: do not)
      --full-path       write full paths instead of file names, and skip the duplicate-name check
                        (--no-full-path: file names)
      --subfolders      include the photos of all sub-folders (--no-subfolders: do not)
      --formats WHICH   "all-with-video": photos and videos (the default at first), "all" photo
                        formats, or "jpeg-tiff" only; see below
      --date-format N   date layout of the date columns, 0 to 8 (see below)
      --month-names LIST  twelve month names separated by commas, for layouts 1 and 2
      --sub-seconds     give the times the fraction of a second the camera recorded, as in
                        14:22:01.25, where the photo has one (--no-sub-seconds: whole seconds)
      --spreadsheet     for spreadsheets: a byte-order mark first, and an apostrophe before any
                        text that would start a formula (--no-spreadsheet: the plain file)
      --geojson FILE    also write a map of the photos' positions to FILE (GeoJSON)
      --defaults        start from the default settings rather than the stored ones, so that a
                        script gives the same file on every machine
      --yes             go on when two photos share a file name (without it the run stops there)
      --readers N       number of reader processes (default: one per processor core)
  -q, --quiet           no progress and no summary; only errors
  -h, --help            show this text and exit
  -V, --version         show the version and exit
      --                end of the options: what follows is the FOLDER

Columns:
)";
    text += ColumnList();
    text += "\nPhoto formats, by the file's extension in any case (JPEG and TIFF are read by FreeImage, the\n"
            "other photos by libexiv2, videos by libavformat):\n  jpeg-tiff       " +
            WrappedList(JpegAndTiffExtensions(), 18) + "\n  all             those and " +
            WrappedList(OtherPhotoExtensions(), 28) + "\n  all-with-video  those and " +
            WrappedList(VideoExtensions(), 28) + "\n";
    text += DateLayoutList();
    text += R"(
The records go to the output file only, or to standard output with --output -. Progress (on a
terminal), the summary, every photo or folder that could not be read and every refusal go to
standard error. The output file takes the place of an earlier one only when the run ends, so that
a run that is killed or fails leaves the earlier file as it was; Ctrl-C stops after the photo in
progress and keeps the records written so far.

Exit status:
  0    every photo was processed
  1    the run was refused (missing folder, output not writable or in use by another run,
       duplicate names without --yes)
  2    the command line was not understood
  3    the run completed, but some photos or folders could not be read (each is named)
  4    the output file could not be written completely; an earlier file is left as it was
  5    no photo reader could be started; nothing was written
  130  stopped by Ctrl-C
)";
    return text;
}
