#pragma once
// Where the parts of an installed copy lie, found from the folder of the running executable
// rather than from the prefix it was configured for, so that a copy installed into any prefix, or
// moved after installing, still finds its helper program and its data.

#include <string>
#include <string_view>

namespace platform {

// The file of helper program `name` (without ".exe"): the one beside the program when there is
// one, as in the build tree, else the one in the installed helper folder (libexec). Empty when
// `executableFolder` is not an absolute path (the folder of the running program is unknown).
std::string HelperProgram(const std::string& executableFolder, std::string_view name);

// The installed data folder (share/fotoharvester) of the copy whose programs are in
// `executableFolder`; empty when that is not an absolute path.
std::string DataFolder(const std::string& executableFolder);

}  // namespace platform
