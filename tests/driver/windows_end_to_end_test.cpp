// What only the Windows build does, checked on the real executable: the
// "*.obj" pattern of FindFirstFileW with its short-name matches, UTF-16 names
// on the command line and on disk, read-only attributes, and error lines on
// a console.

#ifdef _WIN32

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testing::kTriangle;
using testing::ReadFileBytes;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

fs::path Utf8(std::string_view text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8Name(const fs::path& path)
{
    std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::vector<std::string> FileNames(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(Utf8Name(entry.path()));
    std::sort(names.begin(), names.end());
    return names;
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged:
// backslashes count only before a quote.
std::wstring QuoteArgument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

HANDLE InheritableFile(const fs::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts torvane.exe through CreateProcessW, so the arguments reach it as
// UTF-16 exactly as a shell on Windows passes them, with no code page
// between. Standard error goes to errorHandle, or to a file when none is
// given.
testing::RunResult RunWide(const fs::path& directory, const std::vector<std::wstring>& arguments,
                           HANDLE errorHandle = INVALID_HANDLE_VALUE)
{
    static const fs::path executable = fs::absolute(Utf8(TORVANE_EXECUTABLE));
    TemporaryDirectory streams;
    HANDLE input = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = InheritableFile(streams.path() / "stdout", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE error = errorHandle != INVALID_HANDLE_VALUE
        ? errorHandle
        : InheritableFile(streams.path() / "stderr", GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring commandLine = QuoteArgument(executable.native());
    for (const std::wstring& argument : arguments)
        commandLine += L" " + QuoteArgument(argument);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    testing::RunResult result;
    if (CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        result.exitStatus = static_cast<int>(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start torvane.exe: error " << GetLastError();
    }
    CloseHandle(input);
    CloseHandle(output);
    result.standardOutput = ReadFileBytes(streams.path() / "stdout");
    if (errorHandle == INVALID_HANDLE_VALUE) {
        CloseHandle(error);
        result.standardError = ReadFileBytes(streams.path() / "stderr");
    }
    return result;
}

bool HasShortObjName(const fs::path& file)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetShortPathNameW(file.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::wstring name = fs::path(std::wstring(buffer, length)).filename().native();
    return name.size() >= 4 && _wcsicmp(name.c_str() + name.size() - 4, L".obj") == 0;
}

void MakeReadOnly(const fs::path& path)
{
    SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_READONLY);
}

TEST(WindowsEndToEnd, BareCallTakesWhatThePatternFindsWhenTheLongNameHasObj)
{
    TemporaryDirectory directory;
    for (const char* name : {"cube.obj", "MODEL.OBJ", "scan.objx", "Würfel.obj", "立方体.obj"})
        WriteFileBytes(directory.path() / Utf8(name), kTriangle);
    fs::create_directory(directory.path() / "x.obj");
    // Where the volume keeps 8.3 names, scan.objx is also SCAN~1.OBJ (Wine:
    // SCAN~XYZ.OBJ), which "*.obj" matches; its long name contains ".obj",
    // so it is converted, losing its last four characters: scan..h.
    bool shortNames = HasShortObjName(directory.path() / "scan.objx");

    testing::RunResult run = RunWide(directory.path(), {L"--seed", L"3"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    std::vector<std::string> expected{"MODEL.OBJ", "Würfel.h", "Würfel.obj", "cube.h",    "cube.obj",
                                      "scan.objx", "x.obj",    "立方体.h",   "立方体.obj"};
    if (shortNames)
        expected.push_back("scan..h");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FileNames(directory.path()), expected);
    if (shortNames) {
        std::string header = ReadFileBytes(directory.path() / "scan..h");
        EXPECT_NE(header.find("const OBJ_VERT scan__data["), std::string::npos);
        EXPECT_NE(header.find("const unsigned int scan__indicies["), std::string::npos);
    }
}

TEST(WindowsEndToEnd, WideNamesGiveTheSameHeaderListedOrNamedOnTheCommandLine)
{
    for (const char* model : {"Würfel", "立方体"}) {
        SCOPED_TRACE(model);
        TemporaryDirectory listed;
        TemporaryDirectory named;
        fs::path source = Utf8(std::string(model) + ".obj");
        fs::path header = Utf8(std::string(model) + ".h");
        WriteFileBytes(listed.path() / source, kTriangle);
        WriteFileBytes(named.path() / source, kTriangle);

        testing::RunResult bare = RunWide(listed.path(), {L"--seed", L"8"});
        testing::RunResult run = RunWide(named.path(), {L"--seed", L"8", source.native()});
        EXPECT_EQ(bare.exitStatus, 0) << bare.standardError;
        EXPECT_EQ(run.exitStatus, 0) << run.standardError;
        EXPECT_EQ(FileNames(named.path()), (std::vector<std::string>{Utf8Name(header), Utf8Name(source)}));
        EXPECT_EQ(ReadFileBytes(named.path() / header), ReadFileBytes(listed.path() / header));
    }
}

// The header forms chosen by UTF-16 options: one array per attribute, and
// the name's Latin-1 letter written as a universal character name, where
// without --ascii it is the single byte 0xFC.
TEST(WindowsEndToEnd, HeaderFormOptionsReachTheWriter)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory.path() / Utf8("Würfel.obj"), kTriangle);
    testing::RunResult run = RunWide(directory.path(), {L"--non-interleaved", L"--ascii", L"--seed", L"3"});
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    std::string header = ReadFileBytes(directory.path() / Utf8("Würfel.h"));
    EXPECT_NE(header.find("// If you want your data to be Interleaved use \"Torvane.exe\"\r\n"), std::string::npos);
    EXPECT_NE(header.find("#ifndef _W\\u00FCrfel_pos_\r\nconst float W\\u00FCrfel_pos[755][3] =\r\n"),
              std::string::npos);
    EXPECT_EQ(header.find("OBJ_VERT"), std::string::npos);
    EXPECT_EQ(header.find('\xFC'), std::string::npos);

    ASSERT_EQ(RunWide(directory.path(), {L"--seed", L"3"}).exitStatus, 0);
    header = ReadFileBytes(directory.path() / Utf8("Würfel.h"));
    EXPECT_NE(header.find("const OBJ_VERT W\xFCrfel_data[755] =\r\n"), std::string::npos);
}

TEST(WindowsEndToEnd, ReadOnlyHeaderIsLeftAsItWasAndNamedInUtf8)
{
    TemporaryDirectory directory;
    WriteFileBytes(directory.path() / Utf8("Würfel.obj"), kTriangle);
    WriteFileBytes(directory.path() / Utf8("Würfel.h"), "keep me\r\n");
    WriteFileBytes(directory.path() / "ok.obj", kTriangle);
    MakeReadOnly(directory.path() / Utf8("Würfel.h"));

    testing::RunResult run = RunWide(directory.path(), {L"Würfel.obj", L"ok.obj"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, "torvane: Würfel.obj: cannot write Würfel.h: it is read-only\n");
    EXPECT_EQ(ReadFileBytes(directory.path() / Utf8("Würfel.h")), "keep me\r\n");
    EXPECT_EQ(FileNames(directory.path()), (std::vector<std::string>{"Würfel.h", "Würfel.obj", "ok.h", "ok.obj"}));
    SetFileAttributesW((directory.path() / Utf8("Würfel.h")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsEndToEnd, DirectoriesAndDevicesNamedAsModelsAreReported)
{
    TemporaryDirectory directory;
    fs::create_directory(directory.path() / "x.obj");
    testing::RunResult run = RunWide(directory.path(), {L"x.obj", L"NUL.obj"});
    EXPECT_EQ(run.exitStatus, 1);
    // Windows 11 no longer treats NUL.obj as the device, so it is missing.
    EXPECT_EQ(run.standardError.rfind("torvane: x.obj: cannot read: it is a directory\n"
                                      "torvane: NUL.obj: ",
                                      0),
              0u)
        << run.standardError;
    EXPECT_EQ(FileNames(directory.path()), std::vector<std::string>{"x.obj"});
}

TEST(WindowsEndToEnd, MissingModelIsNamedWithTheSystemsReason)
{
    TemporaryDirectory directory;
    testing::RunResult run = RunWide(directory.path(), {L"立方体.obj"});
    EXPECT_EQ(run.exitStatus, 1);
    const std::string prefix = "torvane: 立方体.obj: cannot open: ";
    ASSERT_GT(run.standardError.size(), prefix.size() + 1) << run.standardError;
    EXPECT_EQ(run.standardError.substr(0, prefix.size()), prefix);
    EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1);
    EXPECT_EQ(run.standardError.find('\r'), std::string::npos);
    EXPECT_NE(run.standardError[run.standardError.size() - 2], '.');
}

// The child writes its error line into a console screen buffer of this
// test; the cells read back are what a user would see, whatever the
// console's code page. Without a console (ctest redirects everything) there
// is nothing to look at.
TEST(WindowsEndToEnd, ErrorLinesNameWideFilesOnAConsole)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              &inherit, CONSOLE_TEXTMODE_BUFFER, nullptr);
    DWORD mode = 0;
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleMode(screen, &mode)) {
        if (screen != INVALID_HANDLE_VALUE)
            CloseHandle(screen);
        GTEST_SKIP() << "no console attached";
    }
    TemporaryDirectory directory;
    fs::create_directory(directory.path() / Utf8("Würfel.obj"));
    testing::RunResult run = RunWide(directory.path(), {L"Würfel.obj"}, screen);
    EXPECT_EQ(run.exitStatus, 1);

    const std::wstring expected = L"torvane: Würfel.obj: cannot read: it is a directory";
    std::wstring shown(expected.size() + 1, L'?');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()), {0, 0}, &read);
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(screen, &info);
    CloseHandle(screen);
    EXPECT_EQ(shown.substr(0, read), expected + L" ");
    EXPECT_EQ(info.dwCursorPosition.X, 0) << "the line was not ended";
    EXPECT_EQ(info.dwCursorPosition.Y, 1) << "one line, ended once";
}

}  // namespace
}  // namespace torvane

#endif  // _WIN32
