#include "platform/temporary_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace torvane {
namespace {

using testing::Native;

std::vector<NativeString> removedPaths;

void RecordRemoval(const NativeChar* path)
{
    removedPaths.push_back(path);
}

// Several headers being written at once when the interruption comes: one
// was just renamed into place and its slot taken again by a header of a
// shorter name, one got a second name after the first was taken, and one
// thread has claimed a slot but not yet named its file.
std::string InterruptSeveralOutputs()
{
    int first = -1, renamed = -1, reused = -1, second = -1, late = -1, after = -1;
    if (!ClaimTemporarySlot(&first) || !ClaimTemporarySlot(&renamed) || !ClaimTemporarySlot(&second) ||
        !ClaimTemporarySlot(&late))
        return "a slot was refused";
    ArmTemporarySlot(first, Native("a.h.9-0.tmp"));
    ArmTemporarySlot(renamed, Native("a_longer_name.h.9-1.tmp"));
    ArmTemporarySlot(second, Native("c.h.9-2.tmp"));
    ArmTemporarySlot(second, Native("c.h.9-3.tmp"));
    const int renamedSlot = renamed;
    ReleaseTemporarySlot(&renamed);
    if (!ClaimTemporarySlot(&reused) || reused != renamedSlot)
        return "the freed slot was not taken again";
    ArmTemporarySlot(reused, Native("b.h.9-5.tmp"));
    // Another thread may take the same signal at once.
    RemoveTemporaryFiles(&RecordRemoval);
    RemoveTemporaryFiles(&RecordRemoval);
    std::sort(removedPaths.begin(), removedPaths.end());
    std::string report = "removed";
    for (const NativeString& path : removedPaths)
        report += " " + std::filesystem::path(path).string();
    report += ClaimTemporarySlot(&after) ? ", claimed" : ", no claim";
    report += ArmTemporarySlot(late, Native("d.h.9-4.tmp")) ? ", armed" : ", no arming";
    return report;
}

// The table belongs to the process and an interruption leaves it unusable,
// so the case runs in a child process.
TEST(TemporaryFilesDeathTest, AnInterruptionRemovesEachArmedFileOnceAndStopsNewOnes)
{
    EXPECT_EXIT(
        {
            std::fputs(InterruptSeveralOutputs().c_str(), stderr);
            std::fflush(stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0),
        "^removed a\\.h\\.9-0\\.tmp b\\.h\\.9-5\\.tmp c\\.h\\.9-3\\.tmp, no claim, no arming$");
}

}  // namespace
}  // namespace torvane
