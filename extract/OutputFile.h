#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The run's output file. Every write is checked; the first failure is kept so that the run can
// tell the user instead of reporting success over a file that is short of data.
class OutputFile {
public:
    bool Open(const std::string& path);
    // Writes the line and the platform's line end.
    bool WriteLine(std::string_view line);
    // Flushes and closes; false when anything written could not be stored.
    bool Close();

    bool Failed() const { return m_errorNumber != 0; }
    // The system's text for the first failure.
    std::string ErrorText() const;

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    int m_errorNumber = 0;
};
