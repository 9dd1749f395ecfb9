// Stops the real executable from outside, at chosen moments of a conversion,
// and checks what the folder holds afterwards: the models, and of each header
// either the old one or the complete new one, nothing else.

#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::kTriangle;
using testing::ReadFileBytes;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

// Starts torvane in directory; a stream without a descriptor goes to
// /dev/null, and ignoredSignal (unless 0) is ignored from the start, as
// nohup does. Everything the child needs is allocated before the fork.
pid_t StartTorvane(const fs::path& directory, const std::vector<std::string>& arguments, int standardOutput = -1,
                   int standardError = -1, int ignoredSignal = 0)
{
    std::vector<std::string> words = {TORVANE_EXECUTABLE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string where = directory.string();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(standardOutput >= 0 ? standardOutput : null, 1);
        dup2(standardError >= 0 ? standardError : null, 2);
        if (ignoredSignal != 0)
            signal(ignoredSignal, SIG_IGN);
        if (chdir(where.c_str()) == 0)
            execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int WaitForExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return status;
}

bool RanToTheEnd(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string DescribeStatus(int status)
{
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "exited with " + std::to_string(WEXITSTATUS(status));
}

#ifdef __linux__

// What the process has open inside directory, as /proc names it: a file
// without a name shows as "#<inode> (deleted)".
std::vector<std::string> OpenFilesIn(pid_t pid, const fs::path& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    const std::string prefix = directory.string() + "/";
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        std::string target = fs::read_symlink(entry.path(), error).string();
        if (!error && target.rfind(prefix, 0) == 0)
            names.push_back(target.substr(prefix.size()));
    }
    return names;
}

// A grid of side * side quads, big enough that reading it and writing its
// header each take a while.
std::string GridModel(int side)
{
    std::string text;
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x)
            text += "v " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string((x * y) % 7) + "\n";
    }
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int corner = y * (side + 1) + x + 1;
            text += "f " + std::to_string(corner) + " " + std::to_string(corner + 1) + " " +
                std::to_string(corner + side + 2) + " " + std::to_string(corner + side + 1) + "\n";
        }
    }
    return text;
}

enum class Moment { kWhileReading, kWhileWriting, kAfterFirstHeader };

const char* Describe(Moment moment)
{
    switch (moment) {
    case Moment::kWhileReading: return "while the model is read";
    case Moment::kWhileWriting: return "while its header is written";
    case Moment::kAfterFirstHeader: return "after a first header was written";
    }
    return "";
}

// After the first header, a small model's, the big one is still converted.
std::vector<std::string> ArgumentsFor(Moment moment)
{
    if (moment == Moment::kAfterFirstHeader)
        return {"--seed", "7", "small.obj", "big.obj"};
    return {"--seed", "7", "big.obj"};
}

// Where the suite keeps big.h as a run that nothing stopped writes it.
std::string CompleteBigHeader(Moment moment)
{
    return moment == Moment::kAfterFirstHeader ? "big.h.second" : "big.h.alone";
}

const std::string kOldHeader = "old header, to be kept whole or replaced whole\n";

class InterruptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        models_ = new TemporaryDirectory;
        WriteFileBytes(*models_ / "big.obj", GridModel(300));
        WriteFileBytes(*models_ / "small.obj", kTriangle);
        // What complete headers hold, from runs that nothing stopped.
        for (Moment moment : {Moment::kWhileReading, Moment::kAfterFirstHeader}) {
            pid_t pid = StartTorvane(models_->path(), ArgumentsFor(moment));
            ASSERT_EQ(WaitForExit(pid), 0);
            fs::rename(*models_ / "big.h", *models_ / CompleteBigHeader(moment));
        }
        fs::rename(*models_ / "small.h", *models_ / "small.h.first");
    }

    static void TearDownTestSuite()
    {
        delete models_;
        models_ = nullptr;
    }

    struct Outcome {
        bool momentSeen = false;
        int status = 0;
        bool outputHadNoName = false;  // the header's file, when it was open
    };

    void PrepareFolder(Moment moment, bool withOldHeader)
    {
        fs::remove_all(folder_);
        fs::create_directory(folder_);
        fs::copy_file(*models_ / "big.obj", folder_ / "big.obj");
        if (moment == Moment::kAfterFirstHeader)
            fs::copy_file(*models_ / "small.obj", folder_ / "small.obj");
        if (withOldHeader)
            WriteFileBytes(folder_ / "big.h", kOldHeader);
    }

    bool Reached(pid_t pid, Moment moment, Outcome* outcome)
    {
        if (moment == Moment::kAfterFirstHeader)
            return fs::exists(folder_ / "small.h");
        for (const std::string& name : OpenFilesIn(pid, canonicalFolder_)) {
            if (moment == Moment::kWhileReading && name == "big.obj")
                return true;
            if (moment == Moment::kWhileWriting && name.size() > 4 && name.substr(name.size() - 4) != ".obj") {
                outcome->outputHadNoName = name[0] == '#';
                return true;
            }
        }
        return false;
    }

    // One run, sent signalNumber at the moment; the moment may pass unseen
    // when the machine is busy, and the run is then tried again.
    Outcome Interrupt(int signalNumber, Moment moment, int ignoredSignal = 0)
    {
        Outcome outcome;
        pid_t pid = StartTorvane(folder_, ArgumentsFor(moment), -1, -1, ignoredSignal);
        while (!(outcome.momentSeen = Reached(pid, moment, &outcome))) {
            if (waitpid(pid, &outcome.status, WNOHANG) == pid)
                return outcome;
        }
        kill(pid, signalNumber);
        outcome.status = WaitForExit(pid);
        return outcome;
    }

    void ExpectOnlyModelsAndWholeHeaders(Moment moment, bool withOldHeader)
    {
        std::vector<std::string> expected = {"big.obj"};
        if (fs::exists(folder_ / "big.h")) {
            std::string header = ReadFileBytes(folder_ / "big.h");
            EXPECT_TRUE(header == ReadFileBytes(*models_ / CompleteBigHeader(moment)) ||
                        (withOldHeader && header == kOldHeader))
                << "big.h is neither the old header nor the complete new one";
            expected.insert(expected.begin(), "big.h");
        }
        if (moment == Moment::kAfterFirstHeader) {
            EXPECT_EQ(ReadFileBytes(folder_ / "small.h"), ReadFileBytes(*models_ / "small.h.first"));
            expected.insert(expected.end(), {"small.h", "small.obj"});
        }
        EXPECT_EQ(FileNames(folder_), expected);
    }

    // Runs every moment, with and without an old header, until each was met.
    template <typename Check>
    void ForEachMoment(int signalNumber, Check check)
    {
        for (Moment moment : {Moment::kWhileReading, Moment::kWhileWriting, Moment::kAfterFirstHeader}) {
            for (bool withOldHeader : {false, true}) {
                SCOPED_TRACE(std::string("signal ") + std::to_string(signalNumber) + " " + Describe(moment) +
                             (withOldHeader ? ", replacing a header" : ", no header before"));
                Outcome outcome;
                bool stopped = false;
                for (int attempt = 0; attempt < 5 && !stopped; ++attempt) {
                    PrepareFolder(moment, withOldHeader);
                    outcome = Interrupt(signalNumber, moment);
                    // A busy machine may also let the run finish between
                    // the moment and the signal.
                    stopped = outcome.momentSeen && !RanToTheEnd(outcome.status);
                }
                ASSERT_TRUE(stopped) << "the run always ended before the signal reached it";
                EXPECT_TRUE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == signalNumber)
                    << DescribeStatus(outcome.status);
                check(moment, withOldHeader, outcome);
            }
        }
    }

    static TemporaryDirectory* models_;
    TemporaryDirectory directory_;
    fs::path folder_ = directory_ / "run";
    fs::path canonicalFolder_ = fs::weakly_canonical(folder_);
};

