#include "cli/CommandLine.h"

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/ExtractionRun.h"
#include "extract/RecordComposer.h"
#include "metadata/PhotoFormats.h"
#include "metadata/TextEncoding.h"
#include "platform/FileSystem.h"

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

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments)
{
    ParseResult result;
    CommandLine& line = result.commandLine;

    // Options that take a value, each with what it does with that value; a non-empty text is an error.
    using ValueHandler = std::function<std::string(const std::string&)>;
    const auto nonEmpty = [](std::optional<std::string>& target, const char* what) {
        return [&target, what](const std::string& v) {
            target = v;
            return v.empty() ? std::string(what) : std::string();
        };
    };
    const std::map<std::string, ValueHandler> valueOptions{
        {"--folder", [&](const std::string& v) { line.folder = v; return std::string(); }},
        {"--output", [&](const std::string& v) { line.output = v; return std::string(); }},
        {"--separator",
         [&](const std::string& v) {
             line.separator = SeparatorNamed(v);
             return line.separator ? std::string()
                                   : "--separator takes comma, semicolon, colon, tab or one character other than a "
                                     "quote or a line break, not \"" + v + "\"";
         }},
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
        {"--formats",
         [&](const std::string& v) {
             if (v == "jpeg-tiff" || v == "all")
                 line.formats = v == "all" ? 1 : 0;
             return line.formats ? std::string() : "--formats takes \"jpeg-tiff\" or \"all\"";
         }},
        {"--readers",
         [&](const std::string& v) {
             line.readers = WholeNumber(v);
             return line.readers && *line.readers >= 1 && *line.readers <= 64 ? std::string()
                                                                               : "--readers takes a number from 1 to 64";
         }},
        {"--geojson",
         [&](const std::string& v) {
             line.mapPath = v;
             return v.empty() || v == "-" ? "--geojson takes the name of the map file" : std::string();
         }},
        {"--files-from", nonEmpty(line.filesFrom, "--files-from takes a file name, or - for standard input")},
    };
    const std::map<std::string, std::function<void()>> switches{
        {"--headings", [&] { line.headings = true; }},
        {"--no-headings", [&] { line.headings = false; }},
        {"--full-path", [&] { line.fullPath = true; }},
        {"--no-full-path", [&] { line.fullPath = false; }},
        {"--subfolders", [&] { line.subFolders = true; }},
        {"--no-subfolders", [&] { line.subFolders = false; }},
        {"--spreadsheet", [&] { line.spreadsheet = true; }},
        {"--no-spreadsheet", [&] { line.spreadsheet = false; }},
        {"-0", [&] { line.nulSeparated = true; }},
        {"--defaults", [&] { line.defaults = true; }},
        {"--quiet", [&] { line.quiet = true; }},
        {"-q", [&] { line.quiet = true; }},
        {"--sub-seconds", [&] { line.subSeconds = true; }},
        {"--no-sub-seconds", [&] { line.subSeconds = false; }},
        {"--yes", [&] { line.answerYes = true; }},
        {"--help", [&] { line.showHelp = true; }},
        {"-h", [&] { line.showHelp = true; }},
        {"--version", [&] { line.showVersion = true; }},
        {"-V", [&] { line.showVersion = true; }},
    };

    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (!optionsEnded && name == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || name.size() < 2 || name.front() != '-') {
            folders.push_back(name);
            continue;
        }
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

    if (folders.size() > 1)
        result.error = "one FOLDER only, but " + std::to_string(folders.size()) + " were given";
    else if (!folders.empty() && line.folder)
        result.error = "the folder is given twice, as FOLDER and with --folder";
    else if (!folders.empty())
        line.folder = folders.front();
    if (result.error.empty() && line.filesFrom && line.folder)
        result.error = "--files-from reads the photos it names, not a folder: give one or the other";
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
        "January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November",
        "December"};
    return names;
}

OutputChoice ChooseOutput(const std::string& outFile)
{
    if (outFile == "-")
        return {{}, true, {}};
    if (outFile.empty())
        return {{}, false, "no output file: give one with --output FILE, or --output - for standard output"};
    const std::string name = CUtility().GetFileName(outFile);
    const std::string stem = name.substr(0, name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
    if (stem.find_first_not_of('.') == std::string::npos)
        return {{}, false, "the output name \"" + outFile + "\" has no name before its extension: name the file"};
    // A device, a pipe or a file the system provides is written as it is named; a ".csv" added
    // would make a new regular file beside it.
    for (const char* system : {"/dev/", "/proc/", "/sys/"})
        if (outFile.rfind(system, 0) == 0)
            return {outFile, false, {}};
    if (platform::IsSpecialFile(outFile))
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
      --formats WHICH   "all" photo formats (the default at first) or "jpeg-tiff" only; see below
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
    const auto& catalogue = ColumnCatalogue();
    for (int column = 0; column < ColumnCount; ++column) {
        const std::string number = std::to_string(column);
        text += "  " + std::string(4 - number.size(), ' ') + number + "  " + std::string(catalogue[column].heading) + "\n";
    }
    // The extensions, wrapped under the first one at the width of the rest of this text.
    const auto list = [](std::span<const std::string_view> extensions, std::size_t column) {
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
    };
    text += "\nPhoto formats, by the file's extension in any case (JPEG and TIFF are read by FreeImage, the\n"
            "others by libexiv2):\n  jpeg-tiff  " + list(JpegAndTiffExtensions(), 13) +
            "\n  all        those and " + list(OtherPhotoExtensions(), 23) + "\n";
    text += R"(
Date layouts (for 2000:05:07 14:22:01):
     0  2000:05:07 14:22:01         5  07/05/2000 14:22:01
     1  07 May 2000 14:22:01        6  05/07/2000 14:22:01
     2  May 07 2000 14:22:01        7  07.05.2000 14:22:01
     3  2000-05-07 14:22:01         8  2000/05/07 14:22:01
     4  07-05-2000 14:22:01

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
