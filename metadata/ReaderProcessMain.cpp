// fotoharvester-reader: reads photos for the program in a process of its own, so that a photo
// that crashes the image library cannot take the program down. It answers each Read request on
// its input with that photo's reading as soon as the photo is read, in order, and ends at the end
// of its input (when the program finishes or is gone).
//
// Answering each photo at once, rather than a few together, costs a write per photo; in return,
// when a photo kills the reader the program knows which one it was, and loses only that one.

#include "metadata/FreeImageTagReader.h"
#include "metadata/TagWire.h"
#include "platform/StandardStreams.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Well below the program's stall limit, so that a photo that keeps reading is never taken for a
// stuck one, and rare enough to cost nothing.
constexpr auto progressInterval = std::chrono::milliseconds(200);

// Writes the replies, and in a thread of its own reports Progress while a photo takes long:
// the count of bytes consumed of it, whenever that has changed since the last report. A photo
// that consumes nothing more, however busy the reader, gets no report, and the program stops
// the reader after a while.
class Replies {
public:
    explicit Replies(const FreeImageTagReader& reader) : m_reader(reader), m_thread([this] { Watch(); }) {}
    ~Replies()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    Replies(const Replies&) = delete;
    Replies& operator=(const Replies&) = delete;

    void PhotoStarted()
    {
        const std::lock_guard lock(m_mutex);
        m_inPhoto = true;
        m_photoStart = m_reader.BytesRead();
        m_reported = 0;
        if (m_asleep)
            m_wake.notify_one();
    }
    // Ends the photo in progress, if any, and sends `message`; false when the program is gone.
    bool Send(const std::string& message)
    {
        const std::lock_guard lock(m_mutex);
        m_inPhoto = false;
        return platform::WriteStandardOutput(message);
    }

private:
    void Watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (!m_inPhoto) {
                // Nothing to watch until the next photo: an idle reader does not wake at all.
                m_asleep = true;
                m_wake.wait(lock, [this] { return m_stop || m_inPhoto; });
                m_asleep = false;
                continue;
            }
            m_wake.wait_for(lock, progressInterval);
            if (m_stop || !m_inPhoto)
                continue;
            const std::uint64_t consumed = m_reader.BytesRead() - m_photoStart;
            if (consumed == m_reported)
                continue;
            m_reported = consumed;
            if (!platform::WriteStandardOutput(tagwire::Frame(tagwire::Kind::Progress, tagwire::ProgressBody(consumed))))
                std::_Exit(1);  // the program is gone; the photo in progress is of no use to anyone
        }
    }

    const FreeImageTagReader& m_reader;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_inPhoto = false;
    bool m_asleep = false;
    bool m_stop = false;
    std::uint64_t m_photoStart = 0;
    std::uint64_t m_reported = 0;
    std::thread m_thread;  // last: it starts watching at once
};

}  // namespace

int main()
{
    platform::UseBinaryStandardStreams();
    FreeImageTagReader reader;
    Replies replies(reader);

    std::string input;
    char chunk[65536];
    for (;;) {
        const std::size_t received = platform::ReadStandardInput(chunk, sizeof chunk);
        if (received == 0)
            return 0;
        input.append(chunk, received);

        tagwire::Message message;
        for (;;) {
            const tagwire::Taken taken = tagwire::TakeMessage(input, message);
            if (taken == tagwire::Taken::Incomplete)
                break;
            if (taken == tagwire::Taken::Broken)
                return 1;
            std::string reply;
            if (message.kind == tagwire::Kind::Hello) {
                reply = tagwire::Frame(tagwire::Kind::Ready, {});
            } else {
                std::uint32_t flags = 0;
                std::string path;
                if (message.kind != tagwire::Kind::Read || !tagwire::DecodeRequest(message.body, flags, path))
                    return 1;
                replies.PhotoStarted();
                reply = tagwire::Frame(tagwire::Kind::Reading, tagwire::EncodeReading(reader.Read(path)));
            }
            if (!replies.Send(reply))
                return 1;
        }
    }
}
