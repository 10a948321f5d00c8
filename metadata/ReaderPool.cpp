#include "metadata/ReaderPool.h"

#include "metadata/TagWire.h"
#include "platform/ChildProcess.h"
#include "platform/FileSystem.h"
#include "platform/InstallLayout.h"
#include "platform/ReadAhead.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* readerName = "fotoharvester-reader";
// While waiting for a reply the caller is kept alive this often.
constexpr auto waitSlice = std::chrono::milliseconds(20);
// A reader asked to finish gets this long before it is killed.
constexpr int finishTimeoutMs = 200;
// What the readers read of most photos: the head, where the tags are.
constexpr std::size_t headBytes = 64 * 1024;

}  // namespace

struct ReaderPool::Reader {
    platform::ChildProcess process;
    bool started = false;
    std::deque<std::size_t> pending;  // indexes sent and not yet answered, ascending
    // Indexes this slot's next process must be sent before any other (what a dead process still
    // held), ascending and below any index not yet sent.
    std::deque<std::size_t> held;
    std::optional<std::size_t> retry;  // an index to read again, alone in a fresh process
    bool alone = false;                // the process reads only pending.front(), a retry
    int answered = 0;                  // photos the process has answered
    std::string received;
    Clock::time_point progressed;  // when the photo at pending.front() last showed progress

    // Ends the process and forgets what it had in hand; what it held stays.
    void Stop(bool gracefully)
    {
        if (started) {
            if (gracefully)
                process.Finish(finishTimeoutMs);
            else
                process.Kill();
        }
        started = false;
        alone = false;
        answered = 0;
        pending.clear();
        received.clear();
    }
};

// Fetches the heads of the photos a little ahead of the one being read, in a thread of its own:
// on a cold disk, opening a file waits for the disk, and the readers should not.
class ReaderPool::Prefetcher {
public:
    Prefetcher(const std::vector<std::string>& photos, std::size_t distance)
        : m_photos(photos), m_distance(distance), m_thread([this] { Run(); })
    {
    }
    ~Prefetcher()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // The photo at `index` is being read now.
    void Reading(std::size_t index)
    {
        bool wake = false;
        {
            const std::lock_guard lock(m_mutex);
            m_until = std::min(m_photos.size(), index + m_distance);
            // Woken for a good stretch at a time rather than for every photo.
            wake = m_idle && m_next < m_until && (m_until >= m_next + m_distance / 4 || m_until == m_photos.size());
        }
        if (wake)
            m_wake.notify_one();
    }

private:
    void Run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_idle = true;
            m_wake.wait(lock, [this] { return m_stop || m_next < m_until; });
            m_idle = false;
            if (m_stop)
                return;
            const std::string& path = m_photos[m_next++];
            lock.unlock();
            platform::ReadAhead(path, headBytes);
            lock.lock();
        }
    }

    const std::vector<std::string>& m_photos;
    const std::size_t m_distance;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_next = 0;
    std::size_t m_until = 0;
    bool m_idle = false;
    bool m_stop = false;
    std::thread m_thread;  // last: it starts working at once
};

ReaderPool::Options ReaderPool::DefaultOptions()
{
    Options options;
    options.readers = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    // Packagers and tests may put the reader elsewhere, but never where the current folder or
    // PATH would decide which program runs.
    const char* chosen = std::getenv("FOTOHARVESTER_READER");
    if (chosen != nullptr && *chosen != '\0') {
        options.program = chosen;
        if (!platform::PathFromNarrow(options.program).is_absolute())
            options.programProblem = "FOTOHARVESTER_READER must name it with an absolute path";
        return options;
    }
    options.program = platform::HelperProgram(platform::ExecutableFolder(), readerName);
    if (options.program.empty())
        options.programProblem = "the folder of the running program cannot be found";
    return options;
}

ReaderPool::ReaderPool(Options options) : m_options(std::move(options))
{
    m_options.readers = std::max(1, m_options.readers);
    m_options.photosAhead = std::max(1, m_options.photosAhead);
    m_options.readAhead = std::max(0, m_options.readAhead);
    for (int i = 0; i < m_options.readers; ++i)
        m_readers.push_back(std::make_unique<Reader>());
}

ReaderPool::~ReaderPool()
{
    m_prefetcher.reset();
    for (auto& reader : m_readers)
        reader->Stop(reader->pending.empty());
    m_readers.clear();
}

