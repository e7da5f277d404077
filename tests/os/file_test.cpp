#include "os/file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::CauseOf;
using test::MessageOf;
using test::TempDir;

TEST(File, ReportsWhyItCannotOpen) {
    TempDir dir;
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("missing.spr")); }), FileCause::FileNotFound);
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Root()); }), FileCause::NotRegularFile);
#ifndef _WIN32
    // Windows tells a missing folder from a missing file; POSIX does not.
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("no/such/folder/x")); }), FileCause::FileNotFound);
#endif
}

// Pipes, links, devices, permission bits, owners and hard links are POSIX's; Windows
// has its own tests of sharing and replacing.
#ifndef _WIN32

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
    EXPECT_EQ(DescribeFileError(FileError(FileCause::NotRegularFile, 0, "/tmp/p")),
              "访问文件/tmp/p时出错：不是普通文件。");
}

#endif

TEST(File, ReadsAtOffsetsAndRefusesToReadPastTheEnd) {
    TempDir dir;
    test::WriteBytes(dir.Path("a"), Bytes{1, 2, 3, 4, 5});
    const File file = File::OpenRead(dir.Path("a"));
    EXPECT_EQ(file.Length(), 5u);
    EXPECT_EQ(file.ReadAt(1, 3), (Bytes{2, 3, 4}));
    EXPECT_EQ(file.ReadAll(), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(CauseOf([&] { file.ReadAt(3, 3); }), FileCause::EndOfFile);
}

TEST(File, TellsWhetherItChangedSinceItWasOpened) {
    TempDir dir;
    const std::string path = dir.Path("a.spr");
    test::WriteBytes(path, Bytes{1, 2, 3});
    {
        const File file = File::OpenRead(path);
        EXPECT_EQ(file.ReadAll(), (Bytes{1, 2, 3}));
        EXPECT_FALSE(file.ChangedSinceOpen());
    }
    EXPECT_EQ(CauseOf([] { File().ChangedSinceOpen(); }), FileCause::InvalidFile);
#ifndef _WIN32
    // Only POSIX lets another writer at a file that is held.
    {
        const File file = File::OpenRead(path);
        struct stat opened {};
        ASSERT_EQ(::stat(path.c_str(), &opened), 0);
        // Other bytes of the same length, in place, dated a second later: a quick
        // rewrite may fall within one tick of the file system's clock.
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "\x07\x08\x09", 3, 0), 3);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {opened.st_mtim.tv_sec + 1, opened.st_mtim.tv_nsec}};
        ASSERT_EQ(::futimens(fd, times), 0);
        ::close(fd);
        EXPECT_TRUE(file.ChangedSinceOpen());
    }
    {
        const File file = File::OpenRead(path);
        test::WriteBytes(dir.Path("new.spr"), Bytes{4, 5, 6});
        ASSERT_EQ(::rename(dir.Path("new.spr").c_str(), path.c_str()), 0);
        // The reads still see the file that was opened, which the path no longer names.
        EXPECT_EQ(file.ReadAll(), (Bytes{7, 8, 9}));
        EXPECT_TRUE(file.ChangedSinceOpen());
    }
    {
        // Opened by a relative path: a move of the current folder afterwards, as every
        // confirmed file dialog makes, changes nothing.
        const std::filesystem::path start = std::filesystem::current_path();
        std::filesystem::current_path(dir.Root());
        const File file = File::OpenRead("a.spr");
        std::filesystem::current_path(start);
        EXPECT_FALSE(file.ChangedSinceOpen());
    }
    {
        // The file itself untouched, its path made to name another: only the identity tells.
        test::WriteBytes(dir.Path("other.spr"), Bytes{7, 8, 9});
        ASSERT_EQ(::symlink("a.spr", dir.Path("link").c_str()), 0);
        const File file = File::OpenRead(dir.Path("link"));
        ASSERT_EQ(::unlink(dir.Path("link").c_str()), 0);
        ASSERT_EQ(::symlink("other.spr", dir.Path("link").c_str()), 0);
        EXPECT_TRUE(file.ChangedSinceOpen());
    }
