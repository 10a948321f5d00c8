#include "extract/Messages.h"

#include <array>
#include <utility>

namespace {

struct MessageEntry {
    MessageId id;
    std::string_view text;
    Message::Buttons buttons;
    Message::Icon icon;
    // The text when the count it starts with (its first argument) is 1, where English needs one.
    std::string_view textForOne = {};
};

constexpr std::array messageTable{
    MessageEntry{MessageId::FolderMissing,
                 "This folder does not exist! Please reenter or use the browse button to locate the folder..",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::Summary, "EXIF data have been successfully extracted from %d files and stored in %s.",
                 Message::Buttons::Ok, Message::Icon::Information},
    MessageEntry{MessageId::FolderEmpty, "Folder to scan cannot be empty. Please fill in or select a folder.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::OutputNotOpened,
                 "Cannot open file for storing the extracted data. Please check that the folder exists.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::Extracting, "Extracting data...", Message::Buttons::Ok, Message::Icon::Information},
    MessageEntry{MessageId::DuplicateNames,
                 "Duplicate filenames found. Do you want to continue?\nTo avoid this problem, use the full path option. ",
                 Message::Buttons::YesNo, Message::Icon::Question},
    MessageEntry{MessageId::UnreadablePhotos,
                 "%d of these files could not be read as photos: their records hold no metadata.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::OutputNotWritten,
                 "The extracted data could not be written to %s (%s). Please check that the disk is not full "
                 "and that the file may be written.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::OutputIsAPhoto,
                 "The output file %s is one of the photos to be read. Please choose another output file.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::UnlistedFolders,
                 "%d folders could not be opened: any photos in them are missing from the file.",
                 Message::Buttons::Ok, Message::Icon::Warning,
                 "%d folder could not be opened: any photos in it are missing from the file."},
    MessageEntry{MessageId::NoReader,
                 "No photo can be read: the photo reader %s could not be started (%s). Nothing was written.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::OutputInUse,
                 "The output file %s is being written by another extraction. Please wait until it has ended, "
                 "or choose another output file.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::MapSummary, "The map file %s shows %d of them; photos without a position (%d) are left out.",
                 Message::Buttons::Ok, Message::Icon::Information},
    MessageEntry{MessageId::SummaryWithUnread, "EXIF data have been extracted from %d of %d files and stored in %s.",
                 Message::Buttons::Ok, Message::Icon::Warning},
    MessageEntry{MessageId::Stopped, "Stopped after %d photos; %s holds the records written so far.",
                 Message::Buttons::Ok, Message::Icon::Information,
                 "Stopped after %d photo; %s holds the records written so far."},
};

const MessageEntry& Entry(MessageId id)
{
    for (const auto& entry : messageTable)
        if (entry.id == id)
            return entry;
    return messageTable.front();  // unreachable: every id has an entry
}

}  // namespace

std::string_view MessageText(MessageId id)
{
    return Entry(id).text;
}

Message MakeMessage(MessageId id, std::initializer_list<std::string_view> arguments)
{
    const MessageEntry& entry = Entry(id);
    // Placeholders are filled by hand rather than by printf: a path may itself hold "%s".
    std::string text;
    auto argument = arguments.begin();
    const bool one = !entry.textForOne.empty() && arguments.size() > 0 && *arguments.begin() == "1";
    const std::string_view pattern = one ? entry.textForOne : entry.text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() &&
                                 (pattern[i + 1] == 'd' || pattern[i + 1] == 's');
        if (placeholder && argument != arguments.end()) {
            text += *argument++;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return Message{id, std::move(text), entry.buttons, entry.icon,
                   std::vector<std::string>(arguments.begin(), arguments.end()), {}, {}};
}
