#include "platform/ChildProcess.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <vector>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

bool WriteAll(int file, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(file, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The forked child, up to the program taking its place. Only system calls from here on: the
// parent may have other threads, whose locks the child inherits held.
[[noreturn]] void RunChild(const char* program, char* const arguments[], char* const environment[], pid_t parent,
                           int socket, int report)
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
    ::execve(program, arguments, environment);
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
    ForkServer* server = nullptr;  // the child was forked by it, and is stopped through it

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

bool ChildProcess::Start(const std::string& program, const char* argument)
{
    return StartWith(program, argument, nullptr);
}

bool ChildProcess::StartWith(const std::string& program, const char* argument, const char* environment)
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
    char* arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument), nullptr};
    // Made before the fork: the child may not allocate.
    std::vector<char*> variables;
    const std::string_view added = environment != nullptr ? environment : "";
    const std::string_view name = added.substr(0, added.find('=') + 1);
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (name.empty() || std::string_view(*variable).substr(0, name.size()) != name)
            variables.push_back(*variable);
    if (environment != nullptr)
        variables.push_back(const_cast<char*>(environment));
    variables.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(program.c_str(), arguments, variables.data(), parent, ends[1], report[1]);
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
    if (m_state->server != nullptr)
        return m_state->socket >= 0;
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

void ChildProcess::WaitForAny(const std::vector<ChildProcess*>& children, int timeoutMs)
{
    std::vector<pollfd> watched;
    for (const ChildProcess* child : children)
        if (child->m_state->socket >= 0)
            watched.push_back(pollfd{child->m_state->socket, POLLIN, 0});
    if (watched.empty())
        ::usleep(static_cast<useconds_t>(timeoutMs) * 1000);
    else
        ::poll(watched.data(), watched.size(), timeoutMs);  // an interrupted wait counts as a short one
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
    if (m_state->server != nullptr) {
        // A forked child is the server's to wait for: its end of the connection closing says it
        // has ended.
        std::string ignored;
        for (int waited = 0; waited < timeoutMs; waited += 5) {
            if (ReadSome(ignored, 5) == ReadResult::Closed) {
                m_state->pid = -1;
                m_state->server = nullptr;
                m_state->Close();
                return;
            }
            ignored.clear();
        }
        Kill();
        return;
    }
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
    if (m_state->server != nullptr) {
        if (m_state->pid > 0)
            m_state->server->Kill(m_state->pid);
        m_state->pid = -1;
        m_state->server = nullptr;
    }
    m_state->Reap(true);
    m_state->Close();
}

