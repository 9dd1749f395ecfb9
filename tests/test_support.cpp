#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace torvane::testing {

NativeString Native(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).native();
}

std::vector<std::string> FileNames(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

TemporaryDirectory::TemporaryDirectory()
{
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
        ("torvane-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TemporaryDirectory::~TemporaryDirectory()
{
    std::error_code ignored;
    // Tests make files read-only; make them removable again.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

RunResult RunTorvane(const std::filesystem::path& directory, const std::string& arguments)
{
    std::filesystem::path out = directory / ".torvane-stdout";
    std::filesystem::path err = directory / ".torvane-stderr";
#ifdef _WIN32
    // cmd.exe changes the drive only with /d, and the temporary directory
    // may be on another drive than the build; the wide call keeps names
    // beyond the ANSI code page.
    static const std::filesystem::path executable =
        std::filesystem::absolute(std::filesystem::path(TORVANE_EXECUTABLE)).make_preferred();
    std::wstring command = L"cd /d \"" + directory.native() + L"\" && \"" + executable.native() + L"\" " +
        Native(arguments) + L" > \"" + out.native() + L"\" 2> \"" + err.native() + L"\"";
    int status = _wsystem(command.c_str());
#else
    std::string command = "cd \"" + directory.string() + "\" && \"" TORVANE_EXECUTABLE "\" " + arguments + " > \"" +
        out.string() + "\" 2> \"" + err.string() + "\"";
    int status = std::system(command.c_str());
#endif
    RunResult result;
#ifdef _WIN32
    result.exitStatus = status;
#else
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    result.standardOutput = ReadFileBytes(out);
    result.standardError = ReadFileBytes(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

}  // namespace torvane::testing
