#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>

// One file a run writes. Every write is checked and the first failure kept, so that the run can
// tell the user instead of reporting success over a file that is short of data. The file takes the
// place of an earlier one only at PutInPlace; until then, and after Discard, the earlier file is
// untouched (see platform::ReplacementFile).
class OutputFile {
public:
    using Opening = platform::ReplacementFile::Opening;

    Opening Open(const std::string& path);
    // Writes to standard output instead, as it comes.
    void OpenStandardOutput();

    bool Write(std::string_view text);
    // Writes the line and the platform's line end.
    bool WriteLine(std::string_view line);
    // Flushes and syncs what was written; false when anything written could not be stored, and
    // then the earlier file is left as it was.
    bool Prepare();
    // Prepares the file, if that is still to do, and puts it in place of the earlier one; false
    // when that failed, and then the earlier file is left as it was.
    bool PutInPlace();
    // Whether PutInPlace would take the place of a file that exists now.
    bool ReplacesAFile() const { return !m_standardOutput && m_file.ReplacesAFile(); }
    void Discard();

    bool Failed() const { return m_errorNumber != 0; }
    // The system's text for the first failure.
    std::string ErrorText() const;

private:
    std::FILE* Stream() const;

    platform::ReplacementFile m_file;
    bool m_standardOutput = false;
    int m_errorNumber = 0;
};
