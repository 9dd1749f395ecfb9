#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace torvane::testing {

// A path in the platform's own encoding from valid UTF-8 text.
NativeString Native(const std::string& utf8);

// The smallest model the tool converts: one triangle.
inline constexpr const char* kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

// The names in directory, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& directory);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct RunResult {
    int exitStatus = -1;
    std::string standardOutput;
    std::string standardError;
};

// Runs the torvane executable in directory with the given arguments (already
// quoted for the shell where needed).
RunResult RunTorvane(const std::filesystem::path& directory, const std::string& arguments);

}  // namespace torvane::testing
