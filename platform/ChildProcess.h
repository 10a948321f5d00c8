#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

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
    // When it cannot be started, StartError() says why.
    bool Start(const std::string& program);
    const std::string& StartError() const;
    bool Running();
    // Writes all of `data`; false when the child is gone.
    bool Write(std::string_view data);
    // Appends what the child has written, waiting at most `timeoutMs` for something to come.
    ReadResult ReadSome(std::string& buffer, int timeoutMs);
    // Ends the child's input and waits for it to exit; kills it when it does not in time.
    void Finish(int timeoutMs);
    void Kill();

private:
    struct State;  // differs between operating systems
    std::unique_ptr<State> m_state;
};

// The folder of the running executable; empty when the system cannot tell (on Linux, without
// /proc), in which case no helper program may be looked for.
std::string ExecutableFolder();

}  // namespace platform