#endif
}

#ifndef _WIN32
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

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// The permission bits and the kind of file.
mode_t BitsOf(const std::string& path) { return ModeOf(path) & 07777; }

class UmaskSetTo {
public:
    explicit UmaskSetTo(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskSetTo() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

#endif

// Outputs as they start where the system has unnamed temporaries (true), and as they
// start elsewhere, under a hidden name (false).
class Replacing : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { UseUnnamedTemporaries(GetParam()); }
    void TearDown() override { UseUnnamedTemporaries(true); }

    TempDir m_dir;
};

INSTANTIATE_TEST_SUITE_P(Temporaries, Replacing, testing::Values(true, false),
                         [](const auto& temporaries) { return temporaries.param ? "Unnamed" : "Named"; });

TEST_P(Replacing, NamesTheFileOnlyWhenCommitted) {
    const std::string path = m_dir.Path("new.bmp");
    {
        OutputFile out = OutputFile::Create(path);
        out.Write(Bytes{1});
    }
    EXPECT_TRUE(m_dir.Entries().empty());

    OutputFile out = OutputFile::Create(path);
    out.Write(Bytes{1, 2});
    // A file that takes the name meanwhile is replaced like any other.
    test::WriteBytes(path, Bytes{7});
    out.Commit();
    EXPECT_EQ(test::ReadBytes(path), (Bytes{1, 2}));
    EXPECT_EQ(m_dir.Entries(), std::vector<std::string>{"new.bmp"});
}

#ifndef _WIN32
TEST_P(Replacing, KeepsThePermissionBitsExactlyLessSetId) {
    const UmaskSetTo mask(077);
    const std::vector<std::pair<mode_t, mode_t>> cases = {
        {0666, 0666}, {0600, 0600}, {0444 | 0200, 0644}, {04755, 0755}, {02775, 0775}, {06711, 0711}, {01644, 01644}};
    for (const auto& [before, after] : cases) {
        const std::string path = m_dir.Path("m" + std::to_string(before));
        test::WriteBytes(path, Bytes{9, 9});
        ASSERT_EQ(::chmod(path.c_str(), before), 0);
        WriteWholeFile(path, Bytes{1});
        EXPECT_EQ(BitsOf(path), after) << std::oct << before;
        EXPECT_EQ(test::ReadBytes(path), Bytes{1});
    }
    // A new file takes the umask as usual.
    const UmaskSetTo usual(027);
    WriteWholeFile(m_dir.Path("fresh"), Bytes{1});
    EXPECT_EQ(BitsOf(m_dir.Path("fresh")), 0640u);
}

TEST_P(Replacing, KeepsTheOwnerAndGroupWhereAllowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const std::string path = m_dir.Path("owned");
    test::WriteBytes(path, Bytes{9});
    ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteWholeFile(path, Bytes{1});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_P(Replacing, ReplacesOnlyTheNameWrittenTo) {
    test::WriteBytes(m_dir.Path("a"), Bytes{9, 9});
    ASSERT_EQ(::link(m_dir.Path("a").c_str(), m_dir.Path("b").c_str()), 0);
    WriteWholeFile(m_dir.Path("a"), Bytes{1});
    EXPECT_EQ(test::ReadBytes(m_dir.Path("a")), Bytes{1});
    EXPECT_EQ(test::ReadBytes(m_dir.Path("b")), (Bytes{9, 9}));
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"a", "b"}));
}

