#pragma once

#include "metadata/TagSource.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Reads photos in separate reader processes, so that a photo that crashes or hangs the image
// library costs only that photo's metadata. A reader that crashes, answers nonsense or takes longer
// than the time limit is killed and replaced; that photo reads as Crashed or TimedOut.
//
// Several readers work at once, each given a few photos at a time ahead of the caller, while Read
// hands the replies back strictly in the order of the list given to Begin. When a reader fails
// with several photos in hand, it is not known which of them was to blame (a reader answers a
// group of requests together, and a damaged heap can fell it a photo later), so each of them is
// read again alone in a fresh reader: only a photo that fails on its own is lost.
class ReaderPool : public TagSource {
public:
    struct Options {
        std::string program;  // the reader executable
        int readers = 1;
        int photosAhead = 32;  // requests queued at one reader
        std::chrono::milliseconds timeLimit{5000};
    };

    // The reader beside the running program (or the one FOTOHARVESTER_READER names), one reader
    // per core.
    static Options DefaultOptions();

    explicit ReaderPool(Options options);
    ~ReaderPool() override;
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;

    void Begin(const std::vector<std::string>& photos, std::function<void()> whileWaiting) override;
    void End() override;
    TagReading Read(const std::string& path) override;

    // Readers started so far, replacements included.
    int ReadersStarted() const { return m_readersStarted; }

private:
    struct Reader;

    TagReading ReadInBatch(std::size_t index);
    void SendAhead();
    bool EnsureRunning(Reader& reader);
    void Suspect(Reader& reader);
    bool WaitForReply(Reader& reader, std::string& payload);

    Options m_options;
    std::vector<std::unique_ptr<Reader>> m_readers;
    const std::vector<std::string>* m_photos = nullptr;
    std::vector<std::string> m_single;  // the list of a Read outside any batch
    std::function<void()> m_whileWaiting;
    std::size_t m_nextToSend = 0;
    std::size_t m_nextToRead = 0;
    int m_readersStarted = 0;
};