std::optional<ReaderProblem> ReaderPool::CheckReaders()
{
    const std::string program = m_options.program.empty() ? readerName : m_options.program;
    if (!m_options.programProblem.empty())
        return ReaderProblem{program, m_options.programProblem};
    Reader& reader = *m_readers.front();
    if (reader.started)
        return std::nullopt;
    if (!EnsureRunning(reader))
        return ReaderProblem{program, reader.process.StartError()};
    reader.process.Write(tagwire::Frame(tagwire::Kind::Hello, {}));
    reader.progressed = Clock::now();
    std::string body;
    switch (WaitFor(reader, body)) {
    case Event::Ready:
        return std::nullopt;
    case Event::TimedOut:
        reader.Stop(false);
        return ReaderProblem{program, "it did not answer in time"};
    case Event::Reading:
    case Event::Crashed:
        break;
    }
    reader.Stop(false);
    return ReaderProblem{program, "it did not answer as a photo reader"};
}

void ReaderPool::Begin(const std::vector<std::string>& photos, std::function<void()> whileWaiting)
{
    End();
    m_photos = &photos;
    m_whileWaiting = std::move(whileWaiting);
    if (m_options.readAhead > 0 && photos.size() > 1)
        m_prefetcher = std::make_unique<Prefetcher>(photos, static_cast<std::size_t>(m_options.readAhead));
}

void ReaderPool::End()
{
    m_prefetcher.reset();
    // A reader still busy with photos nobody will ask for is stopped; a fresh one starts when needed.
    for (auto& reader : m_readers) {
        if (!reader->pending.empty() || reader->alone)
            reader->Stop(false);
        reader->held.clear();
        reader->retry.reset();
    }
    m_photos = nullptr;
    m_whileWaiting = nullptr;
    m_nextToSend = 0;
    m_nextToRead = 0;
}

TagReading ReaderPool::Read(const std::string& path)
{
    const bool inBatch = m_photos != nullptr && m_nextToRead < m_photos->size() && (*m_photos)[m_nextToRead] == path;
    if (inBatch) {
        if (m_prefetcher)
            m_prefetcher->Reading(m_nextToRead);
        return ReadInBatch(m_nextToRead++);
    }

    // A read outside the announced order is served as a batch of its own.
    auto whileWaiting = m_whileWaiting;
    m_single = {path};
    Begin(m_single, whileWaiting);
    TagReading reading = ReadInBatch(m_nextToRead++);
    End();
    return reading;
}

TagReading ReaderPool::ReadInBatch(std::size_t index)
{
    for (;;) {
        SendAhead();
        auto owner = std::find_if(m_readers.begin(), m_readers.end(), [index](const auto& reader) {
            return !reader->pending.empty() && reader->pending.front() == index;
        });
        if (owner == m_readers.end()) {
            ForgetUnsent(index);
            return TagReading{ReadOutcome::NoReader, {}};
        }
        Reader& reader = **owner;

        std::string body;
        const Event event = WaitFor(reader, body);
        std::optional<TagReading> reading;
        if (event == Event::Reading)
            reading = tagwire::DecodeReading(body);
        if (reading) {
            reader.pending.pop_front();
            ++reader.answered;
            reader.progressed = Clock::now();
            if (reader.alone)
                reader.Stop(false);  // what it read may have damaged it: the rest go to a fresh one
            return std::move(*reading);
        }

        // The reader failed on this photo. Whatever else it had in hand goes on in a fresh reader.
        const bool readAlone = reader.alone || reader.answered == 0;
        reader.held.insert(reader.held.begin(), std::next(reader.pending.begin()), reader.pending.end());
        reader.Stop(false);
        if (readAlone)
            return TagReading{event == Event::TimedOut ? ReadOutcome::TimedOut : ReadOutcome::Crashed, {}};
        reader.retry = index;
    }
}

void ReaderPool::ForgetUnsent(std::size_t index)
{
    // No reader could be started for it: it is dropped from wherever it waited.
    for (auto& reader : m_readers) {
        if (reader->retry == index)
            reader->retry.reset();
        if (!reader->held.empty() && reader->held.front() == index)
            reader->held.pop_front();
    }
    if (m_nextToSend == index)
        ++m_nextToSend;
}

