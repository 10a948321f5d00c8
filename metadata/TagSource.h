#pragma once

#include "metadata/PhotoTags.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// A tag asked for by its key (libexiv2's name for it, such as Xmp.xmp.Rating): its text as
// libexiv2 interprets it, and its value where the reader found the text a plain number.
struct KeyedValue {
    std::string text;  // "" when the photo lacks the tag
    std::optional<double> number;

    bool operator==(const KeyedValue&) const = default;
};

struct TagReading {
    TagReading() = default;
    TagReading(ReadOutcome outcome, PhotoTags tags, std::vector<KeyedValue> keyed = {})
        : outcome(outcome), tags(std::move(tags)), keyed(std::move(keyed))
    {
    }

    ReadOutcome outcome = ReadOutcome::NotOpened;
    PhotoTags tags;                 // empty unless outcome is Read
    std::vector<KeyedValue> keyed;  // one per key asked for, in order; empty unless outcome is Read

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

    // The tags to read by key besides the ones the program knows, for every photo read from now
    // on: each reading then holds one KeyedValue per key, in this order. Readers look keys up only
    // when asked for some, so that a run without them costs nothing more.
    void AskForKeys(std::vector<std::string> keys) { m_keys = std::move(keys); }
    const std::vector<std::string>& AskedKeys() const { return m_keys; }
    // Whether the readings need the values of the tags the program knows (TagTable), or only
    // those of the keys asked for: a run whose every column is a tag by key, and that draws no map,
    // needs no other, and a reader may then skip the work they take.
    void NeedKnownTags(bool needed) { m_knownTagsNeeded = needed; }
    bool KnownTagsNeeded() const { return m_knownTagsNeeded; }

private:
    std::vector<std::string> m_keys;
    bool m_knownTagsNeeded = true;
};
