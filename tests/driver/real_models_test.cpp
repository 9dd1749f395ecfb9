// OBJ files written by other people's exporters (Debian's assimp-testmodels):
// each either converts to a header that compiles as C and as C++, or is
// refused with one clear line.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = "/usr/share/assimp/models";

std::vector<fs::path> CorpusModels()
{
    std::vector<fs::path> models;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(kCorpus, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".obj" && entry.is_regular_file())
            models.push_back(entry.path());
    }
    std::sort(models.begin(), models.end());
    return models;
}

TEST(RealModels, EachConvertsToCompilableCodeOrIsRefusedClearly)
{
    std::vector<fs::path> models = CorpusModels();
    if (models.empty())
        GTEST_SKIP() << "install assimp-testmodels for this test";
    testing::TemporaryDirectory directory;
    std::string includes;
    std::size_t converted = 0;
    // Copies are numbered by their place in the corpus: models of one name
    // stand in several folders, and any of them may be refused.
    for (std::size_t i = 0; i < models.size(); ++i) {
        const fs::path& model = models[i];
        SCOPED_TRACE(model.string());
        fs::path input = directory / ("m" + std::to_string(i) + "_" + model.filename().string());
        fs::copy_file(model, input);
        testing::RunResult run =
            testing::RunTorvane(directory.path(), "--seed 1 \"" + input.filename().string() + "\"");
        if (run.exitStatus == 0) {
            EXPECT_EQ(run.standardError, "");
            fs::path header = input;
            header.replace_extension(".h");
            ASSERT_TRUE(fs::exists(header));
            includes += "#include \"" + header.filename().string() + "\"\n";
            ++converted;
        } else {
            EXPECT_EQ(run.exitStatus, 1);
            EXPECT_EQ(run.standardError.rfind("torvane: " + input.filename().string() + ": ", 0), 0u)
                << run.standardError;
            EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1);
        }
    }
    EXPECT_GT(converted, models.size() / 2);
    if (!TORVANE_COMPILE_HEADERS)
        return;  // the native job compiles the same bytes
    // All headers in one translation unit: their guards and names must not clash.
    testing::WriteFileBytes(directory / "all.c", includes);
    testing::WriteFileBytes(directory / "all.cpp", includes);
    for (const std::string& command : {std::string(TORVANE_C_COMPILER) + " -std=c99 -fsyntax-only all.c",
                                       std::string(TORVANE_CXX_COMPILER) + " -std=c++17 -fsyntax-only all.cpp"}) {
        std::string line = "cd \"" + directory.path().string() + "\" && " + command;
        EXPECT_EQ(std::system(line.c_str()), 0) << line;
    }
}

}  // namespace
}  // namespace torvane
