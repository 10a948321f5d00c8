#include "metadata/ReaderPool.h"

#include "metadata/TagWire.h"
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
// While waiting for a reading the caller is kept alive this often.
constexpr auto waitSlice = std::chrono::milliseconds(20);
// A reader asked to finish gets this long before it is killed.
constexpr int finishTimeoutMs = 200;
// What the readers read of most photos: the head, where the tags are.
constexpr std::size_t headBytes = 64 * 1024;

}  // namespace

struct ReaderPool::Reader {
    platform::ChildProcess process;
    bool started = false;
    // The photo a reader failed on, which this fresh reader reads first with libexiv2, and how it
    // failed then.
    std::optional<std::pair<std::size_t, ReadOutcome>> secondReading;
    std::deque<std::size_t> inFlight;  // sent and not yet answered, in the order sent
    int answered = 0;                  // photos the process has answered
    std::string received;
    Clock::time_point progressed;  // when the photo at inFlight.front() last showed progress

    // Ends the process and forgets what it had in hand.
    void Stop(bool gracefully)
    {
        if (started) {
            if (gracefully)
                process.Finish(finishTimeoutMs);
            else
                process.Kill();
        }
        started = false;
        answered = 0;
        secondReading.reset();
        inFlight.clear();
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
            // Photos that are in the cache already, as on every run after the first, need no
            // asking: after a good run of them the next stretch is left alone, then looked at again.
            if (!platform::ReadAhead(path, headBytes))
                m_cachedInARow = 0;
            else if (++m_cachedInARow >= cachedBeforeResting) {
                m_cachedInARow = 0;
                lock.lock();
                m_next = std::min(m_photos.size(), m_next + restingStretch);
                continue;
            }
            lock.lock();
        }
    }

    // Found in the cache in a row before the prefetcher skips a stretch of photos.
    static constexpr std::size_t cachedBeforeResting = 32;
    static constexpr std::size_t restingStretch = 512;
    std::size_t m_cachedInARow = 0;  // the thread's own

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
        reader->Stop(reader->inFlight.empty());
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
    m_forkServerFailed = false;  // the program may have been mended since
    if (!Start(reader))
        return ReaderProblem{program, reader.process.StartError()};
    reader.process.Write(tagwire::Frame(tagwire::Kind::Hello, {}));
    const auto asked = Clock::now();
    for (;;) {
        const auto result = reader.process.ReadSome(reader.received, static_cast<int>(waitSlice.count()));
        tagwire::Message message;
        const tagwire::Taken taken = tagwire::TakeMessage(reader.received, message);
        if (taken == tagwire::Taken::Message && message.kind == tagwire::Kind::Ready && reader.received.empty())
            return std::nullopt;
        if (taken != tagwire::Taken::Incomplete || result == platform::ChildProcess::ReadResult::Closed)
            break;
        if (Clock::now() - asked >= m_options.stallLimit) {
            reader.Stop(false);
            return ReaderProblem{program, "it did not answer in time"};
        }
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
    for (auto& reader : m_readers)
        if (!reader->inFlight.empty())
            reader->Stop(false);
    m_readings.clear();
    m_resend.clear();
    m_secondReadings.clear();
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
    auto keptAlive = Clock::now();
    for (;;) {
        const auto found = m_readings.find(index);
        if (found != m_readings.end()) {
            TagReading reading = std::move(found->second);
            m_readings.erase(found);
            return reading;
        }
        SendAhead();
        if (!Awaited(index)) {
            // No reader could be started to read it.
            m_resend.erase(index);
            if (m_nextToSend == index)
                ++m_nextToSend;
            return TagReading{ReadOutcome::NoReader, {}};
        }
        Listen(waitSlice);
        if (m_whileWaiting && Clock::now() - keptAlive >= waitSlice) {
            m_whileWaiting();
            keptAlive = Clock::now();
        }
    }
}

bool ReaderPool::Awaited(std::size_t index) const
{
    const auto holds = [index](const Reader& reader) {
        return std::find(reader.inFlight.begin(), reader.inFlight.end(), index) != reader.inFlight.end();
    };
    return std::any_of(m_readers.begin(), m_readers.end(), [&](const auto& reader) { return holds(*reader); }) ||
           std::any_of(m_secondReadings.begin(), m_secondReadings.end(),
                       [index](const auto& second) { return second.first == index; });
}

