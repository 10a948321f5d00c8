#include "platform/ChildProcess.h"


#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

// The child reads and writes one end of a socket pair (as its standard input and output); the
// program keeps the other. A socket rather than two pipes lets the program write to a child that
// has died without receiving SIGPIPE, which would otherwise end the program itself.
struct ChildProcess::State {
    pid_t pid = -1;
    int socket = -1;

    void Close()
    {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
    void Reap(bool kill)
    {
        if (pid > 0) {
            if (kill)
                ::kill(pid, SIGKILL);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        pid = -1;
    }
};

ChildProcess::ChildProcess() : m_state(std::make_unique<State>()) {}

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::string& program)
{
    Kill();
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const int ours = ends[0];
    const int theirs = ends[1];

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, theirs, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, theirs, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(theirs);
    if (error != 0) {
        ::close(ours);
        return false;
    }
    m_state->pid = pid;
    m_state->socket = ours;
    return true;
}

bool ChildProcess::Running()
{
    if (m_state->pid <= 0)
        return false;
    if (::waitpid(m_state->pid, nullptr, WNOHANG) == 0)
        return true;
    m_state->pid = -1;
    return false;
}

bool ChildProcess::Write(std::string_view data)
{
    while (!data.empty() && m_state->socket >= 0) {
        const ssize_t written = ::send(m_state->socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return data.empty();
}

ChildProcess::ReadResult ChildProcess::ReadSome(std::string& buffer, int timeoutMs)
{
    if (m_state->socket < 0)
        return ReadResult::Closed;
    pollfd watched{m_state->socket, POLLIN, 0};
    const int ready = ::poll(&watched, 1, timeoutMs);
    if (ready <= 0)
        return ReadResult::TimedOut;  // an interrupted wait counts as a short one
    char chunk[65536];
    const ssize_t received = ::recv(m_state->socket, chunk, sizeof chunk, MSG_DONTWAIT);
    if (received < 0)
        return errno == EINTR || errno == EAGAIN ? ReadResult::TimedOut : ReadResult::Closed;
    if (received == 0)
        return ReadResult::Closed;
    buffer.append(chunk, static_cast<std::size_t>(received));
    return ReadResult::Data;
}

void ChildProcess::Finish(int timeoutMs)
{
    if (m_state->pid <= 0)
        return;
    ::shutdown(m_state->socket, SHUT_WR);  // the child ends at the end of its input
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (!Running()) {
            m_state->Close();
            return;
        }
        ::usleep(5000);
    }
    Kill();
}

void ChildProcess::Kill()
{
    m_state->Reap(true);
    m_state->Close();
}

std::string ExecutableFolder()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    const std::string executable(path, static_cast<std::size_t>(length));
    const auto slash = executable.rfind('/');
    return slash == std::string::npos ? std::string(".") : executable.substr(0, slash);
}

}  // namespace platform
