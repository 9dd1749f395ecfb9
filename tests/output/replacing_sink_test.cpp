#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "output/replacing_sink.h"
#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::ReadFileBytes;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

// Longer than a few of the sink's comparison chunks, and no two chunks alike.
std::string NewHeader()
{
    std::string bytes(200'000, '\0');
    unsigned state = 1;
    for (char& byte : bytes) {
        state = state * 1103515245 + 12345;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

// Writes header in pieces of uneven sizes, as the header writer does, over
// whatever stands at path, and commits. Whether the old header was kept or
// replaced, the output is then closed and gives its slot back: a slot held
// per kept header would refuse every header after the 256th of a run.
void WriteOver(const fs::path& path, const std::string& header)
{
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput(path.native(), &output, &error)) << error;
    ReplacingSink sink(output);
    const std::size_t pieces[] = {1, 7000, 65'539, 100'000};
    std::size_t at = 0;
    for (std::size_t piece : pieces) {
        ASSERT_TRUE(sink.Write(header.data() + at, piece, &error)) << error;
        at += piece;
    }
    ASSERT_TRUE(sink.Write(header.data() + at, header.size() - at, &error)) << error;
    ASSERT_TRUE(sink.Commit(&error)) << error;
    EXPECT_EQ(output.handle, -1);
    EXPECT_EQ(output.temporarySlot, -1);
}

TEST(ReplacingSinkTest, TheHeaderIsWhatWasWrittenWhateverStoodThereBefore)
{
    const std::string header = NewHeader();
    std::string flippedLate = header;
    flippedLate[150'000] ^= 1;
    std::string flippedAtChunkEnd = header;
    flippedAtChunkEnd[65'535] ^= 1;
    std::string flippedLast = header;
    flippedLast.back() ^= 1;
    const std::string before[] = {
        header.substr(0, 100'001), header + "more", flippedLate, flippedAtChunkEnd, flippedLast, "x" + header, ""};
    for (const std::string& old : before) {
        TemporaryDirectory directory;
        WriteFileBytes(directory / "Cube.h", old);
        WriteOver(directory / "Cube.h", header);
        EXPECT_TRUE(ReadFileBytes(directory / "Cube.h") == header) << "over " << old.size() << " bytes";
        EXPECT_EQ(FileNames(directory.path()), std::vector<std::string>{"Cube.h"});
    }
    TemporaryDirectory directory;
    WriteOver(directory / "Cube.h", header);
    EXPECT_TRUE(ReadFileBytes(directory / "Cube.h") == header) << "where there was none";
}

// A second name for the header tells whether it is still the same file.
TEST(ReplacingSinkTest, AnUnchangedHeaderStaysTheSameFileAndCountsAsWrittenNow)
{
    const std::string header = NewHeader();
    TemporaryDirectory directory;
    WriteFileBytes(directory / "Cube.h", header);
    fs::create_hard_link(directory / "Cube.h", directory / "link");
    const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(directory / "Cube.h", anHourAgo);

    WriteOver(directory / "Cube.h", header);
    EXPECT_TRUE(fs::equivalent(directory / "Cube.h", directory / "link"));
    EXPECT_GT(fs::last_write_time(directory / "Cube.h"), anHourAgo + std::chrono::minutes(59));

    std::string changed = header;
    changed[199'000] ^= 1;
    WriteOver(directory / "Cube.h", changed);
    EXPECT_FALSE(fs::equivalent(directory / "Cube.h", directory / "link"));
    EXPECT_TRUE(ReadFileBytes(directory / "Cube.h") == changed);
    EXPECT_TRUE(ReadFileBytes(directory / "link") == header);
}

TEST(ReplacingSinkTest, AnOutputDroppedUncommittedLeavesTheOldHeaderWhereverTheBytesParted)
{
    const std::string header = NewHeader();
    for (std::size_t parted : {std::size_t{70'000}, header.size()}) {
        TemporaryDirectory directory;
        std::string old = header;
        if (parted < old.size())
            old[parted] ^= 1;
        WriteFileBytes(directory / "Cube.h", old);
        {
            OutputFile output;
            std::string error;
            ASSERT_TRUE(CreateOutput((directory / "Cube.h").native(), &output, &error)) << error;
            ReplacingSink sink(output);
            ASSERT_TRUE(sink.Write(header.data(), header.size(), &error)) << error;
        }
        EXPECT_TRUE(ReadFileBytes(directory / "Cube.h") == old);
        EXPECT_EQ(FileNames(directory.path()), (std::vector<std::string>{"Cube.h"}));
    }
}

#ifndef _WIN32
// Kept, a link would go on giving the build whatever its owner writes to the
// file it points at.
TEST(ReplacingSinkTest, AHeaderThatIsALinkIsReplacedEvenWhenTheBytesAgree)
{
    const std::string header = NewHeader();
    TemporaryDirectory directory;
    WriteFileBytes(directory / "planted", header);
    fs::create_symlink("planted", directory / "Cube.h");
    const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(directory / "planted", anHourAgo);

    WriteOver(directory / "Cube.h", header);
    EXPECT_FALSE(fs::is_symlink(directory / "Cube.h"));
    EXPECT_TRUE(ReadFileBytes(directory / "Cube.h") == header);
    EXPECT_EQ(fs::last_write_time(directory / "planted"), anHourAgo);
}
#endif

}  // namespace
}  // namespace torvane
