// The platform layer's contract, checked on every platform so that the
// Windows and POSIX implementations cannot drift apart; the cases only
// Windows has (short names, devices, the console) follow under _WIN32.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/naming.h"
#include "platform/platform.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#endif

namespace torvane {
namespace {

namespace fs = std::filesystem;

fs::path Utf8Path(std::string_view utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

NativeString Native(std::string_view utf8)
{
    return Utf8Path(utf8).native();
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every case runs in a fresh directory of its own, made current because the
// listing reads the current directory and relative names resolve there.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory_ = fs::temp_directory_path() /
            (std::string("torvane-platform-") + info->name() + "-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(directory_);
        fs::current_path(directory_);
    }

    void TearDown() override
    {
        fs::current_path(previous_);
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(directory_, ignored))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(directory_, ignored);
    }

    std::vector<std::string> DirectoryEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory_)) {
            std::u8string name = entry.path().filename().u8string();
            names.emplace_back(name.begin(), name.end());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> ListedDisplayNames() const
    {
        std::vector<FileName> files;
        std::string error;
        EXPECT_TRUE(ListModelFiles(IsListedModelName, &files, &error)) << error;
        std::vector<std::string> names;
        for (const FileName& file : files)
            names.push_back(file.display);
        std::sort(names.begin(), names.end());
        return names;
    }

    static void MakeReadOnly(const fs::path& path)
    {
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }

    fs::path previous_;
    fs::path directory_;
};

using Names = std::vector<std::string>;

TEST_F(PlatformTest, ListingTakesOnlyFilesWhoseNameContainsLowerCaseObj)
{
    for (const char* name : {"a.obj", "MODEL.OBJ", "Model.Obj", "notes.txt", "a.obj.obj", ".obj", "obj", "b.obj.bak"})
        WriteBytes(name, "v 0 0 0\n");
    fs::create_directory("x.obj");

    EXPECT_EQ(ListedDisplayNames(), (Names{".obj", "a.obj", "a.obj.obj"}));
}

TEST_F(PlatformTest, ListingKeepsWideNamesIntact)
{
    WriteBytes(Utf8Path("Würfel.obj"), "");
    WriteBytes(Utf8Path("立方体.obj"), "");

    std::vector<FileName> files;
    std::string error;
    ASSERT_TRUE(ListModelFiles(IsListedModelName, &files, &error)) << error;
    ASSERT_EQ(files.size(), 2u);
    std::sort(files.begin(), files.end(), [](const FileName& a, const FileName& b) { return a.display < b.display; });
    EXPECT_EQ(files[0].display, "Würfel.obj");
    EXPECT_EQ(files[0].units, u"Würfel.obj");
    EXPECT_EQ(files[0].path, Native("Würfel.obj"));
    EXPECT_EQ(files[1].display, "立方体.obj");
    EXPECT_EQ(files[1].units, u"立方体.obj");
    EXPECT_EQ(files[1].path, Native("立方体.obj"));
}

TEST_F(PlatformTest, ListingAnEmptyDirectorySucceedsWithNoNames)
{
    WriteBytes("cube.h", "");
    EXPECT_EQ(ListedDisplayNames(), Names{});
}

TEST_F(PlatformTest, ArgumentKeepsItsPathButNamesItsLastComponent)
{
    FileName nested = FileNameFromArgument(Native("models/old/Würfel.obj"));
    EXPECT_EQ(nested.path, Native("models/old/Würfel.obj"));
    EXPECT_EQ(nested.units, u"Würfel.obj");
    EXPECT_EQ(nested.display, "models/old/Würfel.obj");

    FileName bare = FileNameFromArgument(Native("立方体.obj"));
    EXPECT_EQ(bare.units, u"立方体.obj");
    EXPECT_EQ(bare.display, "立方体.obj");
}

#ifdef _WIN32
TEST_F(PlatformTest, ArgumentWithBackslashesOrADriveNamesTheFileAlone)
{
    EXPECT_EQ(FileNameFromArgument(L"models\\crate.obj").units, u"crate.obj");
    EXPECT_EQ(FileNameFromArgument(L"C:\\models/crate.obj").units, u"crate.obj");
    EXPECT_EQ(FileNameFromArgument(L"D:crate.obj").units, u"crate.obj");
    EXPECT_EQ(FileNameFromArgument(L"D:crate.obj").display, "D:crate.obj");
}
#endif

TEST_F(PlatformTest, LettersOfAnyScriptAreLettersAndDigitsAreNot)
{
    for (char16_t letter : {u'a', u'Z', u'ü', u'ß', u'Ж', u'λ', u'立', u'あ'}) {
        EXPECT_TRUE(IsLetter(letter)) << static_cast<int>(letter);
        EXPECT_TRUE(IsLetterOrDigit(letter)) << static_cast<int>(letter);
    }
    for (char16_t digit : {u'0', u'7', u'9'}) {
        EXPECT_FALSE(IsLetter(digit)) << static_cast<int>(digit);
        EXPECT_TRUE(IsLetterOrDigit(digit)) << static_cast<int>(digit);
    }
    for (char16_t other : {u'_', u'.', u'-', u' ', u'$', u'\0', u'\u00A0'}) {
        EXPECT_FALSE(IsLetter(other)) << static_cast<int>(other);
        EXPECT_FALSE(IsLetterOrDigit(other)) << static_cast<int>(other);
    }
}

TEST_F(PlatformTest, SurrogatesAreNeverLettersEvenWhenThePairWouldBe)
{
    // U+1D400 MATHEMATICAL BOLD CAPITAL A is a letter, but each half of its
    // surrogate pair is classified on its own.
    for (char16_t half : {char16_t(0xD835), char16_t(0xDC00), char16_t(0xD800), char16_t(0xDFFF)}) {
        EXPECT_FALSE(IsLetter(half)) << static_cast<int>(half);
        EXPECT_FALSE(IsLetterOrDigit(half)) << static_cast<int>(half);
    }
}

TEST_F(PlatformTest, CalendarTimeIsTheCurrentTimeInSeconds)
{
    auto before = static_cast<std::uint32_t>(std::time(nullptr));
    std::uint32_t now = CalendarTimeSeconds();
    auto after = static_cast<std::uint32_t>(std::time(nullptr));
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
}

TEST_F(PlatformTest, InputIsReadWholeInPiecesOfAnySize)
{
    std::string content = "v 1 2 3\r\nf 1 1 1\n";
    content.push_back('\0');
    content += "\x1a tail";
    WriteBytes(Utf8Path("Würfel.obj"), content);

    InputFile file;
    std::string error;
    ASSERT_TRUE(OpenInput(Native("Würfel.obj"), &file, &error)) << error;
    std::string read;
    char buffer[5];
    for (;;) {
        std::int64_t count = ReadInput(file, buffer, sizeof buffer, &error);
        ASSERT_GE(count, 0) << error;
        if (count == 0)
            break;
        ASSERT_LE(count, 5);
        read.append(buffer, static_cast<std::size_t>(count));
    }
    CloseInput(file);
    EXPECT_EQ(read, content);
}

TEST_F(PlatformTest, MissingInputNamesTheSystemReasonAsOneClause)
{
    InputFile file;
    std::string error;
    EXPECT_FALSE(OpenInput(Native("missing.obj"), &file, &error));
    const std::string prefix = "cannot open: ";
    ASSERT_GT(error.size(), prefix.size()) << error;
    EXPECT_EQ(error.substr(0, prefix.size()), prefix);
    EXPECT_NE(error.back(), '.') << error;
    EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
}

TEST_F(PlatformTest, DirectoryIsRefusedAsInput)
{
    fs::create_directory("x.obj");
    InputFile file;
    std::string error;
    EXPECT_FALSE(OpenInput(Native("x.obj"), &file, &error));
    EXPECT_EQ(error, "cannot read: it is a directory");
}

TEST_F(PlatformTest, CommittedOutputReplacesTheTargetWithExactBytes)
{
    WriteBytes("Cube.h", "old header that is longer than the new one\n");
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput(Native("Cube.h"), &output, &error)) << error;
    // No line-end translation: the writer chose CR LF itself.
    ASSERT_TRUE(WriteOutput(output, "a\r\nb\n", 5, &error)) << error;
    ASSERT_TRUE(WriteOutput(output, "\x1a\0z", 3, &error)) << error;
    ASSERT_TRUE(CommitOutput(output, &error)) << error;

