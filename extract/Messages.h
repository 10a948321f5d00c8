#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The run's messages to the user. The window shows these texts; the batch command words them its
// own way from the id and the arguments.
enum class MessageId {
    FolderMissing,
    Summary,
    FolderEmpty,
    OutputNotOpened,
    Extracting,
    DuplicateNames,
    UnreadablePhotos,
    OutputNotWritten,
    OutputIsAPhoto,
    UnlistedFolders,
    NoReader,
    OutputInUse,
    MapSummary,
    SummaryWithUnread,
    Stopped,
};

struct Message {
    enum class Buttons { Ok, YesNo };
    enum class Icon { Warning, Information, Question };

    MessageId id;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
    // What the message is about (a path, a reason, a count), whether or not the text shows it.
    std::vector<std::string> arguments;
    // One line per photo or folder the message counts, for a host to list below the text.
    std::vector<std::string> details;
    // The file a run has written, which a host may offer to open; empty when there is none.
    std::string writtenFile;
};

enum class Answer { Ok, Yes, No };

// The text of a string id as stored, placeholders ("%d", "%s") included.
std::string_view MessageText(MessageId id);

// The message for an id, with its placeholders filled in order from the arguments (which it
// keeps, placeholders or not).
Message MakeMessage(MessageId id, std::initializer_list<std::string_view> arguments = {});
