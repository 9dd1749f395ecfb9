// Several models at once against one after another: the same bytes in every
// header and on stderr, whichever models fail and wherever.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "driver/failure_report.h"
#include "mesh/random.h"
#include "mesh/warning_mesh.h"
#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::ReadFileBytes;
using testing::RunResult;
using testing::RunTorvane;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

// A flat grid of size x size quads, 2 * size * size triangles.
std::string Grid(int size)
{
    std::string text;
    for (int row = 0; row <= size; ++row) {
        for (int column = 0; column <= size; ++column)
            text += "v " + std::to_string(column) + " " + std::to_string(row) + " 0\n";
    }
    auto at = [size](int row, int column) { return std::to_string(row * (size + 1) + column + 1); };
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            text += "f " + at(row, column) + " " + at(row, column + 1) + " " + at(row + 1, column + 1) + " " +
                at(row + 1, column) + "\n";
        }
    }
    return text;
}

struct Model {
    std::string name;
    bool reachesMerge;  // and so draws from the generator, even if it fails after
};

// The models in list order, with failures of every kind among them: some
// are refused before the warning is merged, some after it, and a slow model
// comes first, so that later ones finish before it.
std::vector<Model> MakeModels(const fs::path& directory)
{
    std::vector<Model> models;
    auto add = [&](const std::string& name, const std::string& text, bool reachesMerge = true) {
        WriteFileBytes(directory / name, text);
        models.push_back({name, reachesMerge});
    };
    add("slow.obj", Grid(150));
    add("refused.obj", "v 0 0 0\nf 1 2 3\n", false);
    add("small.obj", Grid(2));
    models.push_back({"missing.obj", false});
    add("no faces.obj", "v 0 0 0\nv 1 0 0\n", false);
    add("locked.obj", Grid(3));
    fs::create_directory(directory / "out");
    WriteFileBytes(directory / "out" / "locked.h", "keep me\n");
    fs::permissions(directory / "out" / "locked.h",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    add("too large.obj", "v -3e38 0 0\nv 3e38 0 0\nv 0 3e38 0\nf 1 2 3\n");
    for (int i = 0; i < 12; ++i) {
        add("grid" + std::to_string(i) + ".obj", Grid(1 + i % 5 * 7));
        if (i % 4 == 1)
            add("refused" + std::to_string(i) + ".obj", Grid(20) + "f 1 2 9999\n", false);
    }
    add("last.obj", Grid(40));
    return models;
}

std::string HeaderName(const std::string& model)
{
    return model.substr(0, model.size() - 4) + ".h";
}

// Each model converted on its own, from where the generator stands after
// the models before it: none of them drew, or each drew once per warning
// triangle.
void ExpectHeadersOfOneAfterAnother(const std::vector<Model>& models, const fs::path& headers)
{
    Random random;
    SeedRandom(random, 7);
    for (const Model& model : models) {
        if (fs::exists(headers / HeaderName(model.name)) && model.name != "locked.obj") {
            SCOPED_TRACE(model.name);
            TemporaryDirectory alone;
            fs::copy_file(headers.parent_path() / model.name, alone / model.name);
            RunTorvane(alone.path(), "--seed " + std::to_string(random.state) + " \"" + model.name + "\"");
            EXPECT_TRUE(ReadFileBytes(alone / HeaderName(model.name)) ==
                        ReadFileBytes(headers / HeaderName(model.name)));
        }
        if (model.reachesMerge)
            SkipRandom(random, kWarningTriangleCount);
    }
}

TEST(Batch, ModelsConvertedAtOnceGiveWhatOneAfterAnotherGives)
{
    std::vector<Model> models;
    std::vector<testing::RunResult> runs;
    std::vector<std::unique_ptr<TemporaryDirectory>> directories;
    for (const char* jobs : {"1", "4", "2"}) {
        directories.push_back(std::make_unique<TemporaryDirectory>());
        models = MakeModels(directories.back()->path());
        std::string files;
        for (const Model& model : models)
            files += " \"" + model.name + "\"";
        runs.push_back(RunTorvane(directories.back()->path(), std::string("--seed 7 -o out -j ") + jobs + files));
    }
    const fs::path one = directories[0]->path() / "out";
    ASSERT_EQ(runs[0].exitStatus, 1);
    ASSERT_NE(runs[0].standardError.find("torvane: missing.obj: "), std::string::npos);
    std::vector<std::string> headers = FileNames(one);
    ASSERT_EQ(headers.size(), 16u);
    ExpectHeadersOfOneAfterAnother(models, one);
    for (std::size_t run = 1; run < runs.size(); ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        EXPECT_EQ(runs[run].exitStatus, runs[0].exitStatus);
        EXPECT_EQ(runs[run].standardError, runs[0].standardError);
        const fs::path out = directories[run]->path() / "out";
        ASSERT_EQ(FileNames(out), headers);
        for (const std::string& header : headers)
            EXPECT_TRUE(ReadFileBytes(out / header) == ReadFileBytes(one / header)) << header;
    }
}

TEST(Batch, FailuresAreToldInListOrderWhicheverModelFinishesFirst)
{
    // An earlier model that fails late, while its header is written, after
    // later ones have failed early.
    FailureReport report = MakeFailureReport(4);
    std::vector<std::string> told;
    auto tell = [&](std::size_t model, const std::string& error) { told.push_back(std::to_string(model) + error); };
    ReportFinished(report, 2, "refused", tell);
    ReportFinished(report, 1, "", tell);
    EXPECT_TRUE(told.empty());
    ReportFinished(report, 0, "cannot write", tell);
    EXPECT_EQ(told, (std::vector<std::string>{"0cannot write", "2refused"}));
    ReportFinished(report, 3, "", tell);
    EXPECT_EQ(told.size(), 2u);
    EXPECT_TRUE(report.anyFailed);
}

#ifndef _WIN32
// With no thread to be had, every step that would share its work out does
// it on the thread it has: a run gives the same headers and no error.
TEST(Batch, ThreadsThatCannotStartLeaveTheirWorkToTheThreadThatRuns)
{
    if (TORVANE_UNDER_EMULATOR)
        GTEST_SKIP() << "the emulator starts threads of its own";
    bool root = geteuid() == 0;
    if (root && access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "running as root (no process limit) without setpriv to drop privileges";
    TemporaryDirectory directory;
    fs::permissions(directory.path(), fs::perms::all);
    // Large enough to be read in two halves and formatted in shared blocks.
    WriteFileBytes(directory / "big.obj", Grid(450));
    WriteFileBytes(directory / "small.obj", Grid(3));
    for (const char* out : {"free", "limited"}) {
        fs::create_directory(directory / out);
        fs::permissions(directory / out, fs::perms::all);
    }
    RunResult free = RunTorvane(directory.path(), "--seed 3 -j 1 -o free big.obj small.obj");
    ASSERT_EQ(free.exitStatus, 0);
    // A process limit of one: this process may start no thread at all (nor
    // may the leak checker of a sanitizer build, which needs one at exit).
    std::string runAs = root ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    for (const char* models : {"big.obj", "big.obj small.obj"}) {
        std::string command = "cd \"" + directory.path().string() + "\" && " + runAs +
            "bash -c 'ulimit -u 1 && ASAN_OPTIONS=detect_leaks=0 exec \"" + TORVANE_EXECUTABLE +
            "\" --seed 3 -j 2 -o limited " + models + "' 2> err.txt";
        SCOPED_TRACE(models);
        EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
        EXPECT_EQ(ReadFileBytes(directory / "err.txt"), "");
    }
    for (const char* header : {"big.h", "small.h"})
        EXPECT_TRUE(ReadFileBytes(directory / "limited" / header) == ReadFileBytes(directory / "free" / header))
            << header;
}
#endif

}  // namespace
}  // namespace torvane
