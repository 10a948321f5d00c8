#include "cli/CommandLine.h"

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/ExtractionRun.h"
#include "extract/Messages.h"
#include "extract/RecordComposer.h"
#include "metadata/PhotoFormats.h"
#include "metadata/TextEncoding.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
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
    if (!SeparatorUsable(text) || Utf8CharacterLength(text) != text.size())
        return std::nullopt;
    return text;
}

// The built-in column a --columns item names: its number or its short name.
std::optional<std::size_t> ColumnNamed(const std::string& item)
{
    if (const auto number = WholeNumber(item))
        return *number >= 0 && *number < ColumnCount() ? std::optional<std::size_t>(static_cast<std::size_t>(*number))
                                                       : std::nullopt;
    const auto& catalogue = ColumnCatalogue();
    const auto named =
        std::find_if(catalogue.begin(), catalogue.end(), [&](const Column& c) { return c.name == item; });
    return named == catalogue.end() ? std::nullopt
                                    : std::optional<std::size_t>(static_cast<std::size_t>(named - catalogue.begin()));
}

// The columns of a --columns list: "all", or items separated by commas, each a column's number,
// a range of numbers ("0-5"), a column's short name or a tag's key. The first item it does not
// know, when there is one.
std::optional<std::string> TakeColumnList(const std::string& list, std::string& flags, std::vector<std::string>& keys)
{
    flags.assign(static_cast<std::size_t>(ColumnCount()), list == "all" ? '1' : '0');
    if (list == "all" || list.empty())
        return std::nullopt;
    for (const std::string& item : SplitAtCommas(list)) {
        if (IsTagKey(item)) {
            if (std::find(keys.begin(), keys.end(), item) == keys.end())
                keys.push_back(item);
            continue;
        }
        const auto dash = item.find('-');
        const auto first = ColumnNamed(item.substr(0, dash));
        const auto last = dash == std::string::npos ? first : ColumnNamed(item.substr(dash + 1));
        const bool numbers =
            dash == std::string::npos || (WholeNumber(item.substr(0, dash)) && WholeNumber(item.substr(dash + 1)));
        if (!first || !last || !numbers || *last < *first)
            return item;
        for (std::size_t column = *first; column <= *last; ++column)
            flags[column] = '1';
    }
    flags.append(keys.size(), '1');
    return std::nullopt;
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
    std::string flags;
    std::vector<std::string> keys;
    const std::optional<std::string> unknown = TakeColumnList(value, flags, keys);
    if (!unknown) {
        line.flags = std::move(flags);
        line.extraTags = JoinTagKeys(keys);
        return {};
    }
    std::string names;
    for (const Column& column : ColumnCatalogue())
        names += (names.empty() ? "" : ", ") + column.name;
    return "--columns does not know \"" + *unknown +
           "\": it takes \"all\", or separated by commas column numbers 0 to " + std::to_string(ColumnCount() - 1) +
           ", ranges such as 0-5, the names " + names + ", and tag keys such as Xmp.xmp.Rating (see --help)";
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
    {"-0", &CommandLine::nulSeparated}, {"--defaults", &CommandLine::defaults},
    {"--quiet", &CommandLine::quiet},   {"-q", &CommandLine::quiet},
    {"--yes", &CommandLine::answerYes}, {"--help", &CommandLine::showHelp},
    {"-h", &CommandLine::showHelp},     {"--version", &CommandLine::showVersion},
    {"-V", &CommandLine::showVersion},  {"--list-tags", &CommandLine::listTags},
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

// Every column's number, name and heading, one a line.
std::string ColumnList()
{
    std::string text;
    for (std::size_t column = 0; column < ColumnCatalogue().size(); ++column) {
        const std::string number = std::to_string(column);
        const std::string& name = ColumnCatalogue()[column].name;
        text += std::string(6 - number.size(), ' ') + number + "  " + name;
        text += std::string(name.size() < 13 ? 13 - name.size() : 1, ' ');
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

// An argument is a photo when it names no folder and has a photo's or video's extension (the run
// then keeps those the Formats setting collects, as for a --files-from list); anything else is a
// FOLDER, so that a mistyped folder is reported as one that cannot be opened.
bool IsPhotoArgument(const std::string& argument)
{
    std::error_code error;
    return !std::filesystem::is_directory(platform::PathFromNarrow(argument), error) &&
           IsPhotoFile(argument, PhotoFormats::AllWithVideo);
}

// What the arguments name to read, one FOLDER or PHOTOs, checked against the options that also
// name what to read.
std::string TakeFolderOrPhotos(CommandLine& line, const std::vector<std::string>& arguments)
{
    std::vector<std::string> folders;
    for (const std::string& argument : arguments)
        (IsPhotoArgument(argument) ? line.photos : folders).push_back(argument);
    if (folders.size() > 1)
        return "one FOLDER only, but " + std::to_string(folders.size()) + " were given";
    if (!folders.empty() && !line.photos.empty())
        return "give one FOLDER or photos, not both: " + folders.front() + " is no photo";
    if (!folders.empty() && line.folder)
        return "the folder is given twice, as FOLDER and with --folder";
    if (!folders.empty())
        line.folder = folders.front();
    if (!line.photos.empty() && (line.folder || line.filesFrom))
        return std::string("photos given as arguments are read instead of ") +
               (line.folder ? "a folder" : "a --files-from list") + ": give one or the other";
    if (line.filesFrom && line.folder)
        return "--files-from reads the photos it names, not a folder: give one or the other";
    return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments)
{
    ParseResult result;
    std::vector<std::string> named;  // folders or photos
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size() && result.error.empty(); ++at) {
        const std::string& argument = arguments[at];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (optionsEnded || argument.size() < 2 || argument.front() != '-')
            named.push_back(argument);
        else
            result.error = TakeOption(result.commandLine, arguments, at);
    }
    if (result.error.empty())
        result.error = TakeFolderOrPhotos(result.commandLine, named);
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
    if (line.extraTags)
        settings.ExtraTags = *line.extraTags;
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
    return SeparatorFromText(settings.SeparatorText);
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
        return {{}, false, MakeMessage(MessageId::OutputEmpty).batchLines.front()};
    if (!HasNameBeforeExtension(outFile))
        return {{}, false, MakeMessage(MessageId::OutputUnnamed, {outFile}).batchLines.front()};
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
  or:  fotoharvester-cli [OPTION]... PHOTO...
Gathers the metadata of the photos in FOLDER, or of the PHOTOs named, into one delimited text
file, one line per photo, or into a workbook (an output named .xlsx), one row per photo. Options not given keep the settings last saved by the Fotoharvester
window (so that a selection made there can be re-run from a script), or the defaults with
--defaults.

  FOLDER, --folder DIR  folder to scan
  PHOTO...              read these photos instead of scanning a folder: any argument that is
                        not a folder and ends in a photo or video extension; sorted and
                        checked like a folder's
      --files-from FILE  read the photos named in FILE, one a line, instead of scanning a
                        folder ("-" reads standard input); sorted and checked like a folder's
  -0                    with --files-from: the names are separated by NUL bytes (find -print0)
      --output FILE     output file; ".csv" is added when the name has no extension, except
                        for devices, pipes and files under /dev, /proc and /sys; "-" writes the
                        records to standard output; a name ending in ".xlsx" gets a workbook
      --columns LIST    the columns to write: "all", or separated by commas column numbers,
                        ranges of them (0-5) and column names (see the list below), and the
                        keys of any other tags (see below); a run needs at least one. Without
                        it, the columns and tags last chosen in the window
      --separator SEP   comma, semicolon, colon, tab, or any one character (default: the stored
                        choice, chosen or typed in the window, at first a comma)
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
      --spreadsheet     a delimited file for spreadsheets: a byte-order mark first (Excel reads
                        it; LibreOffice needs "UTF-8" chosen in its import dialog), the first
                        heading "Filename" without "!", and an apostrophe before any text that
                        would start a formula (--no-spreadsheet: the plain file). A workbook
                        (.xlsx) needs none of it
      --geojson FILE    also write a map of the photos' positions to FILE (GeoJSON)
      --defaults        start from the default settings rather than the stored ones, so that a
                        script gives the same file on every machine
      --yes             go on when two photos share a file name (without it the run stops there)
      --readers N       number of reader processes (default: one per processor core)
      --list-tags       list every tag that can be asked for by its key (group, label, key,
                        description, separated by TABs) and exit
  -q, --quiet           no progress and no summary; only errors
  -h, --help            show this text and exit
  -V, --version         show the version and exit
      --                end of the options: what follows is the FOLDER or the PHOTOs

Columns:
)";
    text += ColumnList();
    text += R"(
Any other tag is a column too, named by its libexiv2 key: Exif.Photo.LensSerialNumber,
Exif.Photo.OffsetTimeOriginal, Exif.Image.Artist, Iptc.Application2.City, Xmp.xmp.Rating,
Xmp.dc.rights... (--list-tags lists them). Its text is libexiv2's, as exiv2 -Pkt -K KEY prints it,
except that an XMP text in several languages gives its default one and that several values are
joined with ";". The column is headed by the key, after the columns above, and is empty for a
photo without the tag; a plain number is written bare, any other text quoted. A key libexiv2
does not know is refused.
)";
    text += "\nPhoto formats, by the file's extension in any case (JPEG and TIFF are read by FreeImage, JPEG\n"
            "XL by libjxl, videos by libavformat, the others by libexiv2):\n  jpeg-tiff       " +
            WrappedList(JpegAndTiffExtensions(), 18) + "\n  all             those and " +
            WrappedList(OtherPhotoExtensions(), 28) + "\n  all-with-video  those and " +
            WrappedList(VideoExtensions(), 28) + "\n";
    text += R"(
Sidecar files: the XMP of NAME.xmp and NAME.EXT.xmp beside a photo or video NAME.EXT (".xmp"
in any case) is read with it, each value over the same value in the photo's own XMP, and
NAME.EXT.xmp over NAME.xmp; files of more than 8 MiB are not read. IPTC's headline, description
and keywords stay before the XMP ones. Sidecars are never records themselves.

The capture date (the date columns) is the first of: Exif's DateTimeOriginal, Exif's DateTime,
XMP's exif:DateTimeOriginal, XMP's xmp:CreateDate, IPTC's DateCreated with its TimeCreated,
XMP's photoshop:DateCreated, a video's date, a PNG's "Creation Time"; each the local time as
written, a date alone at 00:00:00 (an XMP year, or year and month, on its first day). A video's
date is the one the phone wrote (its local time), else the container's creation time (UTC)
turned into this computer's local time. Else it is the file's time: the older of its
modification and creation times (a copy keeps the modification time where it was copied with
it). A photo that could not be read has no date.
)";
    text += DateLayoutList();
    text += R"(
