#include "metadata/ReaderPool.h"

#include "metadata/TagWire.h"
#include "platform/ChildProcess.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// While waiting for a reply the caller is kept alive this often.
constexpr auto waitSlice = std::chrono::milliseconds(20);
// A reader asked to finish gets this long before it is killed.
constexpr int finishTimeoutMs = 200;

}  // namespace

struct ReaderPool::Reader {
    platform::ChildProcess process;
    bool started = false;
    std::deque<std::size_t> pending;  // indexes sent and not yet answered, oldest first
    std::string received;
    Clock::time_point busySince;  // since the oldest pending request became the one being read

    void Stop(bool gracefully)
    {
        if (started) {
            if (gracefully)
                process.Finish(finishTimeoutMs);
            else
                process.Kill();
        }
        started = false;
        pending.clear();
        received.clear();
    }
};

ReaderPool::Options ReaderPool::DefaultOptions()
{
    Options options;
#ifdef _WIN32
    const char* name = "fotoharvester-reader.exe";
#else
    const char* name = "fotoharvester-reader";
#endif
    // Packagers and tests may put the reader elsewhere.
    const char* chosen = std::getenv("FOTOHARVESTER_READER");
    options.program = chosen != nullptr && *chosen != '\0' ? std::string(chosen)
                                                           : platform::ExecutableFolder() + "/" + name;
    options.readers = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return options;
}

ReaderPool::ReaderPool(Options options) : m_options(std::move(options))
{
    m_options.readers = std::max(1, m_options.readers);
    m_options.photosAhead = std::max(1, m_options.photosAhead);
    for (int i = 0; i < m_options.readers; ++i)
        m_readers.push_back(std::make_unique<Reader>());
}

ReaderPool::~ReaderPool()
{
    for (auto& reader : m_readers)
        reader->Stop(reader->pending.empty());
}

void ReaderPool::Begin(const std::vector<std::string>& photos, std::function<void()> whileWaiting)
{
    End();
    m_photos = &photos;
    m_whileWaiting = std::move(whileWaiting);
}

void ReaderPool::End()
{
    // A reader still busy with photos nobody will ask for is stopped; a fresh one starts when needed.
    for (auto& reader : m_readers)
        if (!reader->pending.empty())
            reader->Stop(false);
    m_photos = nullptr;
    m_whileWaiting = nullptr;
    m_nextToSend = 0;
    m_nextToRead = 0;
}

TagReading ReaderPool::Read(const std::string& path)
{
    const bool inBatch = m_photos != nullptr && m_nextToRead < m_photos->size() && (*m_photos)[m_nextToRead] == path;
    if (inBatch)
        return ReadInBatch(m_nextToRead++);

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
    SendAhead();
    auto owner = std::find_if(m_readers.begin(), m_readers.end(), [index](const auto& reader) {
        return !reader->pending.empty() && reader->pending.front() == index;
    });
    if (owner == m_readers.end())
        return TagReading{ReadOutcome::ReaderFailed, {}};  // no reader could be started
    Reader& reader = **owner;

    std::string payload;
    std::optional<TagReading> reading;
    if (WaitForReply(reader, payload))
        reading = tagwire::DecodeReading(payload);
    if (reading) {
        reader.pending.pop_front();
        reader.busySince = Clock::now();
    } else {
        Replace(reader);
        reading = TagReading{ReadOutcome::ReaderFailed, {}};
    }
    SendAhead();
    return std::move(*reading);
}

void ReaderPool::SendAhead()
{
    if (m_photos == nullptr)
        return;
    // The requests for each reader are gathered and written at once: one write per reader.
    std::vector<std::string> outgoing(m_readers.size());
    while (m_nextToSend < m_photos->size()) {
        const auto least = std::min_element(m_readers.begin(), m_readers.end(), [](const auto& a, const auto& b) {
            return a->pending.size() < b->pending.size();
        });
        Reader& reader = **least;
        if (reader.pending.size() >= static_cast<std::size_t>(m_options.photosAhead) || !EnsureRunning(reader))
            break;
        if (reader.pending.empty())
            reader.busySince = Clock::now();
        reader.pending.push_back(m_nextToSend);
        outgoing[static_cast<std::size_t>(least - m_readers.begin())] += tagwire::Frame((*m_photos)[m_nextToSend]);
        ++m_nextToSend;
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
    reader.started = reader.process.Start(m_options.program);
    if (reader.started)
        ++m_readersStarted;
    return reader.started;
}

void ReaderPool::Replace(Reader& reader)
{
    // The photo at the head of the queue is lost; the ones queued behind it go to a fresh reader.
    std::deque<std::size_t> queued = std::move(reader.pending);
    if (!queued.empty())
        queued.pop_front();
    reader.Stop(false);
    if (queued.empty() || !EnsureRunning(reader))
        return;
    std::string outgoing;
    for (std::size_t index : queued)
        outgoing += tagwire::Frame((*m_photos)[index]);
    reader.pending = std::move(queued);
    reader.busySince = Clock::now();
    reader.process.Write(outgoing);
}

bool ReaderPool::WaitForReply(Reader& reader, std::string& payload)
{
    auto keptAlive = Clock::now();
    for (;;) {
        if (reader.received.size() >= tagwire::HeaderSize) {
            const std::uint32_t size = tagwire::PayloadSize(reader.received);
            if (size > tagwire::MaxMessageSize)
                return false;
            if (reader.received.size() >= tagwire::HeaderSize + size) {
                payload.assign(reader.received, tagwire::HeaderSize, size);
                reader.received.erase(0, tagwire::HeaderSize + size);
                return true;
            }
        }
        const auto now = Clock::now();
        if (now - reader.busySince > m_options.timeLimit)
            return false;
        const auto untilLimit = std::chrono::duration_cast<std::chrono::milliseconds>(
            reader.busySince + m_options.timeLimit - now + std::chrono::milliseconds(1));
        const int timeoutMs = static_cast<int>(std::min<std::chrono::milliseconds>(waitSlice, untilLimit).count());
        if (reader.process.ReadSome(reader.received, timeoutMs) == platform::ChildProcess::ReadResult::Closed)
            return false;
        if (m_whileWaiting && Clock::now() - keptAlive >= waitSlice) {
            m_whileWaiting();
            keptAlive = Clock::now();
        }
    }
}
