#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The run's messages to the user, by string id. Each host shows them its own way (a message box,
// a line on stderr) but always with these texts.
enum class MessageId {
    FolderMissing = 300,
    Summary = 301,
    FolderEmpty = 302,
    OutputNotOpened = 303,
    Extracting = 304,
    DuplicateNames = 305,
    UnreadablePhotos = 306,
    OutputNotWritten = 307,
    OutputIsAPhoto = 308,
    UnlistedFolders = 309,
    NoReader = 310,
};

struct Message {
    enum class Buttons { Ok, YesNo };
    enum class Icon { Warning, Information, Question };

    MessageId id;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
};

enum class Answer { Ok, Yes, No };

// The text of a string id as stored, placeholders ("%d", "%s") included.
std::string_view MessageText(MessageId id);

// The message for an id, with its placeholders filled in order from the arguments.
Message MakeMessage(MessageId id, std::initializer_list<std::string_view> arguments = {});
