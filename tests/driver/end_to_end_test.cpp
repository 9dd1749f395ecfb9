// Runs the real executable on files in a temporary directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <vector>

#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::kTriangle;
using testing::ReadFileBytes;
using testing::RunTorvane;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

const fs::path kGolden = fs::path(TORVANE_TEST_DATA) / "golden";
const fs::path kExamples = TORVANE_EXAMPLES;

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(EndToEnd, HeadersMatchTheGoldenFilesByteForByte)
{
    TemporaryDirectory directory;
    std::string arguments = "--seed 1";
    std::vector<std::string> models;
    for (const auto& entry : fs::directory_iterator(kGolden)) {
        if (entry.path().extension() == ".obj") {
            models.push_back(entry.path().stem().string());
            fs::copy_file(entry.path(), directory / entry.path().filename().string());
        }
    }
    std::sort(models.begin(), models.end());
    ASSERT_FALSE(models.empty());
    for (const std::string& model : models)
        arguments += " " + model + ".obj";
    testing::RunResult run = RunTorvane(directory.path(), arguments);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(run.standardOutput, "");
    for (const std::string& model : models) {
        SCOPED_TRACE(model);
        EXPECT_TRUE(ReadFileBytes(directory / (model + ".h")) == ReadFileBytes(kGolden / (model + ".h")))
            << "regenerate with tools/update_golden.sh after checking the difference";
    }
}

TEST(EndToEnd, TheCrateCarriesTheWarningAmongItsOwnTriangles)
{
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "crate.obj", directory / "crate.obj");
    ASSERT_EQ(RunTorvane(directory.path(), "--seed 5 crate.obj").exitStatus, 0);
    std::string header = ReadFileBytes(directory / "crate.h");
    EXPECT_NE(header.find("const OBJ_VERT crate_data[776] =\r\n"), std::string::npos);
    EXPECT_NE(header.find("const unsigned int crate_indicies[1692] =\r\n"), std::string::npos);
    EXPECT_EQ(Count(header, "\t},\r\n"), 776u);
}

TEST(EndToEnd, BareCallConvertsTheModelsOfTheCurrentDirectory)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "one.obj", kTriangle);
    WriteFileBytes(directory / "two words.obj", kTriangle);
    WriteFileBytes(directory / "MODEL.OBJ", kTriangle);  // ".obj" must appear in lower case
    WriteFileBytes(directory / "a.obj.OBJ", kTriangle);  // taken: the name contains ".obj"
    WriteFileBytes(directory / "notes.txt", kTriangle);
    fs::create_directory(directory / "folder.obj");  // skipped silently
    testing::RunResult run = RunTorvane(directory.path(), "");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(FileNames(directory.path()),
              (std::vector<std::string>{"MODEL.OBJ", "a.obj.OBJ", "a.obj.h", "folder.obj", "notes.txt", "one.h",
                                        "one.obj", "two words.h", "two words.obj"}));
    EXPECT_NE(ReadFileBytes(directory / "two words.h").find("two_words_data["), std::string::npos);
    EXPECT_NE(ReadFileBytes(directory / "a.obj.h").find("a_obj_data["), std::string::npos);
}

TEST(EndToEnd, AnEmptyDirectoryIsNoFailure)
{
    TemporaryDirectory directory;
    testing::RunResult run = RunTorvane(directory.path(), "");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_TRUE(FileNames(directory.path()).empty());
}

TEST(EndToEnd, TheSameSeedGivesTheSameBytesAndOtherSeedsAnotherScatter)
{
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "pyramid.obj", directory / "pyramid.obj");
    ASSERT_EQ(RunTorvane(directory.path(), "--seed 42 pyramid.obj").exitStatus, 0);
    std::string first = ReadFileBytes(directory / "pyramid.h");
    ASSERT_EQ(RunTorvane(directory.path(), "--seed=42 pyramid.obj").exitStatus, 0);
    EXPECT_EQ(ReadFileBytes(directory / "pyramid.h"), first);
    ASSERT_EQ(RunTorvane(directory.path(), "--seed 43 pyramid.obj").exitStatus, 0);
    EXPECT_NE(ReadFileBytes(directory / "pyramid.h"), first);
}

