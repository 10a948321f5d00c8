#pragma once
// File-system services whose form differs between operating systems. Paths travel through the
// program as narrow UTF-8 text (the bytes of the file name on POSIX systems).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace platform {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The separator the program appends to folder names.
char NativeSeparator();
// Whether the character separates folders in a path: "/" everywhere, and "\\" on Windows only. On
// Linux and macOS a backslash is a character of a name like any other.
bool IsFolderSeparator(char c);

std::filesystem::path PathFromNarrow(const std::string& text);
std::string NarrowFromPath(const std::filesystem::path& path);

struct FileStatus {
    std::int64_t size = 0;
    // The older of the modification time and the creation (birth) time, in local time,
    // "YYYY:MM:DD HH:MM:SS"; the modification time where the file system keeps no creation
    // time. Copying a file makes a new creation time, and keeping the modification time is what
    // camera import tools, "cp -p" and "rsync -t" do.
    std::string fileTime;
};

// Empty when the file's status cannot be read.
std::optional<FileStatus> ReadFileStatus(const std::string& path);

// A file opened for reading its bytes, or why it could not be.
struct FileForReading {
    enum class Failure { None, NoPermission, Missing, NotRegular, Other };
    UniqueFile file;
    Failure failure = Failure::None;
    std::uint64_t size = 0;  // of the file when it was opened
};

// Opens a regular file for reading in binary mode. Anything else (a pipe, a device, a folder) is
// refused without waiting: opening a pipe that nobody writes to would block for ever.
FileForReading OpenRegularFileForReading(const std::string& path);

// Whether the folder exists and its entries can be listed; when not, `error` says why.
bool CanListFolder(const std::string& folder, std::error_code* error = nullptr);

// A name in the system's own trees (/dev, /proc, /sys) stands for a device, a pipe or a file some
// process holds open, such as /dev/stdout. Such a name is written as it is: never given an
// extension, never replaced by a new file. Always false on Windows.
bool IsSystemPath(const std::string& path);

// Whether `path` names something that exists and is not a regular file (a device, a pipe, a
// folder), after following links: such a thing is written as it is, never replaced.
bool IsSpecialFile(const std::string& path);

// A text file that takes the place of an existing one only when it is complete. A regular file (or
// a name not yet taken) is written to a temporary file of its own beside it; Prepare flushes it to
// the disk and PutInPlace renames it over the target, so that a kill, a crash or a power cut at any
// moment leaves either the earlier file or the new one, never a part. The two steps are apart so
// that a writer of several files can have all of them on the disk before any takes the place of an
// earlier one. Replacing the file gives the name a new file: another hard link to the earlier one
// keeps the earlier content.
//
// The target's folder may be one that other users write to (a sticky /tmp, a shared project
// folder), so on POSIX systems:
// - a symbolic link as the target is followed only where the kernel's rule for such folders
//   would follow it: in a sticky folder anyone may write to, only a link of the running user or of
//   the folder's owner (UntrustedLink otherwise);
// - the temporary file is made new, exclusively, under a name no one can guess, readable by its
//   writer alone until it takes the target's permissions; no file of that kind is ever opened
//   again, followed or reused, and those that writers of the same user left when they died are
//   removed (not those another writer still holds, nor anyone else's);
// - a lock file beside the target (".NAME.lock", empty, the writer's own) keeps a second writer of
//   the same user off the target while one writes (InUse). What another user put in its place
//   (a link, a pipe, a folder, a file of theirs) is never opened as a lock and can neither stall
//   nor refuse a run: the run then goes on without the lock.
// A writer ended by SIGTERM or SIGHUP leaves nothing behind (see RemoveTemporaryFiles).
// Anything else (a device, a pipe, a terminal) is written directly, and a system path (see
// IsSystemPath) is appended to, as the descriptor behind it would be: /dev/stdout sent with ">>"
// to a file keeps that file's lines. Line ends follow the platform's text mode.
class ReplacementFile {
public:
    enum class Opening { Opened, InUse, UntrustedLink, Failed };

    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // InUse: another writer holds the target. UntrustedLink: the target is a link another user
    // placed in a shared folder. Failed: see Error().
    Opening Open(const std::string& path);
    std::FILE* Stream() const { return m_stream; }
    // Flushes and syncs what was written, the target untouched; false (with Error() set) when that
    // failed, and then the temporary file is removed and the target is left as it was.
    bool Prepare();
    // Prepares the file, if that is still to do, and puts it in place of the target; false (with
    // Error() set) when that failed, and then the target is left as it was.
    bool PutInPlace();
    // Whether PutInPlace would take the place of a file that exists now, rather than make a new one
    // or write a device.
    bool ReplacesAFile() const;
    // Removes the temporary file: the target stays as it was.
    void Discard();
    // The errno value of the last failure.
    int Error() const { return m_error; }

private:
    Opening Failed(int error);
    bool Succeeded(int error);
    // POSIX: takes the lock file of the target; false when another writer holds it.
    bool TakeLock();
    void RemoveLeftovers() const;
    // Lets go of the lock and the target's folder.
    void Release();

    std::FILE* m_stream = nullptr;
    std::string m_target;
    std::string m_temporary;  // empty when the target is written directly
    bool m_prepared = false;
    int m_removalSlot = -1;  // where RemoveTemporaryFiles finds the temporary file
    int m_error = 0;
    // POSIX: the folder of the target, open, in which the target, the temporary file and the lock
    // are named, so that no link planted on the way meanwhile can lead the writer elsewhere.
    int m_folder = -1;
    std::string m_name;  // the target's name in it
    int m_lock = -1;
    std::string m_lockName;
    // What the file takes from the target it replaces (or the usual permissions of a new file)
    // when it is complete: until then only its writer may read it.
    unsigned m_finalMode = 0;
    long long m_finalOwner = -1;  // -1: a new file, which stays the writer's
    long long m_finalGroup = -1;
};

// Removes the temporary file of every ReplacementFile of the program that is open now, leaving
// the targets as they were: for a program that a signal is about to end. Safe in a signal handler.
void RemoveTemporaryFiles();

// Human-readable text for an errno value.
std::string ErrorText(int errorNumber);

}  // namespace platform