void ReaderPool::SendAhead()
{
    if (m_photos == nullptr)
        return;
    const auto send = [this](Reader& reader, std::size_t index, std::uint32_t flags) {
        if (reader.inFlight.empty())
            reader.progressed = Clock::now();
        reader.inFlight.push_back(index);
        if (!KnownTagsNeeded())
            flags |= tagwire::ReadKeysOnly;
        return tagwire::Frame(tagwire::Kind::Read, tagwire::RequestBody(flags, AskedKeys(), (*m_photos)[index]));
    };

    // A photo a reader failed on is read again first thing by a fresh reader, which no photo read
    // before can have damaged, and with libexiv2, which reads many a photo that crashes or hangs
    // FreeImage. The reader that failed is the one replaced, so one is always free for it.
    std::vector<std::string> outgoing(m_readers.size());
    for (std::size_t i = 0; i < m_readers.size() && !m_secondReadings.empty(); ++i) {
        Reader& reader = *m_readers[i];
        if (reader.started)
            continue;
        const auto [index, failure] = m_secondReadings.front();
        m_secondReadings.pop_front();
        if (!Start(reader)) {
            m_readings.insert_or_assign(index, TagReading{failure, {}});
            continue;
        }
        reader.secondReading.emplace(index, failure);
        outgoing[i] = send(reader, index, tagwire::ReadWithSecondLibrary);
    }

    // New requests go out a few at a time, once a reader has used up half of what it was given:
    // one write per reader and round. Photos sent again come first; no photo goes out further
    // ahead of the one asked for than the readers can hold.
    const std::size_t ahead = static_cast<std::size_t>(m_options.photosAhead);
    const std::size_t horizon = std::min(m_photos->size(), m_nextToRead + ahead * m_readers.size());
    std::vector<bool> due(m_readers.size());
    for (std::size_t i = 0; i < m_readers.size(); ++i)
        due[i] = m_readers[i]->inFlight.size() <= ahead / 2;
    while (!m_resend.empty() || m_nextToSend < horizon) {
        // Photos are dealt out in turn to the due reader with the least in hand.
        std::size_t chosen = m_readers.size();
        for (std::size_t i = 0; i < m_readers.size(); ++i)
            if (due[i] && m_readers[i]->inFlight.size() < ahead &&
                (chosen == m_readers.size() || m_readers[i]->inFlight.size() < m_readers[chosen]->inFlight.size()))
                chosen = i;
        if (chosen == m_readers.size())
            break;
        if (!Start(*m_readers[chosen])) {
            due[chosen] = false;
            continue;
        }
        std::size_t index = m_nextToSend;
        if (!m_resend.empty()) {
            index = *m_resend.begin();
            m_resend.erase(m_resend.begin());
        } else {
            ++m_nextToSend;
        }
        outgoing[chosen] += send(*m_readers[chosen], index, 0);
    }
    // A reader that cannot take its requests has died; listening to it finds that out.
    for (std::size_t i = 0; i < m_readers.size(); ++i)
        if (!outgoing[i].empty())
            m_readers[i]->process.Write(outgoing[i]);
}

bool ReaderPool::Start(Reader& reader)
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

void ReaderPool::Listen(std::chrono::milliseconds timeout)
{
    std::vector<platform::ChildProcess*> working;
    for (const auto& reader : m_readers)
        if (reader->started)
            working.push_back(&reader->process);
    platform::ChildProcess::WaitForAny(working, static_cast<int>(timeout.count()));
    for (const auto& reader : m_readers)
        if (reader->started)
            Hear(*reader);
}

void ReaderPool::Hear(Reader& reader)
{
    platform::ChildProcess::ReadResult result;
    while ((result = reader.process.ReadSome(reader.received, 0)) == platform::ChildProcess::ReadResult::Data) {
    }
    const auto now = Clock::now();
    tagwire::Message message;
    for (;;) {
        const tagwire::Taken taken = tagwire::TakeMessage(reader.received, message);
        if (taken == tagwire::Taken::Incomplete)
            break;
        if (reader.inFlight.empty()) {
            reader.Stop(false);  // nothing was asked of it
            return;
        }
        if (taken == tagwire::Taken::Message && message.kind == tagwire::Kind::Progress) {
            reader.progressed = now;
            continue;
        }
        std::optional<TagReading> reading;
        if (taken == tagwire::Taken::Message && message.kind == tagwire::Kind::Reading)
            reading = tagwire::DecodeReading(message.body);
        if (!reading) {
            Fail(reader, ReadOutcome::Crashed);
            return;
        }
        // A photo neither library could read failed the way it first did.
        if (reader.secondReading && reader.secondReading->first == reader.inFlight.front()) {
            if (reading->outcome != ReadOutcome::Read)
                *reading = TagReading{reader.secondReading->second, {}};
            reader.secondReading.reset();
        }
        m_readings.insert_or_assign(reader.inFlight.front(), std::move(*reading));
        reader.inFlight.pop_front();
        ++reader.answered;
        reader.progressed = now;
    }
    if (result == platform::ChildProcess::ReadResult::Closed) {
        if (reader.inFlight.empty())
            reader.Stop(false);
        else
            Fail(reader, ReadOutcome::Crashed);
    } else if (!reader.inFlight.empty() && now - reader.progressed >= m_options.stallLimit) {
        Fail(reader, ReadOutcome::TimedOut);
    }
}

void ReaderPool::Fail(Reader& reader, ReadOutcome outcome)
{
    // The reader failed on the first photo it had not answered. That photo is read again first by
    // the reader's replacement, so that a reader damaged by an earlier photo costs nothing; whatever
    // else the reader had in hand goes out again. A photo that fails that way too is lost.
    const std::size_t failed = reader.inFlight.front();
    const bool readAgain = !(reader.secondReading && reader.secondReading->first == failed);
    const ReadOutcome first = readAgain ? outcome : reader.secondReading->second;
    m_resend.insert(std::next(reader.inFlight.begin()), reader.inFlight.end());
    reader.Stop(false);
    if (readAgain)
        m_secondReadings.emplace_back(failed, first);
    else
        m_readings.insert_or_assign(failed, TagReading{first, {}});
}
