#include "os/paths.h"

#include <gtest/gtest.h>

namespace zandrel {
namespace {

constexpr PathRules kPosix = PathRules::Posix;
constexpr PathRules kWindows = PathRules::Windows;

TEST(Paths, SplitAtTheLastSlash) {
    EXPECT_EQ(FileNameOf("/spr/hero.spr", kPosix), "hero.spr");
    EXPECT_EQ(FolderOf("/spr/hero.spr", kPosix), "/spr");
    EXPECT_EQ(FileNameOf("hero.spr", kPosix), "hero.spr");
    EXPECT_EQ(FolderOf("hero.spr", kPosix), ".");
    EXPECT_EQ(FolderOf("/hero.spr", kPosix), "/");
    EXPECT_EQ(FolderOf("//hero.spr", kPosix), "/");
    EXPECT_EQ(FolderOf("a//b/hero.spr", kPosix), "a//b");
    EXPECT_EQ(FileNameOf("/out/", kPosix), "");
    EXPECT_EQ(FolderOf("/out/", kPosix), "/out");
}

TEST(Paths, BackslashIsPartOfANameOnPosix) {
    EXPECT_EQ(FileNameOf("dir/back\\slash.spr", kPosix), "back\\slash.spr");
    EXPECT_EQ(FolderOf("back\\slash.spr", kPosix), ".");
    EXPECT_EQ(FileTitleOf("back\\slash.spr", kPosix), "back\\slash");
    EXPECT_EQ(WithTrailingSeparator("out\\", kPosix), "out\\/");
    EXPECT_FALSE(IsAbsolutePath("\\x", kPosix));
    EXPECT_FALSE(IsAbsolutePath("C:/x", kPosix));
}

TEST(Paths, WindowsSeparatesAtEitherSlashAndKeepsTheDrive) {
    EXPECT_EQ(FileNameOf("C:\\spr/a\\hero.spr", kWindows), "hero.spr");
    EXPECT_EQ(FolderOf("C:\\spr/a\\hero.spr", kWindows), "C:\\spr/a");
    EXPECT_EQ(FolderOf("C:\\hero.spr", kWindows), "C:\\");
    EXPECT_EQ(FolderOf("C:hero.spr", kWindows), "C:");
    EXPECT_EQ(FileNameOf("C:hero.spr", kWindows), "hero.spr");
    EXPECT_EQ(FolderOf("\\\\server\\share\\a.spr", kWindows), "\\\\server\\share");
    EXPECT_EQ(FileTitleOf("D:\\x.y\\hero", kWindows), "hero");
    EXPECT_TRUE(IsAbsolutePath("C:\\x", kWindows));
    EXPECT_TRUE(IsAbsolutePath("/x", kWindows));
    EXPECT_FALSE(IsAbsolutePath("C:x", kWindows));
    EXPECT_EQ(FolderOf("1:x", kWindows), ".");  // not a drive
}

TEST(Paths, LastNameAndTrailingSeparatorsKeepTheRoot) {
    EXPECT_EQ(LastNameOf("/spr/x/", PathRules::Posix), "x");
    EXPECT_EQ(LastNameOf("/spr/x", PathRules::Posix), "x");
    EXPECT_EQ(LastNameOf("/", PathRules::Posix), "");
    EXPECT_EQ(LastNameOf("C:\\spr\\x\\", PathRules::Windows), "x");
    EXPECT_EQ(WithoutTrailingSeparators("/out//", PathRules::Posix), "/out");
    EXPECT_EQ(WithoutTrailingSeparators("/", PathRules::Posix), "/");
    EXPECT_EQ(WithoutTrailingSeparators("C:\\", PathRules::Windows), "C:");
    EXPECT_EQ(WithoutTrailingSeparators("a\\", PathRules::Posix), "a\\");
}

TEST(Paths, TitleDropsFromTheLastDotOfTheNameOnly) {
    EXPECT_EQ(FileTitleOf("/spr/a.b.spr", kPosix), "a.b");
    EXPECT_EQ(FileTitleOf("/x.y/hero", kPosix), "hero");
    EXPECT_EQ(FileTitleOf(".spr", kPosix), "");
    EXPECT_EQ(FileTitleOf("hero.", kPosix), "hero");
    EXPECT_EQ(FileTitleOf("英雄.spr", kPosix), "英雄");
}

TEST(Paths, JoinAddsOneSeparatorWhereNoneIs) {
    EXPECT_EQ(JoinPath("/out", "a.bmp", kPosix), "/out/a.bmp");
    EXPECT_EQ(JoinPath("/out/", "a.bmp", kPosix), "/out/a.bmp");
    EXPECT_EQ(JoinPath("/", "a.bmp", kPosix), "/a.bmp");
    EXPECT_EQ(JoinPath("", "a.bmp", kPosix), "a.bmp");
    EXPECT_EQ(JoinPath("C:\\out", "a.bmp", kWindows), "C:\\out\\a.bmp");
    EXPECT_EQ(JoinPath("C:/out/", "a.bmp", kWindows), "C:/out/a.bmp");
    EXPECT_EQ(WithTrailingSeparator("", kPosix), "/");
    // A split folder and name join back to the same file.
    for (const char* path : {"/spr/hero.spr", "a//b/c", "/x"}) {
        EXPECT_EQ(JoinPath(FolderOf(path, kPosix), FileNameOf(path, kPosix), kPosix), path) << path;
    }
}

}  // namespace
}  // namespace zandrel