TEST(EndToEnd, TwoIdenticalModelsInOneRunGetTheSameWordScatteredDifferently)
{
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "pyramid.obj", directory / "a.obj");
    fs::copy_file(kExamples / "pyramid.obj", directory / "b.obj");
    ASSERT_EQ(RunTorvane(directory.path(), "--seed 9 a.obj b.obj").exitStatus, 0);
    std::string a = ReadFileBytes(directory / "a.h");
    std::string b = ReadFileBytes(directory / "b.h");
    auto rows = [](const std::string& header) {
        std::vector<std::string> sorted;
        std::regex row("\t\\{\t\\{[^\r]*\r\n");
        for (auto it = std::sregex_iterator(header.begin(), header.end(), row); it != std::sregex_iterator(); ++it)
            sorted.push_back(it->str());
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    EXPECT_EQ(rows(a), rows(b));  // the same vertices ...
    std::string indicesA = a.substr(a.find("a_indicies["));
    std::string indicesB = b.substr(b.find("b_indicies["));
    EXPECT_NE(indicesA.substr(indicesA.find('{')), indicesB.substr(indicesB.find('{')));  // ... elsewhere
}

// The operating system's words for a missing file ("No such file or
// directory", "The system cannot find the file specified").
std::string MissingFileError()
{
    InputFile file;
    std::string error;
    EXPECT_FALSE(OpenInput(testing::Native("no such model.obj"), &file, &error));
    return error;
}

TEST(EndToEnd, FailedFilesAreReportedAndTheOthersStillConverted)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "good.obj", kTriangle);
    WriteFileBytes(directory / "empty.obj", "");
    WriteFileBytes(directory / "broken.obj", "v 0 0 0\nf 1 2 3\n");
    WriteFileBytes(directory / "broken.h", "previous header\n");
    fs::create_directory(directory / "dir.obj");
    testing::RunResult run = RunTorvane(directory.path(), "--seed 1 missing.obj empty.obj broken.obj dir.obj good.obj");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError,
              "torvane: missing.obj: " + MissingFileError() +
                  "\n"
                  "torvane: empty.obj: no faces\n"
                  "torvane: broken.obj: line 2: face refers to position 3, but the file defines 1 position\n"
                  "torvane: dir.obj: cannot read: it is a directory\n");
    EXPECT_EQ(ReadFileBytes(directory / "broken.h"), "previous header\n");
    EXPECT_TRUE(fs::exists(directory / "good.h"));
    EXPECT_FALSE(fs::exists(directory / "empty.h"));
    EXPECT_FALSE(fs::exists(directory / "missing.h"));
}

TEST(EndToEnd, AReadOnlyHeaderIsLeftAsItWas)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "locked.obj", kTriangle);
    WriteFileBytes(directory / "locked.h", "keep me\n");
    fs::permissions(directory / "locked.h", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    testing::RunResult run = RunTorvane(directory.path(), "locked.obj");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, "torvane: locked.obj: cannot write locked.h: it is read-only\n");
    EXPECT_EQ(ReadFileBytes(directory / "locked.h"), "keep me\n");
    EXPECT_EQ(FileNames(directory.path()), (std::vector<std::string>{"locked.h", "locked.obj"}));
}

TEST(EndToEnd, AnExistingHeaderIsReplacedWhole)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "m.obj", kTriangle);
    WriteFileBytes(directory / "m.h", std::string(1 << 20, 'x'));
    ASSERT_EQ(RunTorvane(directory.path(), "m.obj").exitStatus, 0);
    std::string header = ReadFileBytes(directory / "m.h");
    EXPECT_EQ(header.rfind("// File generated by ", 0), 0u);
    EXPECT_EQ(header.substr(header.size() - 8), "#endif\r\n");
    EXPECT_EQ(FileNames(directory.path()), (std::vector<std::string>{"m.h", "m.obj"}));
}

