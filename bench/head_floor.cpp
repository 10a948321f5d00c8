// head-floor LIST: opens each file named in LIST (names separated by NUL bytes), reads its first
// 64 KiB and closes it, one file after the other in this one process, and prints how long that
// took. On a cold page cache it is the floor for the batch command: the least the disk must do to
// hand over the heads of the photos, where their tags are.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: head-floor LIST   (file names separated by NUL bytes)\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string list(std::istreambuf_iterator<char>(in), {});
    std::vector<char> head(64 * 1024);

    const auto started = std::chrono::steady_clock::now();
    std::size_t files = 0;
    std::size_t failed = 0;
    std::size_t bytes = 0;
    for (std::size_t at = 0; at < list.size();) {
        std::size_t end = list.find('\0', at);
        if (end == std::string::npos)
            end = list.size();
        const std::string path = list.substr(at, end - at);
        at = end + 1;
        if (path.empty())
            continue;
        ++files;
        const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) {
            ++failed;
            continue;
        }
        const ssize_t got = ::read(file, head.data(), head.size());
        bytes += got > 0 ? static_cast<std::size_t>(got) : 0;
        ::close(file);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%zu files (%zu not opened), %zu bytes of heads in %.3f s\n", files, failed, bytes, seconds);
    return 0;
}
