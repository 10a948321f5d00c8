#pragma once

#include <memory>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ForkServer;

// A helper program spoken to over its standard input and output, with its error output
// discarded. It runs in a process group of its own, so that Ctrl-C reaches only the program,
// which then finishes the photo in progress, and not the helpers it is waiting for. It dies with
// the program however the program ends, even by SIGKILL (on Linux, with the thread that started
// it; on Windows, with the program), and it inherits none of the program's open files, so that it
// cannot keep an output file or a lock alive.
class ChildProcess {
public:
    enum class ReadResult { Data, TimedOut, Closed };

    ChildProcess();
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `program` must be an absolute path: it is never looked for in PATH or the current folder.
    // `argument`, when given, is its one argument. When it cannot be started, StartError() says why.
    bool Start(const std::string& program, const char* argument = nullptr);
    const std::string& StartError() const;
    bool Running();
    // Writes all of `data`; false when the child is gone.
    bool Write(std::string_view data);
    // Appends what the child has written, waiting at most `timeoutMs` for something to come.
    ReadResult ReadSome(std::string& buffer, int timeoutMs);
    // Waits at most `timeoutMs` until one of `children` has written something or ended.
    static void WaitForAny(const std::vector<ChildProcess*>& children, int timeoutMs);
    // Ends the child's input and waits for it to exit; kills it when it does not in time.
    void Finish(int timeoutMs);
    void Kill();

private:
    friend class ForkServer;
    // Start, with `environment` ("NAME=value") added to the program's environment.
    bool StartWith(const std::string& program, const char* argument, const char* environment);

    struct State;  // differs between operating systems
    std::unique_ptr<State> m_state;
};

// Starts helpers by forking them from one helper that has done its costly start-up once, rather
// than starting each from scratch: a fork takes about a millisecond, starting a program that loads
// dozens of libraries twenty times that, which matters where helpers die often. The server is the
// helper program run with the argument "--fork-server", which hands its standard streams to
// ServeForks. A forked child is spoken to and stopped like a started one, dies with the server,
// and the server dies with the program. Not available on Windows.
class ForkServer {
public:
    ForkServer();
    ~ForkServer();  // the server ends, and with it every child it forked
    ForkServer(const ForkServer&) = delete;
    ForkServer& operator=(const ForkServer&) = delete;

    // Starts `program` as a server and waits at most `timeoutMs` for it to introduce itself as one.
    bool Start(const std::string& program, int timeoutMs);
    bool Running() const;
    // Forks a child of the server and has `child` speak to it; `child` must not outlive this.
    bool Fork(ChildProcess& child);
    void Stop();

private:
    friend class ChildProcess;
    bool Exchange(int operation, int argument, int descriptor, int& answer, int timeoutMs);
    void Kill(int child);

    ChildProcess m_server;
};

// The server side of ForkServer, for a helper started with "--fork-server": serves forks on its
// standard input and output until the program closes them, and then returns false (the helper
// should exit). In each forked child it returns true, with the child's standard input and output
// connected to the program: the child then does the helper's work.
bool ServeForks();

// Limits the memory the running process may take for its data (heap and anonymous mappings, not
// the files it maps) to `bytes`, for a helper whose libraries may be driven by a hostile file to
// take more than the machine has: an allocation beyond it fails (and std::bad_alloc is thrown)
// instead. False where the system has no such limit (Windows).
bool LimitDataMemory(std::uint64_t bytes);

// The folder of the running executable; empty when the system cannot tell (on Linux, without
// /proc), in which case no helper program may be looked for.
std::string ExecutableFolder();

}  // namespace platform
