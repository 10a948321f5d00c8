#include "extract/CUtility.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

std::vector<std::string> Names(const PhotoList& list, const std::string& root)
{
    std::vector<std::string> names;
    for (const auto& path : list)
        names.push_back(path.substr(root.size()));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(PathText, FileNameIsTheTextAfterTheLastSeparatorOfEitherKind)
{
    const CUtility utility;
    EXPECT_EQ(utility.GetFileName("C:\\a/b\\c.jpg"), "c.jpg");
    EXPECT_EQ(utility.GetFileName("/a\\b/c.jpg"), "c.jpg");
    EXPECT_EQ(utility.GetFileName("c.jpg"), "c.jpg");
    EXPECT_EQ(utility.GetFileName("C:\\photos\\"), "");
}

TEST(PathText, ExtensionFollowsTheLastDotEvenInsideAFolderName)
{
    const CUtility utility;
    EXPECT_EQ(utility.GetExtension("name"), "");
    EXPECT_EQ(utility.GetExtension("out."), "");
    EXPECT_EQ(utility.GetExtension("C:\\a.b\\file"), "b\\file");
    EXPECT_EQ(utility.GetExtension("x.tar.jpg"), "jpg");
}

TEST(PathText, PhotoFilesAreKnownByTheirExtensionInAnyCase)
{
    const CUtility utility;
    for (const char* photo : {"x.jpg", "x.Jpeg", "x.TIF", "x.tiff", "x.jpe", "/a/b.JPG"})
        EXPECT_TRUE(utility.IsPhotoFile(photo)) << photo;
    for (const char* other : {"x.png", "x.jfif", "x.jpg.bak", "x", "jp", "/a.jpg/readme"})
        EXPECT_FALSE(utility.IsPhotoFile(other)) << other;
}

TEST(PhotoCollection, KeepsPhotosAndRecursesOnlyWhenAsked)
{
    TempFolder folder;
    for (const char* name : {"a.JPG", "b.jpeg", "c.Tif", "d.png", "e", "sub/f.jpg", "photos.jpg/g.jpg"})
        folder.Touch(name);
    const CUtility utility;

    PhotoList flat;
    utility.CollectPhotoFiles(flat, folder.Text(), false);
    EXPECT_EQ(Names(flat, folder.Text()), (std::vector<std::string>{"a.JPG", "b.jpeg", "c.Tif"}));

    PhotoList deep;
    utility.CollectPhotoFiles(deep, folder.Text(), true);
    EXPECT_EQ(Names(deep, folder.Text()),
              (std::vector<std::string>{"a.JPG", "b.jpeg", "c.Tif", "photos.jpg/g.jpg", "sub/f.jpg"}));
}

TEST(PhotoCollection, AppendsToTheListAndGivesAbsolutePaths)
{
    TempFolder folder;
    folder.Touch("a.jpg");
    const CUtility utility;
    PhotoList list{"kept"};
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path().parent_path());
    utility.CollectPhotoFiles(list, folder.Path().filename().string() + "/", false);
    std::filesystem::current_path(previous);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], "kept");
    EXPECT_EQ(list[1], folder.Text() + "a.jpg");
}

TEST(PhotoCollection, EmptyAndMissingFoldersGiveNothingButOnlyMissingOnesAreNamedWithTheReason)
{
    TempFolder folder;
    const CUtility utility;
    PhotoList list;
    EXPECT_TRUE(utility.CollectPhotoFiles(list, folder.Text(), true).empty());
    EXPECT_EQ(utility.CollectPhotoFiles(list, folder.Text() + "missing/", true),
              (std::vector<Unread>{{folder.Text() + "missing/", "No such file or directory"}}));
    EXPECT_TRUE(list.empty());
}

TEST(PhotoCollection, LinkLoopsAreVisitedOnce)
{
    TempFolder folder;
    folder.Touch("a.jpg");
    folder.Touch("sub/b.jpg");
    std::filesystem::create_directory_symlink(folder.Path(), folder.Path() / "sub" / "back-to-top");
    std::filesystem::create_directory_symlink(folder.Path() / "sub", folder.Path() / "sub" / "itself");
    const CUtility utility;
    PhotoList list;
    EXPECT_TRUE(utility.CollectPhotoFiles(list, folder.Text(), true).empty());
    EXPECT_EQ(Names(list, folder.Text()), (std::vector<std::string>{"a.jpg", "sub/b.jpg"}));
}