TEST_P(Replacing, WritesThroughChainsOfLinksThatStayLinks) {
    // first -> sub/second -> target (relative to sub) -> sub/target
    ASSERT_EQ(::mkdir(m_dir.Path("sub").c_str(), 0755), 0);
    test::WriteBytes(m_dir.Path("sub/target"), Bytes{9});
    ASSERT_EQ(::symlink("target", m_dir.Path("sub/second").c_str()), 0);
    ASSERT_EQ(::symlink(m_dir.Path("sub/second").c_str(), m_dir.Path("first").c_str()), 0);
    WriteWholeFile(m_dir.Path("first"), Bytes{1, 2});
    EXPECT_EQ(test::ReadBytes(m_dir.Path("sub/target")), (Bytes{1, 2}));
    EXPECT_TRUE(S_ISLNK(ModeOf(m_dir.Path("first"))));
    EXPECT_TRUE(S_ISLNK(ModeOf(m_dir.Path("sub/second"))));

    // A link to nothing yet: the file it names is created.
    ASSERT_EQ(::symlink("sub/made", m_dir.Path("dangling").c_str()), 0);
    WriteWholeFile(m_dir.Path("dangling"), Bytes{3});
    EXPECT_EQ(test::ReadBytes(m_dir.Path("sub/made")), Bytes{3});
    EXPECT_TRUE(S_ISLNK(ModeOf(m_dir.Path("dangling"))));
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"dangling", "first", "sub"}));

    ASSERT_EQ(::symlink("loop", m_dir.Path("loop").c_str()), 0);
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(m_dir.Path("loop"), Bytes{1}); }), FileCause::BadPath);
}

#endif

// The entries of `dir` that are temporaries of this program (named ones are hidden),
// or that are not.
std::vector<std::string> EntriesThatAreHidden(const TempDir& dir, bool hidden = true) {
    std::vector<std::string> entries;
    for (const std::string& entry : dir.Entries()) {
        if (entry.starts_with(".") == hidden) entries.push_back(entry);
    }
    return entries;
}

TEST_P(Replacing, BatchPutsAGroupInPlaceWhenItFillsAndDropsTheRest) {
    test::WriteBytes(m_dir.Path("b"), Bytes{9});
    test::WriteBytes(m_dir.Path("d"), Bytes{8});
    {
        OutputBatch batch(3);
        batch.WriteWholeFile(m_dir.Path("a"), Bytes{1});
        batch.WriteWholeFile(m_dir.Path("b"), Bytes{2});
        EXPECT_EQ(batch.Waiting(), 2u);
        EXPECT_EQ(EntriesThatAreHidden(m_dir, false), (std::vector<std::string>{"b", "d"}));
        EXPECT_EQ(test::ReadBytes(m_dir.Path("b")), Bytes{9});
        batch.WriteWholeFile(m_dir.Path("c"), Bytes{3});
        EXPECT_EQ(batch.Waiting(), 0u);
        EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"a", "b", "c", "d"}));
        EXPECT_EQ(test::ReadBytes(m_dir.Path("b")), Bytes{2});

        // Never committed: the next group leaves its destinations as they were.
        batch.WriteWholeFile(m_dir.Path("d"), Bytes{4});
        batch.WriteWholeFile(m_dir.Path("e"), Bytes{5});
    }
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(test::ReadBytes(m_dir.Path("d")), Bytes{8});

    OutputBatch batch;
    batch.WriteWholeFile(m_dir.Path("d"), Bytes{4});
    batch.WriteWholeFile(m_dir.Path("e"), Bytes{5});
    batch.Commit();
    batch.Commit();  // nothing waits: nothing happens
    EXPECT_EQ(test::ReadBytes(m_dir.Path("d")), Bytes{4});
    EXPECT_EQ(test::ReadBytes(m_dir.Path("e")), Bytes{5});
    EXPECT_TRUE(EntriesThatAreHidden(m_dir).empty());
}

