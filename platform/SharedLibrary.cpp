#include "platform/SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace platform {

#ifdef _WIN32

SharedLibrary::SharedLibrary(const std::string& name) : m_handle(::LoadLibraryA(name.c_str())) {}

SharedLibrary::~SharedLibrary()
{
    if (m_handle != nullptr)
        ::FreeLibrary(static_cast<HMODULE>(m_handle));
}

void* SharedLibrary::Symbol(const char* name) const
{
    return m_handle != nullptr ? reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(m_handle), name))
                               : nullptr;
}

#else

// Functions are bound on their first call, so that loading resolves only what the library itself
// needs at once; the library's symbols stay its own, so that they cannot stand in for those of a
// library loaded later. It stays mapped once loaded: unloading a library with a hundred
// dependencies gains nothing at the end of a process, and the memory it keeps for itself would
// look lost to a leak checker.
SharedLibrary::SharedLibrary(const std::string& name)
    : m_handle(::dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE))
{
}

SharedLibrary::~SharedLibrary()
{
    if (m_handle != nullptr)
        ::dlclose(m_handle);
}

void* SharedLibrary::Symbol(const char* name) const
{
    return m_handle != nullptr ? ::dlsym(m_handle, name) : nullptr;
}

#endif

}  // namespace platform
