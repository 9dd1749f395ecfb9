// What POSIX outputs promise beyond the contract every platform keeps: the
// mode a new header gets, and no name while it is written where the system
// offers files without one.

#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/shared_posix.h"
#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::ReadFileBytes;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

void WriteHeader(const fs::path& path)
{
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput(path.native(), &output, &error)) << error;
    ASSERT_TRUE(WriteOutput(output, "new", 3, &error)) << error;
    ASSERT_TRUE(CommitOutput(output, &error)) << error;
}

mode_t ModeOf(const fs::path& path)
{
    struct stat status { };
    lstat(path.c_str(), &status);
    return status.st_mode;
}

// In a shared folder another user can plant a link under a header's name to
// a file anyone may write; the header must not take that file's mode.
TEST(PosixOutputTest, ANewHeaderTakesTheModeOfARegularOldHeaderOnly)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "private.h", "old");
    chmod((directory / "private.h").c_str(), 0600);
    WriteFileBytes(directory / "planted", "someone else's");
    chmod((directory / "planted").c_str(), 0666);
    fs::create_symlink("planted", directory / "linked.h");

    mode_t previous = umask(022);
    for (const char* name : {"private.h", "linked.h", "fresh.h"})
        WriteHeader(directory / name);
    umask(previous);

    EXPECT_EQ(ModeOf(directory / "private.h"), S_IFREG | 0600);
    EXPECT_EQ(ModeOf(directory / "linked.h"), S_IFREG | 0644);
    EXPECT_EQ(ModeOf(directory / "fresh.h"), S_IFREG | 0644);
    EXPECT_EQ(ModeOf(directory / "planted"), S_IFREG | 0666);
    EXPECT_EQ(ReadFileBytes(directory / "planted"), "someone else's");
}

// Only a file without a name is sure to go when the run is killed.
TEST(PosixOutputTest, WhereTheSystemOffersUnnamedFilesTheHeaderHasNoNameUntilCommitted)
{
    TemporaryDirectory directory;
#if TORVANE_LINUX_CALLS
    int probe = open(directory.path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (probe >= 0)
        close(probe);
    if (probe < 0 || access("/proc/self/fd", F_OK) != 0)
        GTEST_SKIP() << "this file system or this machine offers no unnamed files";
#else
    GTEST_SKIP() << "unnamed files are Linux's own, and this build uses none of its own calls";
#endif
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput((directory / "Cube.h").native(), &output, &error)) << error;
    ASSERT_TRUE(WriteOutput(output, "new", 3, &error)) << error;
    EXPECT_EQ(FileNames(directory.path()), std::vector<std::string>{});
    ASSERT_TRUE(CommitOutput(output, &error)) << error;
    EXPECT_EQ(FileNames(directory.path()), std::vector<std::string>{"Cube.h"});
}

}  // namespace
}  // namespace torvane

#endif  // _WIN32