    EXPECT_EQ(ReadBytes("Cube.h"), std::string("a\r\nb\n\x1a\0z", 8));
    EXPECT_EQ(DirectoryEntries(), Names{"Cube.h"});
}

TEST_F(PlatformTest, OutputIsInvisibleUntilCommitted)
{
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput(Native("立方体.h"), &output, &error)) << error;
    ASSERT_TRUE(WriteOutput(output, "x", 1, &error)) << error;
    EXPECT_FALSE(fs::exists(Utf8Path("立方体.h")));
    ASSERT_TRUE(CommitOutput(output, &error)) << error;
    EXPECT_EQ(ReadBytes(Utf8Path("立方体.h")), "x");
    EXPECT_EQ(DirectoryEntries(), Names{"立方体.h"});
}

TEST_F(PlatformTest, DiscardedOrDroppedOutputLeavesTheTargetAndNoTemporary)
{
    WriteBytes(Utf8Path("Würfel.h"), "keep me");
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput(Native("Würfel.h"), &output, &error)) << error;
    ASSERT_TRUE(WriteOutput(output, "half", 4, &error)) << error;
    DiscardOutput(output);
    // More outputs than can be written at once: each that goes uncommitted
    // must give its place back.
    for (int i = 0; i < 300; ++i) {
        OutputFile dropped;
        ASSERT_TRUE(CreateOutput(Native("Würfel.h"), &dropped, &error)) << i << ": " << error;
        ASSERT_TRUE(WriteOutput(dropped, "half", 4, &error)) << error;
    }

    EXPECT_EQ(ReadBytes(Utf8Path("Würfel.h")), "keep me");
    EXPECT_EQ(DirectoryEntries(), Names{"Würfel.h"});
}

