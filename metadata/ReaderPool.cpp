#include "metadata/ReaderPool.h"

#include "metadata/TagWire.h"
#include "platform/ChildProcess.h"
#include "platform/InstallLayout.h"

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
    std::deque<std::size_t> pending;   // indexes sent and not yet answered, oldest first
    std::deque<std::size_t> suspects;  // indexes to read again, each alone in a fresh process
    bool readingSuspect = false;       // the one pending index is a suspect
    std::string received;
    Clock::time_point busySince;  // since the oldest pending request became the one being read

    // Ends the process and forgets what it had in hand; the suspects stay.
    void Stop(bool gracefully)
    {
        if (started) {
            if (gracefully)
                process.Finish(finishTimeoutMs);
            else
                process.Kill();
        }
        started = false;
        readingSuspect = false;
        pending.clear();
        received.clear();
    }
};

ReaderPool::Options ReaderPool::DefaultOptions()
{
    Options options;
    // Packagers and tests may put the reader elsewhere.
    const char* chosen = std::getenv("FOTOHARVESTER_READER");
    options.program = chosen != nullptr && *chosen != '\0'
                          ? std::string(chosen)
                          : platform::HelperProgram(platform::ExecutableFolder(), "fotoharvester-reader");
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
    for (auto& reader : m_readers) {
        if (!reader->pending.empty() || !reader->suspects.empty())
            reader->Stop(false);
        reader->suspects.clear();
    }
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
    for (;;) {
        SendAhead();
        auto owner = std::find_if(m_readers.begin(), m_readers.end(), [index](const auto& reader) {
            return !reader->pending.empty() && reader->pending.front() == index;
        });
        if (owner == m_readers.end()) {
            // No reader could be started for it.
            for (auto& reader : m_readers)
                if (!reader->suspects.empty() && reader->suspects.front() == index)
                    reader->suspects.pop_front();
            return TagReading{ReadOutcome::NoReader, {}};
        }
        Reader& reader = **owner;

        std::string payload;
        std::optional<TagReading> reading;
        if (WaitForReply(reader, payload))
            reading = tagwire::DecodeReading(payload);
        if (reader.readingSuspect) {
            // Whatever the outcome, the next suspect gets a fresh process too.
            reader.Stop(false);
            SendAhead();
            return reading ? std::move(*reading) : TagReading{ReadOutcome::Crashed, {}};
        }
        if (reading) {
            reader.pending.pop_front();
            reader.busySince = Clock::now();
            SendAhead();
            return std::move(*reading);
        }
        Suspect(reader);
    }
}

void ReaderPool::SendAhead()
{
    if (m_photos == nullptr)
        return;
    std::vector<std::string> outgoing(m_readers.size());
    for (std::size_t i = 0; i < m_readers.size(); ++i) {
        Reader& reader = *m_readers[i];
        if (!reader.suspects.empty() && reader.pending.empty() && EnsureRunning(reader)) {
            reader.pending.push_back(reader.suspects.front());
            reader.suspects.pop_front();
            reader.readingSuspect = true;
            reader.busySince = Clock::now();
            outgoing[i] = tagwire::Frame((*m_photos)[reader.pending.back()]);
        }
    }
    // New requests go out a few at a time, once a reader has used up half of what it was given:
    // one write per reader and round, which the reader answers with one write too.
    const std::size_t ahead = static_cast<std::size_t>(m_options.photosAhead);
    std::vector<bool> due(m_readers.size());
    for (std::size_t i = 0; i < m_readers.size(); ++i) {
        const Reader& reader = *m_readers[i];
        due[i] = reader.suspects.empty() && !reader.readingSuspect && reader.pending.size() <= ahead / 2;
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
        Reader& reader = *m_readers[chosen];
        if (reader.pending.empty())
            reader.busySince = Clock::now();
        reader.pending.push_back(m_nextToSend);
        outgoing[chosen] += tagwire::Frame((*m_photos)[m_nextToSend]);
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

void ReaderPool::Suspect(Reader& reader)
{
    // Everything this reader had in hand is read again, each photo alone in a fresh process.
    reader.suspects.insert(reader.suspects.begin(), reader.pending.begin(), reader.pending.end());
    reader.Stop(false);
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
