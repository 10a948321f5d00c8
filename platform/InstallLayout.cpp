#include "platform/InstallLayout.h"

#include "platform/FileSystem.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace {

std::string Resolve(const std::string& executableFolder, const std::filesystem::path& relative)
{
    return NarrowFromPath((PathFromNarrow(executableFolder) / relative).lexically_normal());
}

// A folder that is not absolute would be taken from the current folder, which whoever can write
// there could fill with a program of their choice.
bool Trusted(const std::string& executableFolder)
{
    return !executableFolder.empty() && PathFromNarrow(executableFolder).is_absolute();
}

}  // namespace

std::string HelperProgram(const std::string& executableFolder, std::string_view name)
{
    if (!Trusted(executableFolder))
        return {};
    std::string fileName(name);
#ifdef _WIN32
    fileName += ".exe";
#endif
    const std::filesystem::path beside = PathFromNarrow(executableFolder) / PathFromNarrow(fileName);
    std::error_code error;
    if (std::filesystem::is_regular_file(beside, error))
        return NarrowFromPath(beside);
    return Resolve(executableFolder, PathFromNarrow(FOTOHARVESTER_HELPERS_FROM_PROGRAMS) / PathFromNarrow(fileName));
}

std::string DataFolder(const std::string& executableFolder)
{
    if (!Trusted(executableFolder))
        return {};
    return Resolve(executableFolder, PathFromNarrow(FOTOHARVESTER_DATA_FROM_PROGRAMS));
}

}  // namespace platform
