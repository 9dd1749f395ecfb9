// Faults of the file system and the environment, end to end: each is
// reported on one stderr line with exit status 1, the other models of the run
// are still converted, and an existing header keeps its bytes.

#ifndef _WIN32

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "test_support.h"

extern char** environ;

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::kTriangle;
using testing::ReadFileBytes;
using testing::RunTorvane;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

constexpr const char* kOldHeader = "// the previous header\n";

TEST(FaultInjection, AFileSizeLimitHitPartWayLeavesTheOldHeader)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "big.obj", kTriangle);
    WriteFileBytes(directory / "big.h", kOldHeader);
    // 40 blocks of 512 bytes: less than any header with the warning mesh.
    std::string command =
        "cd \"" + directory.path().string() + "\" && ulimit -f 40 && \"" TORVANE_EXECUTABLE "\" big.obj 2> err.txt";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(directory / "err.txt"), "torvane: big.obj: cannot write big.h: File too large\n");
    EXPECT_EQ(ReadFileBytes(directory / "big.h"), kOldHeader);
    EXPECT_EQ(testing::FileNames(directory.path()), (std::vector<std::string>{"big.h", "big.obj", "err.txt"}));
}

// Sanitizers reserve far more address space than the limit below.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TORVANE_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TORVANE_UNDER_SANITIZER 1
#endif
#endif

TEST(FaultInjection, RunningOutOfMemoryFailsThatModelOnly)
{
#ifdef TORVANE_UNDER_SANITIZER
    GTEST_SKIP() << "sanitizers need more address space than the limit";
#endif
    if (TORVANE_UNDER_EMULATOR)
        GTEST_SKIP() << "the emulator's own code cache needs more address space than the limit";
    TemporaryDirectory directory;
    // Two million positions take 24 MB of list: more than the limit leaves,
    // while a triangle's conversion needs a fifth of it. On one thread: the
    // C library reserves address space per thread (a stack, a heap arena),
    // more of it the more cores and the larger the stack limit, which could
    // take the small model's share too.
    std::string big;
    for (int i = 0; i < 2000000; ++i)
        big += "v 1.5 2.5 3.5\n";
    big += "f 1 2 3\n";
    WriteFileBytes(directory / "big.obj", big);
    WriteFileBytes(directory / "big.h", kOldHeader);
    WriteFileBytes(directory / "small.obj", kTriangle);
    std::string command = "cd \"" + directory.path().string() +
        "\" && ulimit -v 40000 && \"" TORVANE_EXECUTABLE "\" -j 1 big.obj small.obj 2> err.txt";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(directory / "err.txt"), "torvane: big.obj: out of memory\n");
    EXPECT_EQ(ReadFileBytes(directory / "big.h"), kOldHeader);
    EXPECT_EQ(testing::FileNames(directory.path()),
              (std::vector<std::string>{"big.h", "big.obj", "err.txt", "small.h", "small.obj"}));
}

TEST(FaultInjection, AnUnwritableOutputDirectoryIsReported)
{
    if (geteuid() == 0 && access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "running as root without setpriv to drop privileges";
    TemporaryDirectory directory;
    fs::permissions(directory.path(), fs::perms::all);
    fs::create_directory(directory / "out");
    WriteFileBytes(directory / "a.obj", kTriangle);
    WriteFileBytes(directory / "out" / "a.h", kOldHeader);
    fs::permissions(directory / "out",
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec);
    // Root writes anywhere, so the tool runs as nobody.
    std::string runAs = geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    std::string command =
        "cd \"" + directory.path().string() + "\" && " + runAs + "\"" TORVANE_EXECUTABLE "\" -o out a.obj 2> err.txt";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(directory / "err.txt"), "torvane: a.obj: cannot create out/a.h: Permission denied\n");
    EXPECT_EQ(ReadFileBytes(directory / "out" / "a.h"), kOldHeader);
    EXPECT_EQ(testing::FileNames(directory / "out"), (std::vector<std::string>{"a.h"}));
}

