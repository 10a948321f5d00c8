#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Asks the system to bring the first `bytes` of a regular file into its cache, without waiting
// for the disk, so that whoever reads them next finds them there. Anything but a regular file is
// left alone (opening a device can have effects of its own); so is everything on systems that
// take no such request. True when the file's start was in the cache already, so that nothing
// needed asking.
bool ReadAhead(const std::string& path, std::size_t bytes);

}  // namespace platform
