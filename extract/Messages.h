#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The run's messages to the user. Each has the window's text and the batch command's line, both
// from one table (Messages.cpp), so that the two hosts say the same thing in their own form.
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
    NoColumns,
    SeparatorEmpty,
    OutputEmpty,
    OutputUnnamed,
    PhotosWithoutValues,
    KeepStoppedRecords,
    StoppedBeforeReading,
    OutputLinkUntrusted,
};

struct Message {
    enum class Buttons { Ok, YesNo };
    enum class Icon { Warning, Information, Question };

    MessageId id;
    // The window's text, placeholders filled; a run's ending has a line for each thing it tells.
    std::string text;
    // The batch command's words for the same: a line for each line of the ending, one for any
    // other message, without the program's name.
    std::vector<std::string> batchLines;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
    // What Enter answers a question with: the answer that loses nothing.
    bool noByDefault = false;
    // What the message is about (a path, a reason, a count), whether or not the text shows it.
    std::vector<std::string> arguments;
    // One line per photo or folder the message counts, for a host to list with the text.
    std::vector<std::string> details;
    // The file a run has written, which a host may offer to open; empty when there is none.
    std::string writtenFile;
};

enum class Answer { Ok, Yes, No };

// The window's text of an id as stored, placeholders ("%1", "%2" ...) included.
std::string_view MessageText(MessageId id);

// The message for an id, with the placeholders of its texts filled from the arguments ("%1" the
// first), which it keeps, placeholders or not. Where English needs it, a text has a form for a
// count of one, its first argument.
Message MakeMessage(MessageId id, std::initializer_list<std::string_view> arguments = {});

// Adds a message's texts to another's as further lines, as a run's ending gathers what it tells.
void AppendLines(Message& message, const Message& more);
// Adds a message's texts to the last line of another's, as a clause of the same sentence.
void ContinueLastLine(Message& message, const Message& more);
