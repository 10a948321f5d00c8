#pragma once

#include "metadata/TagSource.h"
#include "platform/ChildProcess.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Reads photos in separate reader processes, so that a photo that crashes or hangs the image
// library costs only that photo's metadata.
//
// Several readers work at once, each given a few photos at a time ahead of the caller; their
// readings are kept until asked for, and Read hands them back strictly in the order of the list
// given to Begin. A reader answers each photo as soon as it has read it, so when one dies the
// photo it died on is the first it had not answered. The dead reader is replaced at once; its
// replacement first reads that photo once more (it may have been felled by a heap an earlier photo
// damaged), with libexiv2, which reads many a photo that crashes or hangs FreeImage, and then the
// photos the dead reader still held. Only a photo that fails on its own is lost (as Crashed or
// TimedOut), and a crash costs one reader started.
//
// Readers are forked from one reader that serves forks (where the system can fork), so that
// replacing a dead one costs a millisecond rather than a program's start.
//
// A reader is stopped only when the photo it reads shows no progress (no byte of it consumed) for
// the stall limit: a large or slow photo that keeps reading is never cut short, so the same photo
// gives the same result in every run, however loaded the machine.
class ReaderPool : public TagSource {
public:
    struct Options {
        std::string program;  // the reader executable, an absolute path
        int readers = 1;
        int photosAhead = 32;  // requests queued at one reader
        std::chrono::milliseconds stallLimit{20000};
        // Photos ahead of the one being read whose first bytes are fetched into the system's cache
        // meanwhile, so that the disk and the readers work at the same time; 0 for none.
        int readAhead = 256;
        std::string programProblem;  // why there is no program, when there is none
    };

    // The reader beside the running program or in its installed helper folder (or the one
    // FOTOHARVESTER_READER names with an absolute path), one reader per core.
    static Options DefaultOptions();

    explicit ReaderPool(Options options);
    ~ReaderPool() override;
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;

    // Starts a reader and waits for it to answer; that reader then serves the run.
    std::optional<ReaderProblem> CheckReaders() override;
    void Begin(const std::vector<std::string>& photos, std::function<void()> whileWaiting) override;
    void End() override;
    TagReading Read(const std::string& path) override;

    // Reader processes started so far, replacements and second readings included.
    int ReadersStarted() const { return m_readersStarted; }

private:
    struct Reader;
    class Prefetcher;

    TagReading ReadInBatch(std::size_t index);
    void SendAhead();
    bool Start(Reader& reader);
    void Listen(std::chrono::milliseconds timeout);
    void Hear(Reader& reader);
    void Fail(Reader& reader, ReadOutcome outcome);
    bool Awaited(std::size_t index) const;

    Options m_options;
    platform::ForkServer m_forkServer;  // before the readers, which it must outlive
    bool m_forkServerFailed = false;    // the readers are then started one by one
    std::vector<std::unique_ptr<Reader>> m_readers;
    const std::vector<std::string>* m_photos = nullptr;
    std::vector<std::string> m_single;  // the list of a Read outside any batch
    std::function<void()> m_whileWaiting;
    std::unique_ptr<Prefetcher> m_prefetcher;
    std::map<std::size_t, TagReading> m_readings;                      // read and not yet asked for
    std::set<std::size_t> m_resend;                                    // to send again, before any new photo
    std::deque<std::pair<std::size_t, ReadOutcome>> m_secondReadings;  // to read again first, how they failed
    std::size_t m_nextToSend = 0;
    std::size_t m_nextToRead = 0;
    int m_readersStarted = 0;
};