#ifndef _WIN32
TEST_P(Replacing, BatchThatFailsLeavesEveryDestinationAsItWas) {
    test::WriteBytes(m_dir.Path("old"), Bytes{9, 9});
    ASSERT_EQ(::mkdir(m_dir.Path("folder").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("target", m_dir.Path("link").c_str()), 0);
    const auto writeFour = [&] {
        OutputBatch batch;
        batch.WriteWholeFile(m_dir.Path("old"), Bytes{1});
        batch.WriteWholeFile(m_dir.Path("link"), Bytes{2});
        batch.WriteWholeFile(m_dir.Path("new"), Bytes{3});
        batch.WriteWholeFile(m_dir.Path("folder"), Bytes{4});
        batch.Commit();
    };
    EXPECT_EQ(CauseOf(writeFour), FileCause::AccessDenied);
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"folder", "link", "old"}));
    EXPECT_EQ(test::ReadBytes(m_dir.Path("old")), (Bytes{9, 9}));
    EXPECT_FALSE(test::Exists(m_dir.Path("target")));

    // The same outputs without the folder go in place, the link staying a link.
    OutputBatch batch;
    batch.WriteWholeFile(m_dir.Path("old"), Bytes{1});
    batch.WriteWholeFile(m_dir.Path("link"), Bytes{2});
    batch.Commit();
    EXPECT_EQ(test::ReadBytes(m_dir.Path("old")), Bytes{1});
    EXPECT_EQ(test::ReadBytes(m_dir.Path("target")), Bytes{2});
    struct stat info {};
    ASSERT_EQ(::lstat(m_dir.Path("link").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_TRUE(EntriesThatAreHidden(m_dir).empty());
}

TEST(OutputFile, WritesStraightIntoAPipe) {
    TempDir dir;
    const std::string pipe = dir.Path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pipe", dir.Path("link").c_str()), 0);
    Bytes received;
    // A pipe renamed over would leave the reader waiting for ever: the alarm ends it.
    ::alarm(10);
    std::thread reader([&] {
        const int fd = ::open(pipe.c_str(), O_RDONLY);
        std::uint8_t buffer[64];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
            received.insert(received.end(), buffer, buffer + got);
        }
        ::close(fd);
    });
    WriteWholeFile(dir.Path("link"), Bytes{1, 2, 3});
    reader.join();
    ::alarm(0);
    EXPECT_EQ(received, (Bytes{1, 2, 3}));
    EXPECT_TRUE(S_ISFIFO(ModeOf(pipe)));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.Path("link"))));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link", "pipe"}));
}

TEST(OutputFile, WritesStraightIntoADevice) {
    TempDir dir;
    // A null device of our own: a test that went wrong must not replace the system's.
    const std::string device = dir.Path("null");
    if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) GTEST_SKIP() << "cannot make a device here";
    ASSERT_EQ(::symlink("null", dir.Path("stdout").c_str()), 0);
    WriteWholeFile(device, Bytes{1, 2});
    WriteWholeFile(dir.Path("stdout"), Bytes{1, 2});
    {
        OutputFile abandoned = OutputFile::Create(device);
        abandoned.Write(Bytes{1});
    }
    struct stat info {};
    ASSERT_EQ(::lstat(device.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(info.st_rdev, ::makedev(1, 3));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"null", "stdout"}));
}

