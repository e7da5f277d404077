#include "platform/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::TempDir;

FileCause CauseOf(const auto& action) {
    try {
        action();
    } catch (const FileError& error) {
        return error.Cause();
    }
    return FileCause::None;
}

TEST(File, ReportsWhyItCannotOpen) {
    TempDir dir;
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("missing.spr")); }), FileCause::FileNotFound);
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Root()); }), FileCause::NotRegularFile);
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("no/such/folder/x")); }), FileCause::FileNotFound);
}

TEST(File, RefusesWhatIsNoOrdinaryFileWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.Path("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pipe", dir.Path("link").c_str()), 0);
    // A pipe with no writer would wait for ever; the alarm ends a test that hangs.
    ::alarm(10);
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("pipe")); }), FileCause::NotRegularFile);
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("link")); }), FileCause::NotRegularFile);
    EXPECT_EQ(CauseOf([&] { File::OpenRead("/dev/null"); }), FileCause::NotRegularFile);
    ::alarm(0);
    // What is refused is not held: the name can be opened again at once.
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("pipe")); }), FileCause::NotRegularFile);
    EXPECT_EQ(DescribeFileError(FileError(FileCause::NotRegularFile, 0, "/tmp/p")), "访问文件/tmp/p时出错：不是普通文件。");
}

TEST(File, ReadsAtOffsetsAndRefusesToReadPastTheEnd) {
    TempDir dir;
    test::WriteBytes(dir.Path("a"), Bytes{1, 2, 3, 4, 5});
    const File file = File::OpenRead(dir.Path("a"));
    EXPECT_EQ(file.Length(), 5u);
    EXPECT_EQ(file.ReadAt(1, 3), (Bytes{2, 3, 4}));
    EXPECT_EQ(file.ReadAll(), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(CauseOf([&] { file.ReadAt(3, 3); }), FileCause::EndOfFile);
}

TEST(File, HoldsItsFileWithoutSharing) {
    TempDir dir;
    test::WriteBytes(dir.Path("a"), Bytes{1});
    ASSERT_EQ(::symlink(dir.Path("a").c_str(), dir.Path("link").c_str()), 0);
    {
        File held = File::OpenRead(dir.Path("a"));
        EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("a")); }), FileCause::SharingViolation);
        // Another name for the same file is the same file.
        EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("link")); }), FileCause::SharingViolation);
        EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Root() + "/./a"); }), FileCause::SharingViolation);
        EXPECT_EQ(CauseOf([&] { OutputFile::Create(dir.Path("link")); }), FileCause::SharingViolation);
        // Moving the holder keeps the hold.
        File moved = std::move(held);
        EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("a")); }), FileCause::SharingViolation);
        moved.Close();
        moved.Close();
        EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("a")); }), FileCause::None);
    }
    EXPECT_EQ(test::ReadBytes(dir.Path("a")), (Bytes{1}));
}

TEST(OutputFile, ReplacesTheDestinationOnlyWhenCommitted) {
    TempDir dir;
    const std::string path = dir.Path("out.bmp");
    test::WriteBytes(path, Bytes{9, 9, 9, 9, 9, 9});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    {
        OutputFile out = OutputFile::Create(path);
        out.Write(Bytes{1, 2});
        // Abandoned: the old file stays and no temporary is left behind.
    }
    EXPECT_EQ(test::ReadBytes(path), (Bytes{9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.bmp"});

    OutputFile out = OutputFile::Create(path);
    out.Write(Bytes{1, 2});
    out.Write(Bytes{3});
    out.Commit();
    EXPECT_EQ(test::ReadBytes(path), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.bmp"});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(OutputFile, WritesThroughALinkAndRefusesFolders) {
    TempDir dir;
    test::WriteBytes(dir.Path("target"), Bytes{1});
    ASSERT_EQ(::symlink("target", dir.Path("link").c_str()), 0);
    WriteWholeFile(dir.Path("link"), Bytes{7, 7});
    EXPECT_EQ(test::ReadBytes(dir.Path("target")), (Bytes{7, 7}));
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(dir.Root(), Bytes{1}); }), FileCause::AccessDenied);
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(dir.Path("none/x.bmp"), Bytes{1}); }), FileCause::FileNotFound);
}

TEST(DescribeFileError, NamesTheFileAndTheCause) {
    const FileError error(FileCause::SharingViolation, 0, "/tmp/a.pal");
    EXPECT_EQ(DescribeFileError(error), "访问文件/tmp/a.pal时出错：文件正被使用，共享冲突。");
}

}  // namespace
}  // namespace zandrel
