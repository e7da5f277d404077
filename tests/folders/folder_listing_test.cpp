// What the folder tree reads from the file system, and the order it shows names in.

#include "folders/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#ifndef _WIN32
#include <grp.h>
#include <unistd.h>
#endif

#include "os/utf16.h"
#include "tests/test_files.h"

namespace zandrel::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32
TEST(FolderListing, ADriveAloneIsListedFromItsRootWhereverTheCurrentFolderIs) {
    TempDir dir;
    fs::create_directories(PathFromUtf8(dir.Path("deep/inner")));
    const std::string drive = dir.Root().substr(0, 2);
    ASSERT_EQ(drive[1], ':');
    const fs::path previous = fs::current_path();
    fs::current_path(PathFromUtf8(dir.Path("deep")));
    const std::vector<std::string> listed = ListSubfolders(drive);
    const bool hasSubfolder = HasSubfolder(drive);
    fs::current_path(previous);

    std::vector<std::string> root;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(drive + "\\"))) {
        if (entry.is_directory()) root.push_back(Utf8FromPath(entry.path().filename()));
    }
    EXPECT_EQ(Sorted(listed), Sorted(root));
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "inner"), 0);
    EXPECT_TRUE(hasSubfolder);
}
#endif

TEST(FolderListing, FoldersOnlyHiddenAndLinkedOnesIncluded) {
    TempDir dir;
    fs::create_directories(PathFromUtf8(dir.Path("a/inner")));
    fs::create_directory(PathFromUtf8(dir.Path(".hidden")));
    fs::create_directory(PathFromUtf8(dir.Path("files")));
    fs::create_directories(PathFromUtf8(dir.Path("中文/子")));
    WriteBytes(dir.Path("files/one.txt"), Bytes{1});
    WriteBytes(dir.Path("plain.txt"), Bytes{1});
#ifndef _WIN32
    // Links are a privilege on Windows.
    fs::create_directory_symlink(dir.Path("a"), dir.Path("link"));
    fs::create_symlink(dir.Path("gone"), dir.Path("dangling"));
    EXPECT_TRUE(HasSubfolder(dir.Path("link")));
    const std::vector<std::string> expected{".hidden", "a", "files", "link", "中文"};
#else
    const std::vector<std::string> expected{".hidden", "a", "files", "中文"};
#endif

    EXPECT_EQ(Sorted(ListSubfolders(dir.Root())), expected);
    EXPECT_EQ(ListSubfolders(dir.Path("中文")), std::vector<std::string>{"子"});
    EXPECT_TRUE(HasSubfolder(dir.Root()));
    EXPECT_TRUE(HasSubfolder(dir.Path("a")));
    EXPECT_FALSE(HasSubfolder(dir.Path("a/inner")));  // empty
    EXPECT_FALSE(HasSubfolder(dir.Path("files")));    // files only
    EXPECT_FALSE(HasSubfolder(dir.Path("missing")));
    EXPECT_FALSE(HasSubfolder(dir.Path("plain.txt")));
    EXPECT_TRUE(ListSubfolders(dir.Path("missing")).empty());
}

#ifndef _WIN32
// Windows has no permission bits to take a folder's listing away.
TEST(FolderListing, UnreadableFolderHoldsNothingAndItsNeighboursStay) {
    TempDir dir;
    fs::create_directories(dir.Path("locked/inner"));
    fs::create_directories(dir.Path("open/inner"));
    fs::permissions(dir.Root(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir.Path("locked"), fs::perms::none);
    const auto sound = [&] {
        const std::vector<std::string> both{"locked", "open"};
        return !HasSubfolder(dir.Path("locked")) && ListSubfolders(dir.Path("locked")).empty() &&
               HasSubfolder(dir.Path("open")) && Sorted(ListSubfolders(dir.Root())) == both;
    };
    // Permissions do not hold back the superuser: the checks run as nobody then.
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(3);
            }
            ::_exit(sound() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    fs::permissions(dir.Path("locked"), fs::perms::owner_all);
}
#endif

TEST(FolderListing, OrderFoldsAsciiCaseOnly) {
    std::vector<std::string> names{"beta",  "中文",   "Zeta",  "äther",  "B", "alpha2",
                                   "Äpfel", "_under", "Alpha", "9lives", "a", "~tilde"};
    SortNoCase(names);
    // Digits, then "_" (between "Z" and "a" in the code table), then letters without
    // regard to case, a name before the longer ones it begins, then "~" (after "z"),
    // then the names beyond ASCII in code point order, case kept.
    EXPECT_EQ(names, (std::vector<std::string>{"9lives", "_under", "a", "Alpha", "alpha2", "B", "beta", "Zeta",
                                               "~tilde", "Äpfel", "äther", "中文"}));
    EXPECT_FALSE(NameLessNoCase("ABC", "abc"));
    EXPECT_FALSE(NameLessNoCase("abc", "ABC"));
    EXPECT_TRUE(NameLessNoCase("ab", "ABC"));
}

TEST(FolderListing, NamesEqualButForCaseKeepTheirListedOrder) {
    std::vector<std::string> names{"same", "b", "SAME", "a", "Same"};
    SortNoCase(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "same", "SAME", "Same"}));
    names = {"Same", "SAME", "same"};
    SortNoCase(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Same", "SAME", "same"}));
}

}  // namespace
}  // namespace zandrel::test
