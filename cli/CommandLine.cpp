#include "cli/CommandLine.h"

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/RecordComposer.h"

#include <charconv>
#include <functional>
#include <map>

namespace {

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

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments)
{
    ParseResult result;
    CommandLine& line = result.commandLine;

    // Options that take a value, each with what it does with that value; an empty text is an error.
    using ValueHandler = std::function<std::string(const std::string&)>;
    const std::map<std::string, ValueHandler> valueOptions{
        {"--folder", [&](const std::string& v) { line.folder = v; return std::string(); }},
        {"--output", [&](const std::string& v) { line.output = v; return std::string(); }},
        {"--separator", [&](const std::string& v) { line.separatorText = v; return std::string(); }},
        {"--columns",
         [&](const std::string& v) {
             line.flags = FlagsFromColumnList(v);
             return line.flags ? std::string() : "--columns takes \"all\" or column numbers 0 to 28 separated by commas";
         }},
        {"--date-format",
         [&](const std::string& v) {
             line.dateFormat = WholeNumber(v);
             return line.dateFormat && *line.dateFormat >= 0 && *line.dateFormat < DateLayoutCount
                        ? std::string()
                        : "--date-format takes a number from 0 to 8";
         }},
        {"--month-names",
         [&](const std::string& v) {
             const auto names = SplitAtCommas(v);
             if (names.size() != ExtractionSettings::MonthCount)
                 return std::string("--month-names takes twelve names separated by commas");
             line.monthNames.emplace();
             std::copy(names.begin(), names.end(), line.monthNames->begin());
             return std::string();
         }},
        {"--readers",
         [&](const std::string& v) {
             line.readers = WholeNumber(v);
             return line.readers && *line.readers >= 1 && *line.readers <= 64 ? std::string()
                                                                               : "--readers takes a number from 1 to 64";
         }},
    };
    const std::map<std::string, std::function<void()>> switches{
        {"--headings", [&] { line.headings = true; }},
        {"--no-headings", [&] { line.headings = false; }},
        {"--full-path", [&] { line.fullPath = true; }},
        {"--no-full-path", [&] { line.fullPath = false; }},
        {"--subfolders", [&] { line.subFolders = true; }},
        {"--no-subfolders", [&] { line.subFolders = false; }},
        {"--yes", [&] { line.answerYes = true; }},
        {"--help", [&] { line.showHelp = true; }},
        {"-h", [&] { line.showHelp = true; }},
        {"--version", [&] { line.showVersion = true; }},
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (const auto handler = valueOptions.find(name); handler != valueOptions.end()) {
            if (!value) {
                if (i + 1 >= arguments.size()) {
                    result.error = name + " needs a value";
                    return result;
                }
                value = arguments[++i];
            }
            result.error = handler->second(*value);
            if (!result.error.empty())
                return result;
        } else if (const auto toggle = switches.find(name); toggle != switches.end() && !value) {
            toggle->second();
        } else {
            result.error = "unknown option: " + arguments[i];
            return result;
        }
    }
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
    if (line.dateFormat)
        settings.DateFormat = *line.dateFormat;
    if (line.monthNames)
        settings.MonthNames = *line.monthNames;
    return settings;
}

std::string SeparatorTextFor(const ExtractionSettings& settings, const CommandLine& line)
{
    if (line.separatorText)
        return *line.separatorText;
    const auto& entries = SeparatorListEntries();
    if (settings.SeparatorNum >= 0 && static_cast<std::size_t>(settings.SeparatorNum) < entries.size())
        return std::string(entries[settings.SeparatorNum]);
    return {};
}

std::string HelpText()
{
    std::string text = R"(Usage: fotoharvester-cli [OPTION]...
Gathers the metadata of the JPEG and TIFF photos in a folder into one delimited text file,
one line per photo. Options not given keep the settings last saved by the Fotoharvester window,
so that a selection made there can be re-run from a script.

  --folder DIR          folder to scan
  --output FILE         output file; ".csv" is added when the name has no extension
  --columns LIST        the columns to write: "all", or column numbers separated by commas
                        (see the list below)
  --separator TEXT      separator: the first character of TEXT; a text starting with a capital T
                        gives TAB; an empty text gives no separator (default: the stored choice,
                        at first ",")
  --headings            write the line of column headings first (--no-headings: do not)
  --full-path           write full paths instead of file names, and skip the duplicate-name check
                        (--no-full-path: file names)
  --subfolders          include the photos of all sub-folders (--no-subfolders: do not)
  --date-format N       date layout of the date columns, 0 to 8 (see below)
  --month-names LIST    twelve month names separated by commas, for layouts 1 and 2
  --yes                 go on when two photos share a file name (without it the run stops there)
  --readers N           number of reader processes (default: one per processor core)
  --help                show this text and exit
  --version             show the version and exit

Columns:
)";
    const auto& catalogue = ColumnCatalogue();
    for (int column = 0; column < ColumnCount; ++column) {
        const std::string number = std::to_string(column);
        text += "  " + std::string(4 - number.size(), ' ') + number + "  " + std::string(catalogue[column].heading) + "\n";
    }
    text += R"(
Date layouts (for 2000:05:07 14:22:01):
     0  2000:05:07 14:22:01         5  07/05/2000 14:22:01
     1  07 May 2000 14:22:01        6  05/07/2000 14:22:01
     2  May 07 2000 14:22:01        7  07.05.2000 14:22:01
     3  2000-05-07 14:22:01         8  2000/05/07 14:22:01
     4  07-05-2000 14:22:01

The output goes to the file only. Progress (on a terminal), the summary and every refusal go to
standard error. Ctrl-C stops after the photo in progress and closes the file properly.

Exit status:
  0    every photo was processed
  1    the run was refused (missing folder, output not writable, duplicate names without --yes)
  2    the command line was not understood
  3    the run completed, but some photos or folders could not be read (the summary says how many)
  4    the output file could not be written completely
  5    no photo reader could be started; nothing was written
  130  stopped by Ctrl-C
)";
    return text;
}