TEST_F(PlatformTest, ReadOnlyHeaderIsRefusedBeforeAnythingIsWritten)
{
    WriteBytes("Cube.h", "protected");
    MakeReadOnly("Cube.h");
    OutputFile output;
    std::string error;
    EXPECT_FALSE(CreateOutput(Native("Cube.h"), &output, &error));
    EXPECT_EQ(error, "cannot write Cube.h: it is read-only");
    EXPECT_EQ(ReadBytes("Cube.h"), "protected");
    EXPECT_EQ(DirectoryEntries(), Names{"Cube.h"});
}

TEST_F(PlatformTest, OutputIntoAMissingDirectoryFailsWithTheSystemReason)
{
    OutputFile output;
    std::string error;
    EXPECT_FALSE(CreateOutput(Native("no-such-dir/Cube.h"), &output, &error));
    const std::string prefix = "cannot create no-such-dir/Cube.h: ";
    ASSERT_GT(error.size(), prefix.size()) << error;
    EXPECT_EQ(error.substr(0, prefix.size()), prefix);
    EXPECT_NE(error.back(), '.') << error;
    EXPECT_EQ(DirectoryEntries(), Names{});
}

#ifdef _WIN32

// The short name the file system gave a file, or its own name where the
// volume keeps no 8.3 names (the default on most non-system NTFS volumes).
std::wstring ShortNameOf(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetShortPathNameW(name, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return name;
    return std::wstring(buffer, length);
}

bool EndsWithObjIgnoringCase(const std::wstring& name)
{
    return name.size() >= 4 && _wcsicmp(name.c_str() + name.size() - 4, L".obj") == 0;
}

TEST_F(PlatformTest, PatternMatchesThroughShortNamesAndTheLongNameDecides)
{
    // Neither long name matches "*.obj", but where the volume keeps 8.3
    // names their short names end in ".OBJ" (like SCAN~1.OBJ), which it does
    // match. scan.objx contains ".obj" and is then taken; MODEL.OBJX is not,
    // as ".OBJ" differs in case.
    WriteBytes("scan.objx", "");
    WriteBytes("MODEL.OBJX", "");
    Names expected;
    if (EndsWithObjIgnoringCase(ShortNameOf(L"scan.objx")))
        expected.push_back("scan.objx");
    EXPECT_EQ(ListedDisplayNames(), expected);
}

TEST_F(PlatformTest, DevicesAreRefusedInsteadOfRead)
{
    InputFile file;
    std::string error;
    EXPECT_FALSE(OpenInput(L"NUL", &file, &error));
    EXPECT_EQ(error, "cannot read: it is not a regular file");
    // Before Windows 11 a device name takes any extension; either way
    // nul.obj is no model. The console either does not open (none
    // attached) or is refused: reading it would wait for the keyboard.
    for (const wchar_t* device : {L"nul.obj", L"CON"})
        EXPECT_FALSE(OpenInput(device, &file, &error)) << error;
}

TEST_F(PlatformTest, HeaderTurnedReadOnlyAfterCreationIsStillNotReplaced)
{
    WriteBytes("Cube.h", "protected");
    OutputFile output;
    std::string error;
    ASSERT_TRUE(CreateOutput(L"Cube.h", &output, &error)) << error;
    ASSERT_TRUE(WriteOutput(output, "new", 3, &error)) << error;
    MakeReadOnly("Cube.h");
    EXPECT_FALSE(CommitOutput(output, &error));
    EXPECT_EQ(error, "cannot write Cube.h: it is read-only");
    EXPECT_EQ(ReadBytes("Cube.h"), "protected");
    EXPECT_EQ(DirectoryEntries(), Names{"Cube.h"});
}

// Writes go to a console screen buffer of the test's own, and the cells are
// read back: what a user sees, whatever the console's code page. Without a
// console (output redirected, as under ctest) there is nothing to check.
TEST_F(PlatformTest, ErrorLinesShowWideNamesOnAConsole)
{
    HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              CONSOLE_TEXTMODE_BUFFER, nullptr);
    DWORD mode = 0;
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleMode(screen, &mode)) {
        if (screen != INVALID_HANDLE_VALUE)
            CloseHandle(screen);
        GTEST_SKIP() << "no console attached";
    }
    HANDLE previous = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, screen);
    PrintErrorLine("torvane: Würfel.obj: 立");
    SetStdHandle(STD_ERROR_HANDLE, previous);

    // The CJK letter comes last: it may fill two cells.
    const std::wstring expected = L"torvane: Würfel.obj: 立";
    std::wstring shown(expected.size(), L'?');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()), {0, 0}, &read);
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(screen, &info);
    CloseHandle(screen);

    EXPECT_EQ(shown.substr(0, read), expected);
    EXPECT_EQ(info.dwCursorPosition.X, 0) << "the line was not ended";
    EXPECT_EQ(info.dwCursorPosition.Y, 1) << "the line was not ended";
}

#endif  // _WIN32

}  // namespace
}  // namespace torvane
