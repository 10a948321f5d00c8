#include "platform/ChildProcess.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// The forked child, up to the program taking its place. Only system calls from here on: the
// parent may have other threads, whose locks the child inherits held.
[[noreturn]] void RunChild(const char* program, char* const arguments[], pid_t parent, int socket, int report)
{
    // The child must not outlive the program, even when the program is killed. The parent may have
    // died before this took effect: then it is too late to wait for the signal.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    ::setpgid(0, 0);
    // A program started with a standard stream closed hands out its number again: keep both ends
    // clear of the numbers the child's streams take.
    if (report <= STDERR_FILENO)
        report = ::fcntl(report, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (socket <= STDERR_FILENO)
        socket = ::fcntl(socket, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (report < 0 || socket < 0 || ::dup2(socket, STDIN_FILENO) < 0 || ::dup2(socket, STDOUT_FILENO) < 0)
        ::_exit(127);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0 && null != STDERR_FILENO) {
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    // Whatever the program opened without O_CLOEXEC (an output file, its lock) stays with it.
    const auto reportNumber = static_cast<unsigned>(report);
    if (reportNumber > STDERR_FILENO + 1)
        ::close_range(STDERR_FILENO + 1, reportNumber - 1, 0);
    ::close_range(reportNumber + 1, ~0u, 0);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(program, arguments, environ);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

// The child reads and writes one end of a socket pair (as its standard input and output); the
// program keeps the other. A socket rather than two pipes lets the program write to a child that
// has died without receiving SIGPIPE, which would otherwise end the program itself.
struct ChildProcess::State {
    pid_t pid = -1;
    int socket = -1;
    std::string error;

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
    m_state->error.clear();
    if (program.empty() || program.front() != '/') {
        m_state->error = "not an absolute path";
        return false;
    }
    int ends[2];
    int report[2];  // the child's errno when it cannot run the program; closed unread when it can
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        m_state->error = ErrorText(errno);
        return false;
    }
    if (::pipe2(report, O_CLOEXEC) != 0) {
        m_state->error = ErrorText(errno);
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(program.c_str(), arguments, parent, ends[1], report[1]);
    const int forkError = errno;
    ::close(ends[1]);
    ::close(report[1]);
    if (pid < 0) {
        m_state->error = ErrorText(forkError);
        ::close(ends[0]);
        ::close(report[0]);
        return false;
    }
    int childError = 0;
    ssize_t got = 0;
    while ((got = ::read(report[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    m_state->pid = pid;
    m_state->socket = ends[0];
    if (got > 0) {
        m_state->error = ErrorText(childError);
        Kill();
        return false;
    }
    return true;
}

const std::string& ChildProcess::StartError() const
{
    return m_state->error;
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
    if (length <= 0 || path[0] != '/')
        return {};
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, std::max<std::size_t>(executable.rfind('/'), 1));
}

}  // namespace platform
