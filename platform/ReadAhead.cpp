#include "platform/ReadAhead.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

bool ReadAhead(const std::string&, std::size_t)
{
    return false;
}

#else

bool ReadAhead(const std::string& path, std::size_t bytes)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Non-blocking, for a file that became a pipe since: opening it must not wait for a writer.
    // The request itself is refused for anything but a file.
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (file < 0)
        return false;
    // A read that must not wait answers at once whether the start is cached.
    char first = 0;
    iovec vector{&first, 1};
    const bool cached = ::preadv2(file, &vector, 1, 0, RWF_NOWAIT) == 1;
    if (!cached)
        ::posix_fadvise(file, 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
    ::close(file);
    return cached;
}

#endif

}  // namespace platform