TemporaryDirectory* InterruptionTest::models_ = nullptr;

TEST_F(InterruptionTest, SignalsLeaveTheOldOrTheCompleteHeaderAndEndTheRunWithTheSignal)
{
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        ForEachMoment(signalNumber, [&](Moment moment, bool withOldHeader, const Outcome&) {
            ExpectOnlyModelsAndWholeHeaders(moment, withOldHeader);
        });
    }
}

// A kill cannot be handled: only a file without a name is sure to go. A
// named temporary file, where the system offers no unnamed ones, stays.
TEST_F(InterruptionTest, KillLeavesNoTemporaryFileWhereTheHeaderHadNoName)
{
    ForEachMoment(SIGKILL, [&](Moment moment, bool withOldHeader, const Outcome& outcome) {
        if (moment == Moment::kWhileWriting && !outcome.outputHadNoName) {
            for (const std::string& name : FileNames(folder_)) {
                if (name.rfind("big.h.", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".tmp")
                    fs::remove(folder_ / name);
            }
        }
        ExpectOnlyModelsAndWholeHeaders(moment, withOldHeader);
    });
}

// Under nohup, or sh -c "trap '' HUP; exec torvane ...", a hang-up is
// ignored from the start and must not end the run.
TEST_F(InterruptionTest, AHangUpIgnoredAtTheStartStaysIgnored)
{
    Outcome outcome;
    for (int attempt = 0; attempt < 5 && !outcome.momentSeen; ++attempt) {
        PrepareFolder(Moment::kWhileReading, false);
        outcome = Interrupt(SIGHUP, Moment::kWhileReading, SIGHUP);
    }
    ASSERT_TRUE(outcome.momentSeen) << "the run always ended before that moment";
    EXPECT_TRUE(RanToTheEnd(outcome.status)) << DescribeStatus(outcome.status);
    EXPECT_TRUE(ReadFileBytes(folder_ / "big.h") == ReadFileBytes(*models_ / CompleteBigHeader(Moment::kWhileReading)));
}

#endif  // __linux__

// More error lines than a pipe holds (above 100 kB), so that writing them
// goes on after the reader has quit.
TEST(ClosedPipe, AReaderOfTheErrorsQuittingEarlyCostsNoHeader)
{
    TemporaryDirectory directory;
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "bad_model_with_a_long_name_%04d.obj", i);
        WriteFileBytes(directory / name, "f 1 2 3\n");
    }
    WriteFileBytes(directory / "zz_good.obj", kTriangle);
    std::string command = "cd \"" + directory.path().string() +
        "\" && { \"" TORVANE_EXECUTABLE "\" bad*.obj zz_good.obj 2>&1; echo $? > status; } | head -1 > first";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(directory / "first").rfind("torvane: bad_model_with_a_long_name_0000.obj: ", 0), 0u)
        << ReadFileBytes(directory / "first");
    EXPECT_EQ(ReadFileBytes(directory / "status"), "1\n");
    EXPECT_TRUE(fs::exists(directory / "zz_good.h"));
}

TEST(ClosedPipe, HelpAndVersionJustEnd)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    TemporaryDirectory directory;
    for (const char* option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        int status = WaitForExit(StartTorvane(directory.path(), {option}, ends[1]));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << DescribeStatus(status);
    }
    close(ends[1]);
}

}  // namespace
}  // namespace torvane

#endif  // _WIN32
