// Where a copy finds its reader and its data, from the folder of its programs. The relative paths
// come from the build's install layout; the tests check that they are applied to whatever folder
// the programs run from, so that an installed copy keeps working wherever its prefix is.

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

TEST(InstallLayout, HelperBesideTheProgramIsPreferred)
{
    TempFolder prefix;
    const fs::path programs = prefix.Path() / PROGRAMS_DIR;
    prefix.Touch((fs::path(PROGRAMS_DIR) / ReaderFile).string());
    prefix.Touch((fs::path(HELPER_DIR) / ReaderFile).string());

    EXPECT_EQ(fs::path(platform::HelperProgram(programs.string(), "fotoharvester-reader")), programs / ReaderFile);
}

TEST(InstallLayout, HelperIsFoundInTheInstalledHelperFolder)
{
    TempFolder prefix;
    const fs::path programs = prefix.Path() / PROGRAMS_DIR;
    fs::create_directories(programs);
    const fs::path installed = prefix.Touch((fs::path(HELPER_DIR) / ReaderFile).string());

    EXPECT_EQ(fs::path(platform::HelperProgram(programs.string(), "fotoharvester-reader")),
              installed.lexically_normal());
}

TEST(InstallLayout, MissingHelperIsLookedForWhereItWouldBeInstalled)
{
    // The error the caller reports then names the place a packager would check.
    TempFolder prefix;
    const fs::path programs = prefix.Path() / PROGRAMS_DIR;
    EXPECT_EQ(fs::path(platform::HelperProgram(programs.string(), "fotoharvester-reader")),
              (prefix.Path() / HELPER_DIR / ReaderFile).lexically_normal());
}

TEST(InstallLayout, DataFolderFollowsTheProgramsWhereverThePrefixIs)
{
    for (const char* prefix : {"/usr", "/opt/fotoharvester", "/home/someone/.local"}) {
        const fs::path programs = fs::path(prefix) / PROGRAMS_DIR;
        EXPECT_EQ(fs::path(platform::DataFolder(programs.string())), (fs::path(prefix) / DATA_DIR).lexically_normal())
            << prefix;
    }
}
