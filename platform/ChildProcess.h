#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// A helper program spoken to over its standard input and output, with its error output
// discarded. It runs in a process group of its own, so that Ctrl-C reaches only the program,
// which then finishes the photo in progress, and not the helpers it is waiting for.
class ChildProcess {
public:
    enum class ReadResult { Data, TimedOut, Closed };

    ChildProcess();
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& program);
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

// The folder of the running executable.
std::string ExecutableFolder();

}  // namespace platform