Which output to choose: for a spreadsheet, a workbook (--output photos.xlsx); for a script, the
delimited file (CSV), or standard output with --output -; for a map, --geojson FILE beside either.

A workbook has one sheet, "Photos": the heading row (always written, bold, frozen and with a
filter), then a row per photo with a record. Numbers (size, aperture, ISO, focal length,
distance, the position, the direction, a tag's plain number) are number cells; the capture date
columns are date-time cells, shown in the chosen layout (month names as the spreadsheet names
them, long or short as the names given), so that sorting and filtering go by date; a date no
calendar has, or one before March 1900, stays a text. Every other value is a text cell exactly
as the photo holds it, even one starting with "=", "+", "-" or "@": never a formula, and no
apostrophe. Control characters that a workbook cannot hold (all but TAB, LF and CR) become
U+FFFD, and a text beyond 32,767 characters is cut there. The file name links to the photo
(file://), and the latitude to the position on OpenStreetMap's map, up to 5,000 links (each is
held in memory until the workbook is written): the rows past them have none.

The records go to the output file only, or to standard output with --output -. Progress (on a
terminal), the summary ("N records written to FILE; M photos had none of the chosen values"),
every photo or folder that could not be read and every refusal go to standard error. No real
photo comes near these limits: a photo whose reading would take a reader more than 1 GiB of
memory, or whose JPEG head (the part before the picture) runs beyond 8 MiB, is counted as not
read; an XMP packet beyond 16 MiB is left unread, and the photo's other values are read. The output
file and the map take the place of earlier ones only when the run ends and both are on the disk,
so that a run that is killed or fails leaves the earlier files as they were. Ctrl-C stops after
the photo in progress: where there was no file, the records written so far are kept; an earlier
file is kept as it was. Like other programs that replace files, a run gives the output's name a
new file: another hard link to the earlier file keeps the earlier content. A symbolic link as the
output is followed to the file it names, except a link another user made in a folder anyone may
write to with the sticky bit (such as /tmp), which is refused.

Exit status:
  0    every photo was processed
  1    the run was refused (missing folder, output not writable, in use by another run or a
       link another user made in a shared folder, duplicate names without --yes)
  2    the command line was not understood, or it chooses no column, no separator or a tag
       key libexiv2 does not know
  3    the run completed, but some photos or folders could not be read (each is named)
  4    the output file or the map could not be written completely; earlier files are left as
       they were
  5    no photo reader could be started; nothing was written
  130  stopped by Ctrl-C; an earlier output file is left as it was
)";
    return text;
}