TEST(FaultInjection, InputsThatVanishOrAreNoRegularFiles)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "good.obj", kTriangle);
    // A link whose file is gone behaves like a model deleted between the
    // listing and the opening.
    fs::create_symlink("deleted-meanwhile", directory / "gone.obj");
    ASSERT_EQ(mkfifo((directory / "pipe.obj").c_str(), 0644), 0);
    testing::RunResult run = RunTorvane(directory.path(), "--seed 1 gone.obj pipe.obj good.obj");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError,
              "torvane: gone.obj: cannot open: No such file or directory\n"
              "torvane: pipe.obj: cannot read: it is not a regular file\n");
    EXPECT_TRUE(fs::exists(directory / "good.h"));

    // The listing takes them too, and reports them the same way.
    fs::remove(directory / "good.h");
    run = RunTorvane(directory.path(), "--seed 1");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardError.find("torvane: gone.obj: cannot open: No such file or directory\n"), std::string::npos);
    EXPECT_NE(run.standardError.find("torvane: pipe.obj: cannot read: it is not a regular file\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(directory / "good.h"));
}

// Inputs no exporter writes: the tool must neither crash nor hang, and its
// memory must stay in proportion to the input.
class HostileInput : public ::testing::Test {
protected:
    testing::RunResult Convert(const std::string& bytes)
    {
        WriteFileBytes(directory_ / "m.obj", bytes);
        return RunTorvane(directory_.path(), "--seed 1 m.obj");
    }

    // Converts bytes in a process of its own and returns that process's peak
    // resident memory: RUSAGE_CHILDREN would give the largest of every child
    // this test process ever had.
    long PeakMemoryOfConversionKiB(const std::string& bytes)
    {
        WriteFileBytes(directory_ / "m.obj", bytes);
        std::string script =
            "cd \"" + directory_.path().string() + "\" && exec \"" TORVANE_EXECUTABLE "\" --seed 1 m.obj";
        const char* arguments[] = {"/bin/sh", "-c", script.c_str(), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(arguments), environ) != 0)
            return -1;
        int status = 0;
        rusage usage{};
        if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return -1;
        return usage.ru_maxrss;
    }

    TemporaryDirectory directory_;
};

TEST_F(HostileInput, AHundredMegabyteLine)
{
    std::string line = "v" + std::string(100 << 20, ' ') + "1 2 3\nf 1 1 1\n";
    long peak = PeakMemoryOfConversionKiB(line);
    EXPECT_GT(peak, 0) << "the conversion failed";
    // The line is held whole while it is read, so memory grows with it, but
    // only in proportion (sanitizer builds add their own overhead).
    EXPECT_LT(peak, 4 * 100 * 1024);
}

TEST_F(HostileInput, TenMillionEmptyLinesAndRepeatedSeparators)
{
    std::string text(10'000'000, '\n');
    text += "v 0 0 0\nf" + std::string(1 << 20, ' ') + "1" + std::string(1 << 20, '/') + " 1 1\n";
    testing::RunResult run = Convert(text);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
}

TEST_F(HostileInput, BinaryJunkIsRefusedWithAReason)
{
    EXPECT_EQ(Convert(std::string(1 << 20, '\0')).standardError, "torvane: m.obj: no faces\n");
    std::string junk;
    std::uint32_t state = 7;
    for (int i = 0; i < (1 << 20); ++i) {
        state = state * 1103515245u + 12345u;
        junk.push_back(static_cast<char>(state >> 24));
    }
    testing::RunResult run = Convert(junk);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError.rfind("torvane: m.obj: ", 0), 0u);
    EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1);
}

TEST_F(HostileInput, HugeIndicesAndLongNumbers)
{
    testing::RunResult run = Convert("v 0 0 0\nf 1 2147483647 1\n");
    EXPECT_EQ(run.standardError,
              "torvane: m.obj: line 2: face refers to position 2147483647, but the file defines 1 position\n");
    run = Convert("v 0 0 0\nf 1 1 -2147483648\n");
    EXPECT_EQ(run.exitStatus, 1);
    std::string digits(5000, '7');
    run = Convert("v 0." + digits + " 1" + digits + "e-5100 -" + digits + "\nf 1 0000" + digits + "1 1\n");
    EXPECT_EQ(run.exitStatus, 1);  // the index is huge
    run = Convert("v 0." + digits + " 1" + digits + "e-5100 -0.0" + digits + "\nf 1 1 1\n");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_NE(ReadFileBytes(directory_ / "m.h").find("{ 0.777778f, 0.000000f, -0.077778f }"), std::string::npos);
}

}  // namespace
}  // namespace torvane

#endif  // _WIN32
