#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace torvane {
namespace {

CommandLine Parse(std::initializer_list<const char*> arguments)
{
    std::vector<NativeString> native;
    for (const char* argument : arguments)
        native.push_back(testing::Native(argument));
    return ParseCommandLine(native);
}

TEST(CommandLine, BareCallConvertsTheCurrentDirectory)
{
    CommandLine line = Parse({});
    EXPECT_EQ(line.action, CommandAction::kConvert);
    EXPECT_FALSE(line.seed);
    EXPECT_TRUE(line.files.empty());
}

TEST(CommandLine, SeedAndFilesInOrder)
{
    CommandLine line = Parse({"b.obj", "--seed", "4294967295", "dir/A.OBJ", "--seed=7", "--", "-x.Obj"});
    EXPECT_EQ(line.action, CommandAction::kConvert);
    EXPECT_EQ(line.seed, 7u);
    EXPECT_EQ(
        line.files,
        (std::vector<NativeString>{testing::Native("b.obj"), testing::Native("dir/A.OBJ"), testing::Native("-x.Obj")}));
    EXPECT_EQ(Parse({"--seed", "0"}).seed, 0u);
}

TEST(CommandLine, OutputDirectory)
{
    EXPECT_EQ(Parse({"-o", "out", "a.obj"}).outputDirectory, testing::Native("out"));
    EXPECT_EQ(Parse({"--output-dir", "a b"}).outputDirectory, testing::Native("a b"));
    EXPECT_EQ(Parse({"--output-dir=x/y"}).outputDirectory, testing::Native("x/y"));
    EXPECT_TRUE(Parse({"a.obj"}).outputDirectory.empty());
    EXPECT_EQ(Parse({"-o"}).error, "-o needs a directory");
    EXPECT_EQ(Parse({"--output-dir="}).error, "--output-dir needs a directory");
}

TEST(CommandLine, Jobs)
{
    EXPECT_FALSE(Parse({"a.obj"}).jobs);
    EXPECT_EQ(Parse({"-j", "1", "a.obj"}).jobs, 1u);
    EXPECT_EQ(Parse({"--jobs", "16"}).jobs, 16u);
    EXPECT_EQ(Parse({"--jobs=3", "a.obj"}).jobs, 3u);
    EXPECT_EQ(Parse({"-j"}).error, "-j needs a number of threads");
    EXPECT_EQ(Parse({"-j", "0"}).error, "-j takes a number of threads from 1 up, not '0'");
    EXPECT_EQ(Parse({"--jobs=two"}).error, "--jobs takes a number of threads from 1 up, not 'two'");
}

TEST(CommandLine, HeaderFormsAreChosenOneOptionEach)
{
    HeaderForm plain = Parse({"a.obj"}).form;
    EXPECT_EQ(plain.layout, VertexLayout::kInterleaved);
    EXPECT_EQ(plain.stemSpelling, StemSpelling::kLatin1);
    HeaderForm separate = Parse({"--non-interleaved", "a.obj"}).form;
    EXPECT_EQ(separate.layout, VertexLayout::kNonInterleaved);
    EXPECT_EQ(separate.stemSpelling, StemSpelling::kLatin1);
    HeaderForm ascii = Parse({"a.obj", "--ascii"}).form;
    EXPECT_EQ(ascii.layout, VertexLayout::kInterleaved);
    EXPECT_EQ(ascii.stemSpelling, StemSpelling::kAscii);
    EXPECT_EQ(Parse({"--ascii", "--non-interleaved"}).form.layout, VertexLayout::kNonInterleaved);
    EXPECT_EQ(Parse({"--", "--ascii"}).action, CommandAction::kUsageError);
}

TEST(CommandLine, NormalsAreGeneratedInTheWayNamed)
{
    EXPECT_EQ(Parse({"a.obj"}).normals, NormalGeneration::kNone);
    EXPECT_EQ(Parse({"--normals", "auto", "a.obj"}).normals, NormalGeneration::kAuto);
    EXPECT_EQ(Parse({"--normals=smooth"}).normals, NormalGeneration::kSmooth);
    EXPECT_EQ(Parse({"--normals=auto", "--normals", "flat"}).normals, NormalGeneration::kFlat);
    EXPECT_EQ(Parse({"--normals"}).error, "--normals needs a mode: auto, smooth or flat");
    EXPECT_EQ(Parse({"--normals", "Smooth"}).error, "--normals takes auto, smooth or flat, not 'Smooth'");
    EXPECT_EQ(Parse({"--normals="}).error, "--normals takes auto, smooth or flat, not ''");
    EXPECT_EQ(Parse({"--normal=flat"}).error, "unknown option '--normal=flat', did you mean --normals?");
}

TEST(CommandLine, HelpAndVersion)
{
    EXPECT_EQ(Parse({"-h"}).action, CommandAction::kShowHelp);
    EXPECT_EQ(Parse({"a.obj", "--help", "--bogus"}).action, CommandAction::kShowHelp);
    EXPECT_EQ(Parse({"--version"}).action, CommandAction::kShowVersion);
    for (const char* option : {"--seed", "--jobs", "--output-dir", "-o,", "--help", "--version", "-h",
                               "--non-interleaved", "--ascii", "--normals"})
        EXPECT_NE(UsageText().find(option), std::string::npos) << option;
    EXPECT_EQ(VersionText(), "torvane " TORVANE_VERSION "\n");
}

TEST(CommandLine, UsageErrors)
{
    auto error = [](std::initializer_list<const char*> arguments) {
        CommandLine line = Parse(arguments);
        EXPECT_EQ(line.action, CommandAction::kUsageError);
        return line.error;
    };
    EXPECT_EQ(error({"--bogus"}), "unknown option '--bogus'");
    EXPECT_EQ(error({"a.obj", "notes.txt"}), "'notes.txt' is not a model file: its name must end in .obj");
    EXPECT_EQ(error({"a.objx"}), "'a.objx' is not a model file: its name must end in .obj");
    // A lone "-" is no option but a name, and names no model file.
    EXPECT_EQ(error({"-"}), "'-' is not a model file: its name must end in .obj");
    EXPECT_EQ(error({"--seed"}), "--seed needs a number from 0 to 4294967295");
    EXPECT_EQ(error({"--seed", "4294967296"}), "--seed takes a number from 0 to 4294967295, not '4294967296'");
    EXPECT_EQ(error({"--seed", "-1"}), "--seed takes a number from 0 to 4294967295, not '-1'");
    EXPECT_EQ(error({"--seed=", "a.obj"}), "--seed takes a number from 0 to 4294967295, not ''");
    EXPECT_EQ(error({"--seed", "12x"}), "--seed takes a number from 0 to 4294967295, not '12x'");
}

// A slip of the keyboard names the option meant; anything further off, or a
// one-letter option, is not guessed at.
TEST(CommandLine, UnknownOptionCloseToAKnownOneIsSuggested)
{
    auto error = [](const char* argument) { return Parse({"a.obj", argument}).error; };
    EXPECT_EQ(error("--sead"), "unknown option '--sead', did you mean --seed?");
    EXPECT_EQ(error("--sead=3"), "unknown option '--sead=3', did you mean --seed?");
    EXPECT_EQ(error("--outptu-dir=x"), "unknown option '--outptu-dir=x', did you mean --output-dir?");
    EXPECT_EQ(error("--verison"), "unknown option '--verison', did you mean --version?");
    EXPECT_EQ(error("--outptu-dri"), "unknown option '--outptu-dri', did you mean --output-dir?");
    EXPECT_EQ(error("-help"), "unknown option '-help', did you mean --help?");
    EXPECT_EQ(error("--SEED"), "unknown option '--SEED', did you mean --seed?");
    EXPECT_EQ(error("--sd"), "unknown option '--sd', did you mean --seed?");
    EXPECT_EQ(error("--s"), "unknown option '--s'");
    EXPECT_EQ(error("-x"), "unknown option '-x'");
    EXPECT_EQ(error("---"), "unknown option '---'");
    EXPECT_EQ(error("--output"), "unknown option '--output'");
}

}  // namespace
}  // namespace torvane