TEST(OutputFile, RefusesLinksAnotherUserPutInAPublicFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a link to another user";
    constexpr uid_t kOtherUser = 12345;
    TempDir dir;
    // A folder like /tmp, and a file elsewhere that a planted link points to.
    const std::string shared = dir.Path("shared");
    ASSERT_EQ(::mkdir(shared.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(::mkdir(dir.Path("elsewhere").c_str(), 0755), 0);
    const std::string target = dir.Path("elsewhere/victim.bmp");
    test::WriteBytes(target, Bytes{9, 9});
    const std::string link = shared + "/out.bmp";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), kOtherUser, kOtherUser), 0);
    const std::string folderLink = shared + "/frames";
    ASSERT_EQ(::symlink(dir.Path("elsewhere").c_str(), folderLink.c_str()), 0);
    ASSERT_EQ(::lchown(folderLink.c_str(), kOtherUser, kOtherUser), 0);
    // A link of this user's own, in a folder of its own, into the planted one.
    ASSERT_EQ(::symlink(link.c_str(), dir.Path("mine.bmp").c_str()), 0);

    EXPECT_EQ(MessageOf([&] { WriteWholeFile(link, Bytes{1}); }),
              "访问文件" + link + "时出错：拒绝跟随其他用户在公共文件夹中放置的链接。");
    EXPECT_EQ(CauseOf([&] { OutputFile::Create(link); }), FileCause::UntrustedLink);
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(dir.Path("mine.bmp"), Bytes{1}); }), FileCause::UntrustedLink);
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(folderLink + "/victim.bmp", Bytes{1}); }), FileCause::UntrustedLink);
    EXPECT_EQ(test::ReadBytes(target), (Bytes{9, 9}));
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_EQ(test::EntriesOf(shared), (std::vector<std::string>{"frames", "out.bmp"}));
    EXPECT_EQ(test::EntriesOf(dir.Path("elsewhere")), std::vector<std::string>{"victim.bmp"});

    // Not sticky, the folder keeps no name to its owner: the link is followed as the
    // system follows it.
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    WriteWholeFile(link, Bytes{1});
    EXPECT_EQ(test::ReadBytes(target), Bytes{1});
    ASSERT_EQ(::chmod(shared.c_str(), 01775), 0);
    WriteWholeFile(link, Bytes{4});
    EXPECT_EQ(test::ReadBytes(target), Bytes{4});
    // The running user's own links and the folder owner's are followed as ever.
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chown(shared.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::lchown(link.c_str(), ::geteuid(), ::getegid()), 0);
    WriteWholeFile(dir.Path("mine.bmp"), Bytes{2});
    EXPECT_EQ(test::ReadBytes(target), Bytes{2});
    WriteWholeFile(folderLink + "/victim.bmp", Bytes{3});
    EXPECT_EQ(test::ReadBytes(target), Bytes{3});
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
}

// Runs `write` in a child process, which `write` ends with KillThisProcess() while its
// outputs are still open.
void KillThisProcess() { ::kill(::getpid(), SIGKILL); }
void WriteInAKilledChild(const std::function<void()>& write) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        write();
        ::_exit(1);  // not killed: the assertion below fails
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
}

TEST(OutputFile, AKilledWriterLeavesNoTemporaryBehind) {
    TempDir dir;
    const int probe = ::open(dir.Root().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "no unnamed temporary files on this file system";
    ::close(probe);
    test::WriteBytes(dir.Path("old.bmp"), Bytes{9, 9});

    WriteInAKilledChild([&] {
        OutputFile fresh = OutputFile::Create(dir.Path("new.bmp"));
        fresh.Write(Bytes{1, 2, 3});
        OutputFile replacing = OutputFile::Create(dir.Path("old.bmp"));
        replacing.Write(Bytes{1, 2, 3});
        KillThisProcess();
    });
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"old.bmp"});
    EXPECT_EQ(test::ReadBytes(dir.Path("old.bmp")), (Bytes{9, 9}));
}

// Outputs under a hidden name, as where the system has no unnamed temporaries.
class NamedTemporaries {
public:
    NamedTemporaries() { UseUnnamedTemporaries(false); }
    ~NamedTemporaries() { UseUnnamedTemporaries(true); }
    NamedTemporaries(const NamedTemporaries&) = delete;
    NamedTemporaries& operator=(const NamedTemporaries&) = delete;
};

