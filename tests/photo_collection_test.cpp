#include "extract/PhotoCollection.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>

// On Linux and macOS only "/" separates folders: a backslash is part of a name. Windows takes both.
#ifdef _WIN32
constexpr bool backslashSeparates = true;
#else
constexpr bool backslashSeparates = false;
#endif

TEST(PathText, FileNameAfterTheLastSeparatorExtensionAfterTheLastDot)
{
    const struct {
        const char* path;
        const char* name;
        const char* extension;
    } cases[] = {
        {"C:\\a/b\\c.jpg", backslashSeparates ? "c.jpg" : "b\\c.jpg", "jpg"},
        {"/a\\b/c.jpg", "c.jpg", "jpg"},
        {"/a/holiday\\IMG_1.jpg", backslashSeparates ? "IMG_1.jpg" : "holiday\\IMG_1.jpg", "jpg"},
        {"C:\\photos\\", backslashSeparates ? "" : "C:\\photos\\", ""},
        {"name", "name", ""},
        {"out.", "out.", ""},
        {"C:\\a.b\\file", backslashSeparates ? "file" : "C:\\a.b\\file", "b\\file"},
        {"x.tar.jpg", "x.tar.jpg", "jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
        EXPECT_EQ(ExtensionOf(c.path), c.extension) << c.path;
    }
    for (const char* photo : {"x.jpg", "x.Jpeg", "x.TIF", "x.tiff", "x.jpe", "/a/b.JPG"})
        EXPECT_TRUE(IsPhotoFile(photo)) << photo;
    for (const char* other : {"x.png", "x.jfif", "x.jpg.bak", "x", "jp", "/a.jpg/readme"})
        EXPECT_FALSE(IsPhotoFile(other)) << other;
    // Each choice of formats takes the groups before it; videos only the last.
    const struct {
        const char* path;
        bool all;
        bool withVideo;
    } groups[] = {
        {"x.JPG", true, true},   {"x.mp4", false, true},  {"x.MOV", false, true},
        {"x.avi", false, false}, {"x.xmp", false, false}, {"x.mp4.part", false, false},
    };
    for (const auto& [path, all, withVideo] : groups) {
        EXPECT_EQ(IsPhotoFile(path, PhotoFormats::All), all) << path;
        EXPECT_EQ(IsPhotoFile(path, PhotoFormats::AllWithVideo), withVideo) << path;
    }
    EXPECT_FALSE(IsPhotoFile("x.mp4", PhotoFormats::JpegAndTiff));
}

// The help pages and the batch command's manual page name every extension a run collects (its
// --help lists them from the table itself).
TEST(PhotoFormats, TheHelpAndTheManualPageNameEveryExtension)
{
    const std::string help = FileText(std::filesystem::path(SOURCE_DIR) / "docs/help/index.html");
    const std::string manual = FileText(std::filesystem::path(SOURCE_DIR) / "packaging/man/fotoharvester-cli.1.in");
    ASSERT_FALSE(help.empty() || manual.empty());
    for (const auto group : {JpegAndTiffExtensions(), OtherPhotoExtensions(), VideoExtensions()}) {
        for (const std::string_view extension : group) {
            std::string lower(extension);
            std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            EXPECT_NE(help.find("<code>." + lower + "</code>"), std::string::npos) << extension;
            EXPECT_TRUE(
                std::regex_search(manual, std::regex("\\b" + std::string(extension) + "\\b", std::regex::icase)))
                << extension;
        }
    }
}

// Loops are visited once; folders linked from outside the tree are collected under the link's name.
// A folder named from the working folder gives absolute paths, added to those already listed.
TEST(PhotoCollection, KeepsPhotosOfEveryDepthAndVisitsLinkedFoldersOnce)
{
    TempFolder folder;
    TempFolder elsewhere;
    elsewhere.Touch("x.jpg");
    for (const char* name : {"a.JPG", "b.jpeg", "c.Tif", "d.png", "e", "sub/f.jpg", "photos.jpg/g.jpg"})
        folder.Touch(name);
    std::filesystem::create_directory_symlink(folder.Path(), folder.Path() / "sub" / "back-to-top");
    std::filesystem::create_directory_symlink(folder.Path() / "sub", folder.Path() / "sub" / "itself");
    std::filesystem::create_directory_symlink(elsewhere.Path(), folder.Path() / "linked");

    PhotoList deep{folder.Text() + "kept"};
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path().parent_path());
    EXPECT_TRUE(CollectPhotoFiles(deep, folder.Path().filename().string() + "/", true).empty());
    std::filesystem::current_path(previous);
    std::vector<std::string> names;
    for (const auto& path : deep)
        names.push_back(path.substr(folder.Text().size()));
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a.JPG", "b.jpeg", "c.Tif", "kept", "linked/x.jpg", "photos.jpg/g.jpg",
                                               "sub/f.jpg"}));
}

// Told to stop, the listing of a large folder stops part-way rather than at its end.
TEST(PhotoCollection, StopsListingWhenTold)
{
    TempFolder folder;
    for (int i = 0; i < 600; ++i)
        folder.Touch("many/" + std::to_string(i) + ".jpg");
    PhotoList list;
    CollectPhotoFiles(list, folder.Text(), true, [] { return false; });
    EXPECT_LT(list.size(), 300u);
}

TEST(PhotoOrder, SortsByBytesWithoutCaseFoldingOrNumberOrder)
{
    PhotoList list{"C:\\P\\apple.jpg", "C:\\P\\sub\\A.jpg", "C:\\P\\Zebra.jpg", "C:\\P\\B.jpg",
                   "C:\\P\\IMG_9.JPG", "C:\\P\\IMG_10.JPG", "C:\\P\\a.jpg"};
    SortPhotoList(list);
    EXPECT_EQ(list, (PhotoList{"C:\\P\\B.jpg", "C:\\P\\IMG_10.JPG", "C:\\P\\IMG_9.JPG", "C:\\P\\Zebra.jpg",
                               "C:\\P\\a.jpg", "C:\\P\\apple.jpg", "C:\\P\\sub\\A.jpg"}));
}

// The same name in two folders is a duplicate; names differing in case are not.
TEST(DuplicateNames, SameNameInTwoFolders)
{
    using Names = std::vector<std::string>;
    const std::pair<PhotoList, Names> cases[] = {
        {{"/p/holiday\\IMG_1.jpg", "/p/work\\IMG_1.jpg"}, backslashSeparates ? Names{"IMG_1.jpg"} : Names{}},
        {{"/p/holiday\\IMG_1.jpg", "/q/holiday\\IMG_1.jpg"},
         backslashSeparates ? Names{"IMG_1.jpg"} : Names{"holiday\\IMG_1.jpg"}},
        {{"/a/a.jpg", "/b/zz.jpg", "/a/m.jpg", "/c/zz.jpg"}, {"zz.jpg"}},
        {{"/x/IMG_1.JPG", "/a/b/c/IMG_1.JPG", "/x/IMG_2.JPG", "/y/IMG_1.JPG"}, {"IMG_1.JPG"}},  // named once
        {{"/a/zz.jpg", "/b/m.jpg", "/c/zz.jpg", "/d/m.jpg", "/e/a.jpg"}, {"m.jpg", "zz.jpg"}},  // in byte order
        {{"/X/IMG_1.JPG", "/Y/img_1.jpg"}, {}},
        {{}, {}},
    };
    for (const auto& [list, shared] : cases) {
        EXPECT_EQ(DuplicateFileNames(list), shared);
        EXPECT_EQ(HasDuplicateFileNames(list), !shared.empty());
    }
}
