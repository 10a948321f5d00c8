#pragma once

#include "metadata/PhotoTags.h"

#include <functional>
#include <string>
#include <vector>

// How the reading of one photo ended.
enum class ReadOutcome {
    Read,          // the photo was opened and its tags collected
    NotOpened,     // the image library could not open the file
    ReaderFailed,  // the reader crashed or took too long on this file
};

struct TagReading {
    ReadOutcome outcome = ReadOutcome::NotOpened;
    PhotoTags tags;  // empty unless outcome is Read
};

// Where a photo's tags come from: the image library in this process, a pool of reader
// processes, or a script in tests.
class TagSource {
public:
    virtual ~TagSource() = default;

    // Starts a batch: the photos about to be read, in the order Read will be called, which a
    // source may read ahead; the list must stay unchanged until End. `whileWaiting` is called now
    // and then while Read waits for a slow photo, so that the caller stays responsive.
    virtual void Begin(const std::vector<std::string>& /*photos*/, std::function<void()> /*whileWaiting*/) {}
    // Ends the batch, dropping whatever was read ahead and not asked for.
    virtual void End() {}

    virtual TagReading Read(const std::string& path) = 0;
};