TEST(OutputFile, AKilledWritersNamedTemporaryGoesWithTheNextWriteThere) {
    TempDir dir;
    test::WriteBytes(dir.Path("old.bmp"), Bytes{9, 9});
    {
        // A temporary named before the fork: the child's must still carry its own pid.
        const TempDir elsewhere;
        const NamedTemporaries named;
        const OutputFile before = OutputFile::Create(elsewhere.Path("a.bmp"));
    }
    WriteInAKilledChild([&] {
        const NamedTemporaries named;
        OutputFile replacing = OutputFile::Create(dir.Path("old.bmp"));
        replacing.Write(Bytes{1, 2, 3});
        KillThisProcess();
    });
    ASSERT_EQ(EntriesThatAreHidden(dir).size(), 1u);

    WriteWholeFile(dir.Path("new.bmp"), Bytes{4});
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"new.bmp", "old.bmp"}));
    EXPECT_EQ(test::ReadBytes(dir.Path("old.bmp")), (Bytes{9, 9}));
}

// When this process started, as /proc/self/stat says in its field 22; the fields are
// counted after the command name, which ends at the last ")".
std::string StartOfThisProcess() {
    const Bytes bytes = test::ReadBytes("/proc/self/stat");
    const std::string stat(bytes.begin(), bytes.end());
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) fields >> field;
    return field;
}

// A pid whose process has ended and been waited for.
pid_t PidOfAProcessThatIsGone() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(OutputFile, RemovesOnlyTemporariesWhoseProcessIsProvablyGone) {
    if (!test::Exists("/proc/self/stat")) GTEST_SKIP() << "no /proc to tell when this process started";
    const std::string kPrefix = ".zandrel-";
    // The name this process gives its temporaries: the host's tag, pid and start.
    std::string tag;
    {
        TempDir probe;
        const NamedTemporaries named;
        const OutputFile out = OutputFile::Create(probe.Path("a.bmp"));
        const std::vector<std::string> temporaries = EntriesThatAreHidden(probe);
        ASSERT_EQ(temporaries.size(), 1u);
        tag = temporaries[0].substr(kPrefix.size(), 8);
        EXPECT_EQ(tag.find_first_not_of("0123456789abcdef"), std::string::npos) << temporaries[0];
        const std::string self = kPrefix + tag + "-" + std::to_string(::getpid()) + "-" + StartOfThisProcess() + "-";
        ASSERT_TRUE(temporaries[0].starts_with(self)) << temporaries[0] << " " << self;
    }
    const std::string pid = std::to_string(::getpid());
    const std::string start = StartOfThisProcess();
    const std::string gone = std::to_string(PidOfAProcessThatIsGone());
    const std::string otherHost = tag == "00000000" ? "ffffffff" : "00000000";

    TempDir dir;
    const std::vector<std::string> removed = {
        kPrefix + tag + "-" + gone + "-4242-0",
        // The pid is this process's now, but the temporary's maker started earlier.
        kPrefix + tag + "-" + pid + "-" + std::to_string(std::stoull(start) - 1) + "-0",
        kPrefix + gone + "-3",  // the older form
    };
    const std::vector<std::string> kept = {
        kPrefix + tag + "-" + pid + "-" + start + "-7",  // this process's own
        kPrefix + tag + "-" + pid + "-0-1",              // no start said: its pid runs
        kPrefix + pid + "-3",
        kPrefix + otherHost + "-" + gone + "-4242-0",  // another machine's pid
        kPrefix + tag + "-" + gone + "-x-0",           // not a name this program makes
    };
    for (const std::string& name : removed) test::WriteBytes(dir.Path(name), Bytes{1});
    for (const std::string& name : kept) test::WriteBytes(dir.Path(name), Bytes{1});
    // Under a gone process's name, but no file: not removed, and never followed.
    const std::string link = kPrefix + tag + "-" + gone + "-4242-1";
    const std::string folder = kPrefix + tag + "-" + gone + "-4242-2";
    ASSERT_EQ(::symlink("target", dir.Path(link).c_str()), 0);
    test::WriteBytes(dir.Path("target"), Bytes{9});
    ASSERT_EQ(::mkdir(dir.Path(folder).c_str(), 0755), 0);

    WriteWholeFile(dir.Path("out.bmp"), Bytes{5});
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(), {link, folder, "out.bmp", "target"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.Entries(), expected);
    EXPECT_EQ(test::ReadBytes(dir.Path("target")), Bytes{9});

    // A folder is looked through once: a leftover that appears later waits for the
    // next process that writes there.
    test::WriteBytes(dir.Path(removed[0]), Bytes{1});
    WriteWholeFile(dir.Path("out.bmp"), Bytes{6});
    EXPECT_TRUE(test::Exists(dir.Path(removed[0])));
}

