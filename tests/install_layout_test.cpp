// Where a copy finds its reader and its data, from the folder of its programs. The relative paths
// come from the build's install layout; the tests check that they are applied to whatever folder
// the programs run from, so that an installed copy keeps working wherever its prefix is. The data
// folder is found the same way, and checked where the help pages are looked for.

#include "platform/InstallLayout.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* ReaderFile = "fotoharvester-reader.exe";
#else
constexpr const char* ReaderFile = "fotoharvester-reader";
#endif

}  // namespace

// The reader beside the program is preferred to the one in the helper folder; a missing one is
// looked for where it would be installed, so that the error names the place a packager would check.
TEST(InstallLayout, HelperBesideTheProgramElseInTheHelperFolder)
{
    const struct {
        bool beside, installed;
        const char* found;  // the folder below the prefix
    } cases[] = {{true, true, PROGRAMS_DIR}, {false, true, HELPER_DIR}, {false, false, HELPER_DIR}};
    for (const auto& row : cases) {
        TempFolder prefix;
        const fs::path programs = prefix.Path() / PROGRAMS_DIR;
        fs::create_directories(programs);
        if (row.beside)
            prefix.Touch((fs::path(PROGRAMS_DIR) / ReaderFile).string());
        if (row.installed)
            prefix.Touch((fs::path(HELPER_DIR) / ReaderFile).string());
        EXPECT_EQ(fs::path(platform::HelperProgram(programs.string(), "fotoharvester-reader")),
                  (prefix.Path() / row.found / ReaderFile).lexically_normal())
            << row.beside << row.installed;
    }
}