TEST(PhotoCollection, LinkedFoldersOutsideTheTreeAreCollectedUnderTheirLinkName)
{
    TempFolder folder;
    TempFolder elsewhere;
    elsewhere.Touch("x.jpg");
    folder.Touch("a.jpg");
    std::filesystem::create_directory_symlink(elsewhere.Path(), folder.Path() / "linked");
    const CUtility utility;
    PhotoList list;
    utility.CollectPhotoFiles(list, folder.Text(), true);
    EXPECT_EQ(Names(list, folder.Text()), (std::vector<std::string>{"a.jpg", "linked/x.jpg"}));
}

TEST(PhotoCollection, KeepsTheCallerAliveWhileListingALargeFolder)
{
    TempFolder folder;
    for (int i = 0; i < 600; ++i)
        folder.Touch("many/" + std::to_string(i) + ".jpg");
    int calls = 0;
    PhotoList list;
    CUtility().CollectPhotoFiles(list, folder.Text(), true, [&calls] { ++calls; });
    EXPECT_EQ(list.size(), 600u);
    EXPECT_GE(calls, 2);
}

TEST(PhotoOrder, SortsByBytesWithoutCaseFoldingOrNumberOrder)
{
    PhotoList list{"C:\\P\\apple.jpg", "C:\\P\\sub\\A.jpg", "C:\\P\\Zebra.jpg", "C:\\P\\B.jpg",
                   "C:\\P\\IMG_9.JPG", "C:\\P\\IMG_10.JPG", "C:\\P\\a.jpg"};
    SortPhotoList(list);
    EXPECT_EQ(list, (PhotoList{"C:\\P\\B.jpg", "C:\\P\\IMG_10.JPG", "C:\\P\\IMG_9.JPG", "C:\\P\\Zebra.jpg",
                               "C:\\P\\a.jpg", "C:\\P\\apple.jpg", "C:\\P\\sub\\A.jpg"}));

    PhotoList utf8{"/p/\xC3\xA9.jpg", "/p/z.jpg", "/p/\xE6\x97\xA5.jpg"};
    SortPhotoList(utf8);
    EXPECT_EQ(utf8, (PhotoList{"/p/z.jpg", "/p/\xC3\xA9.jpg", "/p/\xE6\x97\xA5.jpg"}));
}

TEST(DuplicateNames, SameNameInTwoFoldersIsADuplicate)
{
    EXPECT_TRUE(HasDuplicateFileNames({"C:\\X\\IMG_1.JPG", "C:\\Y\\IMG_1.JPG"}));
    EXPECT_TRUE(HasDuplicateFileNames({"/a/a.jpg", "/b/zz.jpg", "/a/m.jpg", "/c/zz.jpg"}));
    EXPECT_TRUE(HasDuplicateFileNames({"/x/IMG_1.JPG", "/a/b/c/IMG_1.JPG", "/x/IMG_2.JPG"}));
    EXPECT_EQ(FirstDuplicateFileName({"/a/zz.jpg", "/b/m.jpg", "/c/zz.jpg", "/d/m.jpg"}), "m.jpg");
}

TEST(DuplicateNames, NamesDifferingInCaseOrSinglePhotosAreNot)
{
    EXPECT_FALSE(HasDuplicateFileNames({"C:\\X\\IMG_1.JPG", "C:\\Y\\img_1.jpg"}));
    EXPECT_FALSE(HasDuplicateFileNames({"/x/IMG_1.JPG"}));
    EXPECT_FALSE(HasDuplicateFileNames({}));
    EXPECT_FALSE(HasDuplicateFileNames({"/x/a.jpg", "/x/b.jpg", "/y/c.jpg"}));
    EXPECT_EQ(FirstDuplicateFileName({"/x/a.jpg", "/x/b.jpg"}), "");
}