#endif

TEST(DescribeFileError, NamesTheFileAndTheCause) {
    const FileError error(FileCause::SharingViolation, 0, "tmp/a.pal");
    EXPECT_EQ(DescribeFileError(error),
              "访问文件" + WithNativeSeparators("tmp/a.pal") + "时出错：文件正被使用，共享冲突。");
}

// The cause numbers stay those the program has always shown (a folder as a destination
// is "access denied", as a source no ordinary file); the sentence says what is true.
TEST(DescribeFileError, SaysThatAPathIsAFolderTooLongOrEmpty) {
    TempDir dir;
    const auto sentence = [](const std::string& path, const std::string& reason) {
        return "访问文件" + WithNativeSeparators(path) + "时出错：" + reason + "。";
    };
    const std::string& folder = dir.Root();
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(folder, Bytes{1}); }), FileCause::AccessDenied);
    EXPECT_EQ(MessageOf([&] { WriteWholeFile(folder, Bytes{1}); }), sentence(folder, "这是一个文件夹，不是文件"));
    EXPECT_EQ(MessageOf([&] { File::OpenRead(folder); }), sentence(folder, "这是一个文件夹，不是文件"));

    // Longer than any file system takes for one name.
    const std::string tooLong = dir.Path(std::string(300, 'a') + ".bmp");
    EXPECT_EQ(CauseOf([&] { File::OpenRead(tooLong); }), FileCause::BadPath);
    EXPECT_EQ(MessageOf([&] { File::OpenRead(tooLong); }), sentence(tooLong, "路径太长"));
    EXPECT_EQ(MessageOf([&] { WriteWholeFile(tooLong, Bytes{1}); }), sentence(tooLong, "路径太长"));

    EXPECT_EQ(CauseOf([&] { File::OpenRead(""); }), FileCause::BadPath);
    EXPECT_EQ(CauseOf([&] { OutputFile::Create(""); }), FileCause::BadPath);
    EXPECT_EQ(MessageOf([&] { File::OpenRead(""); }), "访问文件时出错：路径为空。");
    EXPECT_EQ(MessageOf([&] { WriteWholeFile("", Bytes{1}); }), "访问文件时出错：路径为空。");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{});
}

TEST(CheckFolder, TellsWhyAPathIsNoFolderToWriteInto) {
    TempDir dir;
    test::WriteBytes(dir.Path("file"), Bytes{1});
    EXPECT_EQ(CheckFolder(dir.Root()), FolderState::Folder);
    EXPECT_TRUE(IsExistingFolder(dir.Root()));
    EXPECT_EQ(CheckFolder(""), FolderState::EmptyPath);
    EXPECT_EQ(CheckFolder(dir.Path(std::string(300, 'a'))), FolderState::TooLong);
    EXPECT_EQ(CheckFolder(dir.Path("none")), FolderState::Missing);
    EXPECT_EQ(CheckFolder(dir.Path("none/deeper")), FolderState::Missing);
    EXPECT_EQ(CheckFolder(dir.Path("file")), FolderState::NotAFolder);
    EXPECT_FALSE(IsExistingFolder(dir.Path("file")));
#ifndef _WIN32
    EXPECT_EQ(CheckFolder(dir.Path("file/sub")), FolderState::Missing);
    ASSERT_EQ(::symlink("loop", dir.Path("loop").c_str()), 0);
    EXPECT_EQ(CheckFolder(dir.Path("loop")), FolderState::Unreachable);
#endif
}

}  // namespace
}  // namespace zandrel
