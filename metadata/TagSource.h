#pragma once

#include "metadata/PhotoTags.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the reading of one photo ended. Every outcome but Read counts the photo as unread.
enum class ReadOutcome {
    Read,          // the photo was opened and its tags collected
    NotOpened,     // the image library could not make a photo of the file (not a photo, or damaged)
    NoPermission,  // the file may not be read
    Missing,       // the file is gone, or is not a regular file
    Crashed,       // the reader died on this file
    TimedOut,      // the reader made no progress on this file within the time limit
    NoReader,      // no reader process could be started
};
// The last outcome, for checking a value that crossed a process boundary.
constexpr ReadOutcome LastReadOutcome = ReadOutcome::NoReader;

// A few words on why a photo was not read, for the lists of unread photos.
std::string_view OutcomeReason(ReadOutcome outcome);

struct TagReading {
    ReadOutcome outcome = ReadOutcome::NotOpened;
    PhotoTags tags;  // empty unless outcome is Read

    bool operator==(const TagReading&) const = default;
};

// Why no photo can be read at all.
struct ReaderProblem {
    std::string program;  // the reader program that could not be started
    std::string reason;
};

// Where a photo's tags come from: the image library in this process, a pool of reader
// processes, or a script in tests.
class TagSource {
public:
    virtual ~TagSource() = default;

    // Asked before a run touches its output, so that a run that could read nothing is refused
    // rather than writing records without metadata over an earlier file.
    virtual std::optional<ReaderProblem> CheckReaders() { return std::nullopt; }

    // Starts a batch: the photos about to be read, in the order Read will be called, which a
    // source may read ahead; the list must stay unchanged until End. `whileWaiting` is called now
    // and then while Read waits for a slow photo, so that the caller stays responsive.
    virtual void Begin(const std::vector<std::string>& /*photos*/, std::function<void()> /*whileWaiting*/) {}
    // Ends the batch, dropping whatever was read ahead and not asked for.
    virtual void End() {}

    virtual TagReading Read(const std::string& path) = 0;
};
