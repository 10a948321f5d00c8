#include "platform/StandardStreams.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

void UseBinaryStandardStreams()
{
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
#endif
}

std::size_t ReadStandardInput(char* buffer, std::size_t size)
{
    for (;;) {
#ifdef _WIN32
        const int received = _read(0, buffer, static_cast<unsigned>(size));
#else
        const ssize_t received = ::read(0, buffer, size);
#endif
        if (received >= 0)
            return static_cast<std::size_t>(received);
        if (errno != EINTR)
            return 0;
    }
}

bool WriteStandardOutput(std::string_view data)
{
    while (!data.empty()) {
#ifdef _WIN32
        const int written = _write(1, data.data(), static_cast<unsigned>(data.size()));
#else
        const ssize_t written = ::write(1, data.data(), data.size());
#endif
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace platform
