// --normals through the real executable: the header's rows, a closed model
// whose normals must point out of it, and models converted at once.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "header_svg.h"
#include "test_support.h"
#include "vector3.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::ReadFileBytes;
using testing::RunResult;
using testing::RunTorvane;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;
using tools::Cross;
using tools::Dot;
using tools::Minus;
using tools::Vector;

const fs::path kExamples = TORVANE_EXAMPLES;

std::string Converted(const TemporaryDirectory& directory, const std::string& model, const std::string& options)
{
    RunResult run = RunTorvane(directory.path(), "--seed 1 " + options + " " + model + ".obj");
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    return ReadFileBytes(directory / (model + ".h"));
}

// The quad folded along its diagonal (tests/mesh/generated_normals_test.cpp
// works its normals out).
TEST(NormalsOption, TheHeaderCarriesTheGeneratedNormalsAndTheWarningsOwn)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory / "fold.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 1\nf 1 2 3 4\n");
    std::string plain = Converted(directory, "fold", "");
    EXPECT_EQ(plain.find("nrm"), std::string::npos);
    std::string smooth = Converted(directory, "fold", "--normals smooth");
    EXPECT_EQ(Converted(directory, "fold", "--normals=smooth"), smooth);
    EXPECT_EQ(Converted(directory, "fold", "--normals=auto"), smooth);
    EXPECT_NE(smooth.find("\tfloat nrm[3];\r\n"), std::string::npos);
    EXPECT_NE(smooth.find("{ 0.000000f, 0.000000f, 0.000000f },\t{ 0.370483f, -0.370483f, 0.851754f }\t},\r\n"),
              std::string::npos);
    EXPECT_NE(smooth.find("{ 0.000000f, 1.000000f, 1.000000f },\t{ 0.577350f, -0.577350f, 0.577350f }\t},\r\n"),
              std::string::npos);
    EXPECT_NE(smooth.find("const OBJ_VERT fold_data[756] =\r\n"), std::string::npos);
    EXPECT_NE(Converted(directory, "fold", "--normals=flat").find("const OBJ_VERT fold_data[758] =\r\n"),
              std::string::npos);
    // The warning keeps its own normals: no row is left without one.
    EXPECT_EQ(smooth.find("{ 0.000000f, 0.000000f, 0.000000f }\t},"), std::string::npos);
}

TEST(NormalsOption, AModelWithNormalsEverywhereConvertsAsWithout)
{
    TemporaryDirectory directory;
    for (const char* model : {"crate", "pyramid"}) {
        SCOPED_TRACE(model);
        fs::copy_file(kExamples / (std::string(model) + ".obj"), directory / (std::string(model) + ".obj"));
        std::string plain = Converted(directory, model, "");
        for (const char* normals : {"--normals=auto", "--normals=smooth", "--normals=flat"})
            EXPECT_TRUE(Converted(directory, model, normals) == plain) << normals;
    }
}

// The example is a closed torus, bumpy, without normals, wound
// counter-clockwise seen from outside; the warning is closed too. That the
// winding points out shows in the volume it encloses, which comes out
// positive; the generated normals must then point to the same side as the
// winding at every corner of every triangle, and have length 1.
TEST(NormalsOption, TheGeneratedNormalsOfAClosedModelPointOutwards)
{
    TemporaryDirectory directory;
    fs::copy_file(kExamples / "bumpy_torus.obj", directory / "bumpy_torus.obj");
    for (const char* normals : {"--normals=auto", "--normals=smooth", "--normals=flat"}) {
        SCOPED_TRACE(normals);
        tools::HeaderMesh mesh;
        std::string error;
        ASSERT_TRUE(tools::ParseHeaderMesh(Converted(directory, "bumpy_torus", normals), &mesh, &error)) << error;
        ASSERT_EQ(mesh.normals.size(), mesh.positions.size());
        double sixTimesVolume = 0;
        std::size_t against = 0;
        for (std::size_t first = 0; first < mesh.indices.size(); first += 3) {
            const auto& a = mesh.positions[mesh.indices[first]];
            const auto& b = mesh.positions[mesh.indices[first + 1]];
            const auto& c = mesh.positions[mesh.indices[first + 2]];
            const Vector face = Cross(Minus(b, a), Minus(c, a));
            sixTimesVolume += Dot({a[0], a[1], a[2]}, Cross({b[0], b[1], b[2]}, {c[0], c[1], c[2]}));
            for (std::size_t corner = first; corner < first + 3; ++corner) {
                const auto& n = mesh.normals[mesh.indices[corner]];
                against += Dot(face, {n[0], n[1], n[2]}) <= 0;
            }
        }
        EXPECT_GT(sixTimesVolume, 0);
        EXPECT_EQ(against, 0u) << "corners whose normal points against their triangle's winding";
        for (const auto& n : mesh.normals)
            ASSERT_NEAR(std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]), 1, 2e-6);
    }
}

// A grid of size x size quads without normals, bent up and down so that
// its normals vary.
std::string BentGrid(int size)
{
    std::string text;
    for (int row = 0; row <= size; ++row) {
        for (int column = 0; column <= size; ++column)
            text += "v " + std::to_string(column) + " " + std::to_string(row) + " " + std::to_string(row * column % 3) +
                "\n";
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

// As the batch test does for the default: several models at once give the
// bytes of one after another. The slow model first keeps the refused one
// from telling that it drew nothing until the later ones have guessed
// wrong, so that they are read again.
TEST(NormalsOption, ModelsConvertedAtOnceGiveWhatOneAfterAnotherGives)
{
    const std::vector<std::pair<std::string, std::string>> models = {
        {"slow.obj", BentGrid(150)},
        {"refused.obj", "v 0 0 0\nf 1 2 3\n"},
        {"groups.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 1\ns 2\nf 1 2 3\ns off\nf 1 3 4\ns 2\nf 4 3 2\n"},
        {"mixed.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2 3\nf 3 2 1\n"},
        {"torus.obj", ReadFileBytes(kExamples / "bumpy_torus.obj")},
    };
    std::vector<std::unique_ptr<TemporaryDirectory>> directories;
    std::vector<RunResult> runs;
    for (const char* jobs : {"1", "3"}) {
        directories.push_back(std::make_unique<TemporaryDirectory>());
        std::string files;
        for (const auto& [name, text] : models) {
            WriteFileBytes(*directories.back() / name, text);
            files += " " + name;
        }
        runs.push_back(
            RunTorvane(directories.back()->path(), std::string("--normals=auto --seed 7 -o out -j ") + jobs + files));
    }
    EXPECT_EQ(runs[0].exitStatus, 1);
    EXPECT_EQ(runs[1].exitStatus, 1);
    EXPECT_EQ(runs[1].standardError, runs[0].standardError);
    const fs::path one = directories[0]->path() / "out";
    const fs::path three = directories[1]->path() / "out";
    ASSERT_EQ(FileNames(one), (std::vector<std::string>{"groups.h", "mixed.h", "slow.h", "torus.h"}));
    ASSERT_EQ(FileNames(three), FileNames(one));
    for (const std::string& header : FileNames(one))
        EXPECT_TRUE(ReadFileBytes(three / header) == ReadFileBytes(one / header)) << header;
}

}  // namespace
}  // namespace torvane
