#include "output/naming.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace torvane {
namespace {

std::u16string StemOf(const std::string& utf8Name)
{
    return IdentifierStemFor(FileNameFromArgument(testing::Native(utf8Name)));
}

// Named on the command line, a file is a model by its last four characters
// in any ASCII letter case; found in a folder by the "*.obj" pattern, only
// when its name also holds ".obj" as written. No other letter folds to an
// ASCII one (U+014F is "O" + 0x100).
TEST(Naming, ModelFileNames)
{
    for (const char* name : {"a.obj", ".obj", "A.OBJ", "a.obj.oBj", "dir.obj/b.Obj"})
        EXPECT_TRUE(IsModelFileName(testing::Native(name))) << name;
    for (const char* name : {"", "obj", "a.objx", "a.obj.bak", "a_obj",
                             "a.\xC5\x8F"
                             "bj"})
        EXPECT_FALSE(IsModelFileName(testing::Native(name))) << name;
    EXPECT_TRUE(IsListedModelName(testing::Native("scan.objx")));  // matched through a short name
    EXPECT_FALSE(IsListedModelName(testing::Native("MODEL.OBJ")));
    EXPECT_FALSE(IsListedModelName(testing::Native("a.Obj")));
}

TEST(Naming, HeaderReplacesTheLastFourCodeUnits)
{
    auto header = [](const char* name) { return HeaderPathFor(testing::Native(name)); };
    EXPECT_EQ(header("Cube.obj"), testing::Native("Cube.h"));
    EXPECT_EQ(header("my model.obj"), testing::Native("my model.h"));
    EXPECT_EQ(header("a.obj.obj"), testing::Native("a.obj.h"));
    EXPECT_EQ(header("MODEL.OBJ"), testing::Native("MODEL.h"));
    EXPECT_EQ(header("scan.objx"), testing::Native("scan..h"));
    EXPECT_EQ(header(".obj"), testing::Native(".h"));
    EXPECT_EQ(header("models/crate.obj"), testing::Native("models/crate.h"));
    EXPECT_EQ(HeaderPathFor(testing::Native("models/a.obj.OBJ"), testing::Native("out")),
              (std::filesystem::path("out") / "a.obj.h").native());
}

TEST(Naming, StemsAreIdentifiersOfTheFilesOwnName)
{
    EXPECT_EQ(StemOf("Cube.obj"), u"Cube");
    EXPECT_EQ(StemOf("my model.obj"), u"my_model");
    EXPECT_EQ(StemOf("3dBox.obj"), u"_3dBox");
    EXPECT_EQ(StemOf("_x.obj"), u"__x");
    EXPECT_EQ(StemOf("old-tree.2.obj"), u"old_tree_2");
    EXPECT_EQ(StemOf("a.obj.obj"), u"a_obj");
    EXPECT_EQ(StemOf(".obj"), u"");
    EXPECT_EQ(StemOf("a b.obj"), StemOf("a_b.obj"));
    EXPECT_EQ(StemOf("scan.objx"), u"scan_");
    EXPECT_EQ(StemOf("models/crate.obj"), u"crate");
}

TEST(Naming, LettersOfAnyScriptStayAndEachCodeUnitStandsAlone)
{
    EXPECT_EQ(StemOf("W\xC3\xBCrfel.obj"), u"W\u00FCrfel");
    EXPECT_EQ(StemOf("\xE7\xAB\x8B\xE6\x96\xB9.obj"), u"\u7ACB\u65B9");
    EXPECT_EQ(StemOf("\xD9\xA3x.obj"), u"_\u0663x");  // an Arabic-Indic digit first
    // A letter outside the BMP is a surrogate pair: two non-letters.
    EXPECT_EQ(StemOf("\xF0\x90\x90\x80.obj"), u"___");
#ifndef _WIN32
    // Names on disk are bytes here; those that are not UTF-8 decode to
    // U+FFFD, which is no letter.
    EXPECT_EQ(IdentifierStemFor(FileNameFromArgument("a\xFF.obj")), u"a_");
#endif
    EXPECT_EQ(MakeIdentifier(u"a--b"), u"a__b");
    EXPECT_EQ(MakeIdentifier(u""), u"");
}

// Each spelling writes its last byte value as a byte and the next unit as a
// universal character name.
TEST(Naming, StemsAreBytesUpToTheSpellingsLastOneAndUniversalCharacterNamesAbove)
{
    EXPECT_EQ(EncodeStem(u"W\u00FCrfel", StemSpelling::kLatin1), "W\xFCrfel");
    EXPECT_EQ(EncodeStem(u"\u00FF\u0100", StemSpelling::kLatin1), "\xFF\\u0100");
    EXPECT_EQ(EncodeStem(u"\u7ACB\u65B9_x", StemSpelling::kLatin1), "\\u7ACB\\u65B9_x");
    EXPECT_EQ(EncodeStem(u"W\u00FCrfel_\u00C0\u00FF\u7ACB", StemSpelling::kAscii),
              "W\\u00FCrfel_\\u00C0\\u00FF\\u7ACB");
    EXPECT_EQ(EncodeStem(u"Az_09\u007F\u0080", StemSpelling::kAscii), "Az_09\x7F\\u0080");
}

}  // namespace
}  // namespace torvane
