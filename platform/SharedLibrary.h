#pragma once

#include <string>

namespace platform {

// A shared library loaded while the program runs rather than when it starts, for a library that
// only some inputs need and whose loading costs much: a process that never meets such an input
// never pays for it. The library stays loaded as long as the object lives (on Linux, as long as
// the process does).
class SharedLibrary {
public:
    // Loads the library of that file name (found where the system looks for libraries); Loaded()
    // says whether it could be.
    explicit SharedLibrary(const std::string& name);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool Loaded() const { return m_handle != nullptr; }
    // The address of a function of the library or of the libraries it depends on; null when there
    // is none of that name or the library is not loaded.
    void* Symbol(const char* name) const;

private:
    void* m_handle = nullptr;
};

}  // namespace platform