TEST(EndToEnd, AReplacedHeaderKeepsItsPermissions)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "m.obj", kTriangle);
    WriteFileBytes(directory / "m.h", "old\n");
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(directory / "m.h", ownerOnly);
    if (fs::status(directory / "m.h").permissions() != ownerOnly)
        GTEST_SKIP() << "the file system keeps no owner-only permissions";
    ASSERT_EQ(RunTorvane(directory.path(), "m.obj").exitStatus, 0);
    EXPECT_NE(ReadFileBytes(directory / "m.h"), "old\n");
    EXPECT_EQ(fs::status(directory / "m.h").permissions(), ownerOnly);
}

TEST(EndToEnd, HelpVersionAndUsageErrors)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "m.obj", kTriangle);
    testing::RunResult help = RunTorvane(directory.path(), "--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.standardOutput.rfind("Usage: torvane", 0), 0u);
    EXPECT_EQ(help.standardError, "");
    testing::RunResult version = RunTorvane(directory.path(), "--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.standardOutput, "torvane " TORVANE_VERSION "\n");
    // A usage error anywhere stops the run before anything is converted.
    testing::RunResult usage = RunTorvane(directory.path(), "m.obj --frobnicate");
    EXPECT_EQ(usage.exitStatus, 2);
    EXPECT_EQ(usage.standardError, "torvane: unknown option '--frobnicate' (see 'torvane --help')\n");
    EXPECT_EQ(RunTorvane(directory.path(), "m.obj readme.txt").exitStatus, 2);
    EXPECT_EQ(FileNames(directory.path()), (std::vector<std::string>{"m.obj"}));
}

TEST(EndToEnd, HeadersAreOutputNextToTheirModels)
{
    TemporaryDirectory directory;
    fs::create_directory(directory / "models");
    WriteFileBytes(directory / "models" / "Box.OBJ", kTriangle);
    ASSERT_EQ(RunTorvane(directory.path(), "models/Box.OBJ").exitStatus, 0);
    EXPECT_NE(ReadFileBytes(directory / "models" / "Box.h").find("Box_data["), std::string::npos);
}

TEST(EndToEnd, AnOutputDirectoryTakesTheHeadersAndIsCreatedWhenMissing)
{
    TemporaryDirectory directory;
    fs::create_directory(directory / "models");
    WriteFileBytes(directory / "models" / "Box.obj", kTriangle);
    WriteFileBytes(directory / "here.obj", kTriangle);
    ASSERT_EQ(RunTorvane(directory.path(), "--seed 3 -o out/headers models/Box.obj").exitStatus, 0);
    ASSERT_EQ(RunTorvane(directory.path(), "--seed 3 --output-dir=out/headers").exitStatus, 0);
    EXPECT_EQ(FileNames(directory / "out" / "headers"), (std::vector<std::string>{"Box.h", "here.h"}));
    EXPECT_EQ(FileNames(directory / "models"), (std::vector<std::string>{"Box.obj"}));
    WriteFileBytes(directory / "blocker", "");
    testing::RunResult run = RunTorvane(directory.path(), "-o blocker/sub here.obj");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError.rfind("torvane: -o blocker/sub: cannot create the directory: ", 0), 0u)
        << run.standardError;
    run = RunTorvane(directory.path(), "-o here.obj");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, "torvane: -o here.obj: not a directory\n");
    EXPECT_EQ(FileNames(directory.path()), (std::vector<std::string>{"blocker", "here.obj", "models", "out"}));
}

// The C and C++ compilers that generated headers must suit: the build's
// own, and GCC and Clang where they are installed.
std::vector<std::string> HeaderCompilers()
{
    std::vector<std::string> compilers;
    std::vector<fs::path> programs;  // cc and gcc are often one program
    for (const char* compiler :
         {TORVANE_C_COMPILER, TORVANE_CXX_COMPILER, TORVANE_GCC, TORVANE_GXX, TORVANE_CLANG, TORVANE_CLANGXX}) {
        std::error_code error;
        fs::path program = fs::canonical(compiler, error);
        if (*compiler && std::find(programs.begin(), programs.end(), program) == programs.end()) {
            programs.push_back(program);
            compilers.push_back(compiler);
        }
    }
    return compilers;
}