namespace {

enum ForkOperation : std::int32_t { forkHello = 1, forkChild = 2, killChild = 3 };
// What a fork server answers Hello with: a program that is none answers anything else, or nothing.
constexpr std::int32_t forkServerMagic = 0x46484653;

struct ForkRequest {
    std::int32_t operation;
    std::int32_t argument;
};

bool SendRequest(int socket, const ForkRequest& request, int descriptor)
{
    iovec part{const_cast<ForkRequest*>(&request), sizeof request};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    if (descriptor >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &descriptor, sizeof descriptor);
    }
    ssize_t sent = 0;
    while ((sent = ::sendmsg(socket, &message, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return sent == static_cast<ssize_t>(sizeof request);
}

// A request, and the descriptor that came with it (-1 when none did); false at the end of input.
bool ReceiveRequest(int socket, ForkRequest& request, int& descriptor)
{
    descriptor = -1;
    iovec part{&request, sizeof request};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t received = 0;
    while ((received = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header))
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS)
            std::memcpy(&descriptor, CMSG_DATA(header), sizeof descriptor);
    if (received == static_cast<ssize_t>(sizeof request))
        return true;
    if (descriptor >= 0)
        ::close(descriptor);
    return false;
}

}  // namespace

ForkServer::ForkServer() = default;

ForkServer::~ForkServer()
{
    Stop();
}

bool ForkServer::Start(const std::string& program, int timeoutMs)
{
    Stop();
    // Every symbol of every library is bound as the server starts, once, rather than again in each
    // child on its first calls.
    std::int32_t answer = 0;
    if (m_server.StartWith(program, "--fork-server", "LD_BIND_NOW=1") &&
        Exchange(forkHello, 0, -1, answer, timeoutMs) && answer == forkServerMagic)
        return true;
    Stop();
    return false;
}

bool ForkServer::Running() const
{
    return m_server.m_state->socket >= 0;
}

bool ForkServer::Fork(ChildProcess& child)
{
    child.Kill();
    child.m_state->error.clear();
    int ends[2];
    if (!Running() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    std::int32_t answer = 0;
    // A fork is quick; a server that takes seconds over one is broken.
    const bool answered = Exchange(forkChild, 0, ends[1], answer, 5000);
    ::close(ends[1]);
    if (!answered || answer <= 0) {
        child.m_state->error = answered ? ErrorText(-answer) : "the fork server did not answer";
        ::close(ends[0]);
        if (!answered)
            Stop();
        return false;
    }
    child.m_state->pid = answer;
    child.m_state->socket = ends[0];
    child.m_state->server = this;
    return true;
}

void ForkServer::Stop()
{
    // The children the server forked die with it.
    m_server.Finish(200);
    m_server.Kill();
}

void ForkServer::Kill(int child)
{
    std::int32_t answer = 0;
    if (!Exchange(killChild, child, -1, answer, 5000))
        Stop();
}

bool ForkServer::Exchange(int operation, int argument, int descriptor, int& answer, int timeoutMs)
{
    const int socket = m_server.m_state->socket;
    if (socket < 0 || !SendRequest(socket, ForkRequest{operation, argument}, descriptor))
        return false;
    char bytes[sizeof(std::int32_t)];
    std::size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got < sizeof bytes) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd watched{socket, POLLIN, 0};
        if (left.count() < 0 || ::poll(&watched, 1, static_cast<int>(left.count())) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        const ssize_t received = ::recv(socket, bytes + got, sizeof bytes - got, MSG_DONTWAIT);
        if (received == 0 || (received < 0 && errno != EAGAIN && errno != EINTR))
            return false;
        if (received > 0)
            got += static_cast<std::size_t>(received);
    }
    std::memcpy(&answer, bytes, sizeof answer);
    return true;
}

bool ServeForks()
{
    // Children are reaped here and only here, so that the number of a child that is asked to be
    // killed can never belong to another process by then.
    std::vector<pid_t> children;
    const pid_t self = ::getpid();
    for (;;) {
        for (pid_t ended; (ended = ::waitpid(-1, nullptr, WNOHANG)) > 0;)
            children.erase(std::remove(children.begin(), children.end(), ended), children.end());
        ForkRequest request{};
        int descriptor = -1;
        if (!ReceiveRequest(STDIN_FILENO, request, descriptor)) {
            // The program is done with its readers: none is of use any more, and each is waited
            // for, so that what it cost is counted with the server's own cost.
            for (const pid_t child : children)
                ::kill(child, SIGKILL);
            while (::wait(nullptr) > 0 || errno == EINTR) {
            }
            return false;
        }
        std::int32_t answer = 0;
        if (request.operation == forkHello) {
            answer = forkServerMagic;
        } else if (request.operation == forkChild && descriptor >= 0) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != self ||
                    ::dup2(descriptor, STDIN_FILENO) < 0 || ::dup2(descriptor, STDOUT_FILENO) < 0)
                    ::_exit(127);
                ::close_range(STDERR_FILENO + 1, ~0u, 0);
                // A child that crashes has met a damaged photo, which it exists for: no core file
                // (in the user's current folder) or crash report for each one.
                const rlimit noCore{0, 0};
                ::setrlimit(RLIMIT_CORE, &noCore);
                return true;
            }
            answer = pid > 0 ? pid : -errno;
            if (pid > 0)
                children.push_back(pid);
        } else if (request.operation == killChild) {
            const auto found = std::find(children.begin(), children.end(), request.argument);
            if (found != children.end()) {
                ::kill(*found, SIGKILL);
                while (::waitpid(*found, nullptr, 0) < 0 && errno == EINTR) {
                }
                children.erase(found);
            }
        } else {
            answer = -EINVAL;
        }
        if (descriptor >= 0)
            ::close(descriptor);
        if (!WriteAll(STDOUT_FILENO, &answer, sizeof answer))
            return false;
    }
}

bool LimitDataMemory(std::uint64_t bytes)
{
    // RLIMIT_DATA rather than RLIMIT_AS: a library that maps a large photo file into memory (as
    // libexiv2 does a TIFF of gigabytes) reads it as ever, while no hostile structure makes the
    // heap grow beyond the limit.
    rlimit limit{};
    if (::getrlimit(RLIMIT_DATA, &limit) != 0)
        return false;
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, static_cast<rlim_t>(bytes));
    return ::setrlimit(RLIMIT_DATA, &limit) == 0;
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
