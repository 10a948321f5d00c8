#include "extract/Messages.h"

#include <array>
#include <utility>

namespace {

struct MessageEntry {
    MessageId id;
    // The window's text: sentences, as a message box shows them.
    std::string_view window;
    // The batch command's line: lower case, no full stop, naming what it is about, and the option
    // that helps where there is one; empty for a text the batch command never shows.
    std::string_view batch;
    Message::Buttons buttons = Message::Buttons::Ok;
    Message::Icon icon = Message::Icon::Warning;
    bool noByDefault = false;
    // The texts when the count (the first argument) is 1, where English needs them.
    std::string_view windowForOne = {};
    std::string_view batchForOne = {};
};

using B = Message::Buttons;
using I = Message::Icon;

constexpr std::array messageTable{
    MessageEntry{.id = MessageId::FolderMissing,
                 .window = "The folder %1 cannot be opened (%2). Please reenter it or use the browse button to locate "
                           "the folder.",
                 .batch = "cannot open folder %1: %2"},
    // The count of records first, then the destination and the count of photos.
    MessageEntry{.id = MessageId::Summary,
                 .window = "EXIF data have been successfully extracted from %3 files and stored in %2.",
                 .batch = "%1 records written to %2",
                 .icon = I::Information,
                 .batchForOne = "%1 record written to %2"},
    MessageEntry{.id = MessageId::FolderEmpty,
                 .window = "Folder to scan cannot be empty. Please fill in or select a folder.",
                 .batch = "no folder to scan: name one as FOLDER, or give --files-from"},
    MessageEntry{.id = MessageId::OutputNotOpened,
                 .window = "Cannot open the file %1 for storing the extracted data (%2). Please check that the folder "
                           "exists.",
                 .batch = "cannot write %1: %2"},
    // The window's status while a run goes on; the batch command shows its progress instead.
    MessageEntry{.id = MessageId::Extracting, .window = "Extracting data...", .batch = "", .icon = I::Information},
    // The count of shared names first, then the first few of them.
    MessageEntry{.id = MessageId::DuplicateNames,
                 .window = "Duplicate filenames found: %2. Do you want to continue?\nTo avoid this problem, use the "
                           "full path option. ",
                 .batch = "photos in different folders share the names %2; add --full-path to tell them apart, or "
                          "--yes to write them all the same",
                 .buttons = B::YesNo,
                 .icon = I::Question,
                 .batchForOne = "photos in different folders share the name %2; add --full-path to tell them apart, "
                                "or --yes to write them all the same"},
    MessageEntry{.id = MessageId::UnreadablePhotos,
                 .window = "%1 of these files could not be read as photos: their records hold no metadata.",
                 .batch = "%1 photos could not be read; their records hold no metadata",
                 .batchForOne = "%1 photo could not be read; its record holds no metadata"},
    MessageEntry{.id = MessageId::OutputNotWritten,
                 .window = "The extracted data could not be written to %1 (%2). Please check that the disk is not "
                           "full and that the file may be written.",
                 .batch = "could not write %1: %2; an earlier file of that name is left as it was"},
    MessageEntry{.id = MessageId::OutputIsAPhoto,
                 .window = "The output file %1 is one of the photos to be read. Please choose another output file.",
                 .batch = "the output %1 is one of the photos to read; choose another"},
    MessageEntry{.id = MessageId::UnlistedFolders,
                 .window = "%1 folders could not be opened: any photos in them are missing from the file.",
                 .batch = "%1 folders could not be opened; any photos in them are missing",
                 .windowForOne = "%1 folder could not be opened: any photos in it are missing from the file.",
                 .batchForOne = "%1 folder could not be opened; any photos in it are missing"},
    MessageEntry{.id = MessageId::NoReader,
                 .window = "No photo can be read: the photo reader %1 could not be started (%2). Nothing was written.",
                 .batch = "No photo can be read: the photo reader %1 could not be started (%2). Nothing was written."},
    MessageEntry{.id = MessageId::OutputInUse,
                 .window = "The output file %1 is being written by another extraction. Please wait until it has "
                           "ended, or choose another output file.",
                 .batch = "%1 is being written by another run; try again when it has ended"},
    // The count first, for the batch command's "1 photo".
    MessageEntry{.id = MessageId::MapSummary,
                 .window = "The map file %2 shows %1 of them; photos without a position (%3) are left out.",
                 .batch = "map written to %2: %1 photos placed, %3 without a position left out",
                 .icon = I::Information,
                 .batchForOne = "map written to %2: %1 photo placed, %3 without a position left out"},
    // The count of records first, then how many photos were read, the destination and the count of
    // photos.
    MessageEntry{.id = MessageId::SummaryWithUnread,
                 .window = "EXIF data have been extracted from %2 of %4 files and stored in %3.",
                 .batch = "%1 records written to %3",
                 .batchForOne = "%1 record written to %3"},
    MessageEntry{.id = MessageId::Stopped,
                 .window = "Stopped after %1 photos; %2 holds the records written so far.",
                 .batch = "stopped after %1 photos; %2 holds the records written so far",
                 .icon = I::Information,
                 .windowForOne = "Stopped after %1 photo; %2 holds the records written so far.",
                 .batchForOne = "stopped after %1 photo; %2 holds the records written so far"},
    MessageEntry{.id = MessageId::NoColumns,
                 .window = "No column is ticked, so there is nothing to write. Please tick the columns you want in "
                           "the list.",
                 .batch = "no column chosen: choose them with --columns (\"all\", or the numbers --help lists)"},
    // Fields that run together cannot be told apart again.
    MessageEntry{.id = MessageId::SeparatorEmpty,
                 .window = "The separator character cannot be empty: the fields would run together and could not be "
                           "read back. Please choose a separator, or type one.",
                 .batch = "no separator: the fields would run together; give one with --separator"},
    MessageEntry{.id = MessageId::OutputEmpty,
                 .window = "Output filename cannot be empty. Please fill in a name or choose a file.",
                 .batch = "no output file: give one with --output FILE, or --output - for standard output"},
    MessageEntry{.id = MessageId::OutputUnnamed,
                 .window = "The output filename %1 has no name before its extension. Please fill in a name or choose "
                           "a file.",
                 .batch = "the output name \"%1\" has no name before its extension: name the file"},
    // A clause of a run's ending: the photos that have no record.
    MessageEntry{.id = MessageId::PhotosWithoutValues,
                 .window = "%1 of them had none of the chosen values and got no line in the file.",
                 .batch = "%1 photos had none of the chosen values",
                 .icon = I::Information,
                 .batchForOne = "%1 photo had none of the chosen values"},
    // The count of photos, then the earlier files the records would replace. The batch command
    // never asks: it keeps the earlier files, and its line says so.
    MessageEntry{.id = MessageId::KeepStoppedRecords,
                 .window = "Stopped after %1 photos. Do you want to keep the records read so far?\nYes puts them in "
                           "place of %2; No keeps %2 as before.",
                 .batch = "stopped after %1 photos; kept %2 as before, without the records read so far",
                 .buttons = B::YesNo,
                 .icon = I::Question,
                 .noByDefault = true,
                 .windowForOne = "Stopped after %1 photo. Do you want to keep the records read so far?\nYes puts "
                                 "them in place of %2; No keeps %2 as before.",
                 .batchForOne = "stopped after %1 photo; kept %2 as before, without the records read so far"},
    // A link in a shared folder (sticky, anyone may write) that another user made: following it
    // would let them choose which file the run writes over.
    MessageEntry{.id = MessageId::OutputLinkUntrusted,
                 .window = "The output file %1 is a symbolic link that another user made in a folder anyone may "
                           "write to, so it is not followed, and nothing was written. Please choose another output "
                           "file, or remove the link.",
                 .batch = "%1 is a symbolic link another user made in a shared folder; not followed, nothing "
                          "written: choose another output, or remove the link"},
    MessageEntry{.id = MessageId::StoppedBeforeReading,
                 .window = "Stopped before any photo was read; nothing was written.",
                 .batch = "stopped before any photo was read; nothing was written",
                 .icon = I::Information},
};

const MessageEntry& Entry(MessageId id)
{
    for (const auto& entry : messageTable)
        if (entry.id == id)
            return entry;
    return messageTable.front();  // unreachable: every id has an entry
}

// The pattern with "%1" to "%9" replaced by the arguments. By hand rather than by a formatting
// function, so that a path holding "%1" or "%s" is taken as it is.
std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> arguments)
{
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const std::size_t number = pattern[i] == '%' && next >= '1' && next <= '9' ? std::size_t(next - '0') : 0;
        if (number > 0 && number <= arguments.size()) {
            text += arguments.begin()[number - 1];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace

std::string_view MessageText(MessageId id)
{
    return Entry(id).window;
}

Message MakeMessage(MessageId id, std::initializer_list<std::string_view> arguments)
{
    const MessageEntry& entry = Entry(id);
    const bool one = arguments.size() > 0 && *arguments.begin() == "1";
    const auto form = [one](std::string_view text, std::string_view textForOne) {
        return one && !textForOne.empty() ? textForOne : text;
    };
    std::string text = Filled(form(entry.window, entry.windowForOne), arguments);
    Message message{
        id, std::move(text), {}, entry.buttons, entry.icon, entry.noByDefault, {arguments.begin(), arguments.end()}, {},
        {}};
    if (!entry.batch.empty())
        message.batchLines.push_back(Filled(form(entry.batch, entry.batchForOne), arguments));
    return message;
}

void AppendLines(Message& message, const Message& more)
{
    message.text += '\n';
    message.text += more.text;
    message.batchLines.insert(message.batchLines.end(), more.batchLines.begin(), more.batchLines.end());
}

void ContinueLastLine(Message& message, const Message& more)
{
    message.text += ' ';
    message.text += more.text;
    if (message.batchLines.empty())
        message.batchLines = more.batchLines;
    else if (!more.batchLines.empty())
        message.batchLines.back() += "; " + more.batchLines.front();
}