// Compiles source, which includes headers in directory, as C99 and as C++17
// with every compiler.
void ExpectCompilesAsCAndCxx(const TemporaryDirectory& directory, const std::string& source)
{
    WriteFileBytes(directory / "use.c", source);
    WriteFileBytes(directory / "use.cpp", source);
    for (const std::string& compiler : HeaderCompilers()) {
        bool cxx = compiler.find("++") != std::string::npos;
        std::string command = "cd \"" + directory.path().string() + "\" && \"" + compiler + "\"" +
            (cxx ? " -std=c++17 -fsyntax-only use.cpp" : " -std=c99 -fsyntax-only use.c");
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
}

constexpr char kNoHeaderCompilers[] =
    "no compiler with GCC's options runs here; the native job compiles the same bytes";

// Generated headers are code: two of them in one translation unit must
// compile as C and as C++, a stem with letters beyond Latin-1 included.
TEST(EndToEnd, GeneratedHeadersCompileAsCAndCxx)
{
    if (!TORVANE_COMPILE_HEADERS)
        GTEST_SKIP() << kNoHeaderCompilers;
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "crate.obj", directory / "crate.obj");
    fs::copy_file(kExamples / "pyramid.obj", directory / "3d pyramid.obj");
    fs::copy_file(kExamples / "pyramid.obj", directory.path() / fs::path(u8"\u7ACB\u65B9.obj"));
    ASSERT_EQ(RunTorvane(directory.path(), "").exitStatus, 0);
    ExpectCompilesAsCAndCxx(
        directory,
        "#include \"crate.h\"\n#include \"3d pyramid.h\"\n#include \"\xE7\xAB\x8B\xE6\x96\xB9.h\"\n"
        "unsigned int Sum(void) { return (unsigned int)(sizeof crate_data / sizeof crate_data[0])"
        " + _3d_pyramid_indicies[0] + \\u7ACB\\u65B9_indicies[1] + (unsigned int)crate_data[0].nrm[2]"
        " + (unsigned int)_3d_pyramid_data[0].pos[0]; }\n");
}

// With --ascii a Latin-1 name reaches GCC and Clang as a universal character
// name, which a UTF-8 spelling of the name in the source refers to as well.
TEST(EndToEnd, AsciiHeadersOfLatin1NamesCompileEverywhere)
{
    if (!TORVANE_COMPILE_HEADERS)
        GTEST_SKIP() << kNoHeaderCompilers;
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "pyramid.obj", directory.path() / fs::path(u8"W\u00FCrfel.obj"));
    ASSERT_EQ(RunTorvane(directory.path(), "--ascii --seed 2").exitStatus, 0);
    ExpectCompilesAsCAndCxx(directory,
                            "#include \"W\xC3\xBCrfel.h\"\n"
                            "unsigned int Sum(void) { return W\\u00FCrfel_indicies[0] + W\xC3\xBCrfel_indicies[1]"
                            " + (unsigned int)W\\u00FCrfel_data[0].pos[0]; }\n");
}

// Non-interleaved headers declare no record type, so models with different
// attributes share a translation unit; the array sizes are checked where
// they are compiled.
TEST(EndToEnd, NonInterleavedHeadersOfDifferentAttributesShareATranslationUnit)
{
    if (!TORVANE_COMPILE_HEADERS)
        GTEST_SKIP() << kNoHeaderCompilers;
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "crate.obj", directory / "crate.obj");
    fs::copy_file(kExamples / "pyramid.obj", directory / "pyramid.obj");
    ASSERT_EQ(RunTorvane(directory.path(), "--non-interleaved --seed 4").exitStatus, 0);
    ExpectCompilesAsCAndCxx(
        directory,
        "#include \"crate.h\"\n#include \"pyramid.h\"\n"
        "typedef char CrateHasAllThree[sizeof crate_pos == sizeof crate_uvw && sizeof crate_uvw =="
        " sizeof crate_nrm && sizeof crate_pos == 776 * 3 * sizeof(float) ? 1 : -1];\n"
        "typedef char PyramidHasTwo[sizeof pyramid_pos == sizeof pyramid_nrm ? 1 : -1];\n"
        "float Sum(void) { return crate_uvw[0][1] + crate_nrm[1][2] + pyramid_pos[2][0] + pyramid_nrm[3][1]"
        " + (float)crate_indicies[4] + (float)pyramid_indicies[5]; }\n");
}

}  // namespace
}  // namespace torvane