void ReaderPool::SendAhead()
{
    if (m_photos == nullptr)
        return;
    const std::size_t ahead = static_cast<std::size_t>(m_options.photosAhead);
    std::vector<std::string> outgoing(m_readers.size());
    const auto send = [&](std::size_t i, std::size_t index) {
        Reader& reader = *m_readers[i];
        if (reader.pending.empty())
            reader.progressed = Clock::now();
        reader.pending.push_back(index);
        outgoing[i] += tagwire::Frame(tagwire::Kind::Read, tagwire::RequestBody(0, (*m_photos)[index]));
    };

    // New requests go out a few at a time, once a reader has used up half of what it was given:
    // one write per reader and round.
    std::vector<bool> due(m_readers.size());
    for (std::size_t i = 0; i < m_readers.size(); ++i) {
        Reader& reader = *m_readers[i];
        if (reader.retry && reader.pending.empty()) {
            if (!EnsureRunning(reader))
                continue;
            reader.alone = true;
            send(i, *reader.retry);
            reader.retry.reset();
            continue;
        }
        if (reader.alone || reader.pending.size() > ahead / 2)
            continue;
        while (!reader.held.empty() && reader.pending.size() < ahead && EnsureRunning(reader)) {
            send(i, reader.held.front());
            reader.held.pop_front();
        }
        due[i] = reader.held.empty() && !reader.retry;
    }
    while (m_nextToSend < m_photos->size()) {
        // Photos are dealt out in turn to the due reader with the least in hand.
        std::size_t chosen = m_readers.size();
        for (std::size_t i = 0; i < m_readers.size(); ++i)
            if (due[i] && m_readers[i]->pending.size() < ahead &&
                (chosen == m_readers.size() || m_readers[i]->pending.size() < m_readers[chosen]->pending.size()))
                chosen = i;
        if (chosen == m_readers.size() || !EnsureRunning(*m_readers[chosen]))
            break;
        send(chosen, m_nextToSend++);
    }
    // A reader that cannot take its requests has died; waiting for its reply finds that out.
    for (std::size_t i = 0; i < m_readers.size(); ++i)
        if (!outgoing[i].empty())
            m_readers[i]->process.Write(outgoing[i]);
}

bool ReaderPool::EnsureRunning(Reader& reader)
{
    if (reader.started)
        return true;
    reader.received.clear();
    reader.answered = 0;
    if (!m_forkServerFailed && !m_options.program.empty()) {
        const bool serving = m_forkServer.Running() ||
                             m_forkServer.Start(m_options.program, static_cast<int>(m_options.stallLimit.count()));
        reader.started = serving && m_forkServer.Fork(reader.process);
        // A program that cannot serve forks, or a server that failed, still leaves the slow way.
        m_forkServerFailed = !reader.started && !m_forkServer.Running();
    }
    if (!reader.started)
        reader.started = reader.process.Start(m_options.program);
    if (reader.started)
        ++m_readersStarted;
    return reader.started;
}

ReaderPool::Event ReaderPool::WaitFor(Reader& reader, std::string& body)
{
    auto keptAlive = Clock::now();
    for (;;) {
        tagwire::Message message;
        const tagwire::Taken taken = tagwire::TakeMessage(reader.received, message);
        if (taken == tagwire::Taken::Broken)
            return Event::Crashed;
        if (taken == tagwire::Taken::Message) {
            switch (message.kind) {
            case tagwire::Kind::Progress:
                reader.progressed = Clock::now();
                continue;
            case tagwire::Kind::Reading:
                body = std::move(message.body);
                return Event::Reading;
            case tagwire::Kind::Ready:
                return Event::Ready;
            case tagwire::Kind::Hello:
            case tagwire::Kind::Read:
                break;
            }
            return Event::Crashed;
        }

        const auto now = Clock::now();
        if (now - reader.progressed >= m_options.stallLimit) {
            // Whatever came while this reader was not listened to (or this process was stopped)
            // counts before the reader is given up.
            if (reader.process.ReadSome(reader.received, 0) == platform::ChildProcess::ReadResult::Data)
                continue;
            return Event::TimedOut;
        }
        const auto untilLimit = std::chrono::duration_cast<std::chrono::milliseconds>(
            reader.progressed + m_options.stallLimit - now + std::chrono::milliseconds(1));
        const int timeoutMs = static_cast<int>(std::min<std::chrono::milliseconds>(waitSlice, untilLimit).count());
        if (reader.process.ReadSome(reader.received, timeoutMs) == platform::ChildProcess::ReadResult::Closed)
            return Event::Crashed;
        if (m_whileWaiting && Clock::now() - keptAlive >= waitSlice) {
            m_whileWaiting();
            keptAlive = Clock::now();
        }
    }
}
