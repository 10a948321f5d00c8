#include "metadata/ReaderPool.h"

#include "metadata/TagWire.h"
#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>

namespace {
// While waiting for a reply the caller is kept alive this often.
constexpr int waitSliceMs = 20;
}  // namespace

struct ReaderPool::Reader {
    std::unique_ptr<QProcess> process;
    std::deque<std::size_t> pending;  // indexes sent and not yet answered, oldest first
    QByteArray received;
    QElapsedTimer busySince;  // since the oldest pending request became the one being read
};

ReaderPool::Options ReaderPool::DefaultOptions()
{
    Options options;
#ifdef _WIN32
    const QString name = QStringLiteral("fotoharvester-reader.exe");
#else
    const QString name = QStringLiteral("fotoharvester-reader");
#endif
    // Packagers and tests may put the reader elsewhere.
    const QString chosen = qEnvironmentVariable("FOTOHARVESTER_READER");
    options.program = chosen.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).filePath(name) : chosen;
    options.readers = std::max(1, QThread::idealThreadCount());
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
        Stop(*reader, true);
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
            Stop(*reader, false);
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
        reader.busySince.start();
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
    while (m_nextToSend < m_photos->size()) {
        auto least = std::min_element(m_readers.begin(), m_readers.end(), [](const auto& a, const auto& b) {
            return a->pending.size() < b->pending.size();
        });
        if ((*least)->pending.size() >= static_cast<std::size_t>(m_options.photosAhead))
            return;
        if (!Send(**least, m_nextToSend))
            return;
        ++m_nextToSend;
    }
}

bool ReaderPool::Send(Reader& reader, std::size_t index)
{
    if (!EnsureRunning(reader))
        return false;
    const std::string message = tagwire::Frame((*m_photos)[index]);
    reader.process->write(message.data(), static_cast<qint64>(message.size()));
    reader.process->waitForBytesWritten(0);
    if (reader.pending.empty())
        reader.busySince.start();
    reader.pending.push_back(index);
    return true;
}

bool ReaderPool::EnsureRunning(Reader& reader)
{
    if (reader.process && reader.process->state() == QProcess::Running)
        return true;
    Stop(reader, false);
    auto process = std::make_unique<QProcess>();
    process->setProgram(m_options.program);
    process->setStandardErrorFile(QProcess::nullDevice());
    platform::DetachFromTerminalSignals(*process);
    process->start(QIODevice::ReadWrite);
    if (!process->waitForStarted())
        return false;
    ++m_readersStarted;
    reader.process = std::move(process);
    return true;
}

void ReaderPool::Replace(Reader& reader)
{
    // The photo at the head of the queue is lost; the ones queued behind it go to a fresh reader.
    std::deque<std::size_t> queued = std::move(reader.pending);
    if (!queued.empty())
        queued.pop_front();
    Stop(reader, false);
    for (std::size_t index : queued)
        if (!Send(reader, index))
            break;
}

void ReaderPool::Stop(Reader& reader, bool gracefully)
{
    reader.pending.clear();
    reader.received.clear();
    if (!reader.process)
        return;
    if (gracefully && reader.process->state() == QProcess::Running) {
        reader.process->closeWriteChannel();  // the reader ends at the end of its input
        if (reader.process->waitForFinished(200)) {
            reader.process.reset();
            return;
        }
    }
    reader.process->kill();
    reader.process->waitForFinished(1000);
    reader.process.reset();
}

bool ReaderPool::WaitForReply(Reader& reader, std::string& payload)
{
    QElapsedTimer sinceKeptAlive;
    sinceKeptAlive.start();
    for (;;) {
        if (reader.received.size() >= static_cast<qsizetype>(tagwire::HeaderSize)) {
            const std::uint32_t size =
                tagwire::PayloadSize(std::string_view(reader.received.constData(), tagwire::HeaderSize));
            if (size > tagwire::MaxMessageSize)
                return false;
            const qsizetype total = static_cast<qsizetype>(tagwire::HeaderSize + size);
            if (reader.received.size() >= total) {
                payload.assign(reader.received.constData() + tagwire::HeaderSize, size);
                reader.received.remove(0, total);
                return true;
            }
        }
        if (reader.process->state() != QProcess::Running && reader.process->bytesAvailable() == 0)
            return false;
        if (reader.busySince.elapsed() > m_options.timeLimit.count())
            return false;
        if (reader.process->bytesAvailable() == 0)
            reader.process->waitForReadyRead(waitSliceMs);
        reader.received += reader.process->readAll();
        if (m_whileWaiting && sinceKeptAlive.elapsed() >= waitSliceMs) {
            m_whileWaiting();
            sinceKeptAlive.start();
        }
    }
}
