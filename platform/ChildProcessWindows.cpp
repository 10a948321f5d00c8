// The reader processes on Windows: anonymous pipes to the child's standard input and output.
// Not built on the Linux machines the project is developed on.

#include "platform/ChildProcess.h"
#include "platform/FileSystem.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

namespace platform {

struct ChildProcess::State {
    PROCESS_INFORMATION process{};
    HANDLE input = nullptr;   // our end of the child's standard input
    HANDLE output = nullptr;  // our end of the child's standard output
    // A job that kills the child when the program ends: the system closes the job's last handle
    // then, however the program ended.
    HANDLE job = nullptr;
    std::string error;

    void CloseHandles()
    {
        for (HANDLE* handle : {&input, &output, &process.hProcess, &process.hThread}) {
            if (*handle != nullptr)
                CloseHandle(*handle);
            *handle = nullptr;
        }
    }
};

ChildProcess::ChildProcess() : m_state(std::make_unique<State>()) {}

ChildProcess::~ChildProcess()
{
    Kill();
    if (m_state->job != nullptr)
        CloseHandle(m_state->job);
}

namespace {

std::string LastErrorText()
{
    return "Windows error " + std::to_string(GetLastError());
}

}  // namespace

bool ChildProcess::Start(const std::string& program, const char* argument)
{
    return StartWith(program, argument, nullptr);
}

bool ChildProcess::StartWith(const std::string& program, const char* argument, const char*)
{
    Kill();
    m_state->error.clear();
    if (!PathFromNarrow(program).is_absolute()) {
        m_state->error = "not an absolute path";
        return false;
    }
    if (m_state->job == nullptr) {
        m_state->job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (m_state->job == nullptr ||
            !SetInformationJobObject(m_state->job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            m_state->error = LastErrorText();
            return false;
        }
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &m_state->input, &inherit, 0)) {
        m_state->error = LastErrorText();
        return false;
    }
    if (!CreatePipe(&m_state->output, &childOutput, &inherit, 0)) {
        m_state->error = LastErrorText();
        CloseHandle(childInput);
        m_state->CloseHandles();
        return false;
    }
    SetHandleInformation(m_state->input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(m_state->output, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = nul;
    std::wstring commandLine = L"\"" + PathFromNarrow(program).wstring() + L"\"";
    if (argument != nullptr)
        commandLine += L" " + PathFromNarrow(argument).wstring();
    const BOOL started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW,
                       nullptr, nullptr, &startup, &m_state->process);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started) {
        m_state->error = LastErrorText();
        m_state->process = {};
        m_state->CloseHandles();
        return false;
    }
    AssignProcessToJobObject(m_state->job, m_state->process.hProcess);
    return true;
}

const std::string& ChildProcess::StartError() const
{
    return m_state->error;
}

bool ChildProcess::Running()
{
    return m_state->process.hProcess != nullptr && WaitForSingleObject(m_state->process.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::Write(std::string_view data)
{
    while (!data.empty() && m_state->input != nullptr) {
        DWORD written = 0;
        if (!WriteFile(m_state->input, data.data(), static_cast<DWORD>(data.size()), &written, nullptr))
            return false;
        data.remove_prefix(written);
    }
    return data.empty();
}

void ChildProcess::WaitForAny(const std::vector<ChildProcess*>& children, int timeoutMs)
{
    // Anonymous pipes cannot be waited on; look every millisecond until something is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (const ChildProcess* child : children) {
            DWORD available = 0;
            if (child->m_state->output != nullptr &&
                (!PeekNamedPipe(child->m_state->output, nullptr, 0, nullptr, &available, nullptr) || available > 0))
                return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ChildProcess::ReadResult ChildProcess::ReadSome(std::string& buffer, int timeoutMs)
{
    // Anonymous pipes cannot be waited on; look every millisecond until something is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        DWORD available = 0;
        if (m_state->output == nullptr || !PeekNamedPipe(m_state->output, nullptr, 0, nullptr, &available, nullptr))
            return ReadResult::Closed;
        if (available > 0) {
            const std::size_t start = buffer.size();
            buffer.resize(start + available);
            DWORD received = 0;
            if (!ReadFile(m_state->output, buffer.data() + start, available, &received, nullptr) || received == 0) {
                buffer.resize(start);
                return ReadResult::Closed;
            }
            buffer.resize(start + received);
            return ReadResult::Data;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return ReadResult::TimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void ChildProcess::Finish(int timeoutMs)
{
    if (m_state->process.hProcess == nullptr)
        return;
    CloseHandle(m_state->input);
    m_state->input = nullptr;
    if (WaitForSingleObject(m_state->process.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        TerminateProcess(m_state->process.hProcess, 1);
    m_state->CloseHandles();
}

void ChildProcess::Kill()
{
    if (m_state->process.hProcess != nullptr) {
        TerminateProcess(m_state->process.hProcess, 1);
        WaitForSingleObject(m_state->process.hProcess, INFINITE);
    }
    m_state->CloseHandles();
}

// Windows has no fork: every helper is started from scratch.
ForkServer::ForkServer() = default;
ForkServer::~ForkServer() = default;

bool ForkServer::Start(const std::string&, int)
{
    return false;
}

bool ForkServer::Running() const
{
    return false;
}

bool ForkServer::Fork(ChildProcess&)
{
    return false;
}

void ForkServer::Stop() {}

void ForkServer::Kill(int) {}

bool ForkServer::Exchange(int, int, int, int&, int)
{
    return false;
}

bool ServeForks()
{
    return false;
}

bool LimitDataMemory(std::uint64_t)
{
    return false;
}

std::string ExecutableFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    const std::filesystem::path executable(std::wstring(path, length));
    return NarrowFromPath(executable.parent_path());
}

}  // namespace platform
