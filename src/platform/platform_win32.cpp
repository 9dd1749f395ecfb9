// The platform layer on Windows (its output files in output_file_win32.cpp).
// Names stay UTF-16 from the directory listing or the command line to the
// open of the output, so a model named in any script is found, read and
// written under its own name; UTF-8 appears only in messages.

#include "platform/windows_api.h"
// shellapi.h needs the declarations of windows.h.
#include <shellapi.h>

#include <ctime>

#include "platform/platform.h"
#include "platform/shared_win32.h"

namespace torvane {
namespace {

constexpr DWORD kConsoleChunk = 8192;

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return {};
    int length = static_cast<int>(text.size());
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), size);
    return result;
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// Writes units from next on in calls of at most limit units, until all are
// written or a call fails or writes nothing.
template <typename Unit, typename Write>
void WriteInChunks(const Unit* next, std::size_t left, DWORD limit, Write write)
{
    while (left != 0) {
        DWORD written = 0;
        if (!write(next, Chunk(left, limit), &written) || written == 0)
            return;
        next += written;
        left -= written;
    }
}

// A console shows UTF-16 as it is, whatever its code page; a pipe or a file
// gets the UTF-8 bytes unchanged, as on every other platform.
void WriteStandardStream(DWORD which, const std::string& text)
{
    HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE || text.empty())
        return;
    if (IsConsole(handle)) {
        std::wstring wide = FromUtf8(text);
        WriteInChunks(wide.data(), wide.size(), kConsoleChunk, [&](const wchar_t* next, DWORD size, DWORD* written) {
            return WriteConsoleW(handle, next, size, written, nullptr);
        });
        return;
    }
    WriteInChunks(text.data(), text.size(), kMaxTransfer, [&](const char* next, DWORD size, DWORD* written) {
        return WriteFile(handle, next, size, written, nullptr);
    });
}

std::size_t FileNameStart(const std::wstring& path)
{
    std::size_t separator = path.find_last_of(L"/\\");
    if (separator != std::wstring::npos)
        return separator + 1;
    // "D:crate.obj" is crate.obj in the current directory of drive D.
    if (path.size() >= 2 && path[1] == L':')
        return 2;
    return 0;
}

bool IsSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

bool OpenRegularFile(const NativeString& path, DWORD flags, InputFile* file, std::string* error)
{
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        // A directory fails to open with "access denied", which would send
        // the user looking for a permission problem.
        if (IsDirectoryPath(path))
            *error = "cannot read: it is a directory";
        else
            *error = "cannot open: " + Reason(code);
        return false;
    }
    // CON, NUL, COM1 and pipes open as well, in any directory and with any
    // extension (nul.obj); reading the console would wait for the keyboard.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        *error = "cannot read: it is not a regular file";
        return false;
    }
    LARGE_INTEGER size;
    file->handle = FromHandle(handle);
    file->size = GetFileSizeEx(handle, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    return true;
}

}  // namespace

void InitializeProcess()
{
    // A name on an empty card reader or a lost network drive must fail like
    // any other open, not stop the batch behind a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::vector<NativeString> CommandLineArguments(int argc, char** argv)
{
    std::vector<NativeString> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        for (int i = 1; i < count; ++i)
            arguments.emplace_back(wide[i]);
        LocalFree(wide);
        return arguments;
    }
    // Only when the system is out of memory: the narrow arguments, which
    // are in the ANSI code page.
    for (int i = 1; i < argc; ++i) {
        int size = MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0);
        std::wstring argument(static_cast<std::size_t>(size > 1 ? size : 1), L'\0');
        if (size > 1)
            MultiByteToWideChar(CP_ACP, 0, argv[i], -1, argument.data(), size);
        argument.pop_back();
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

FileName FileNameFromArgument(const NativeString& argument)
{
    FileName name;
    name.path = argument;
    std::size_t start = FileNameStart(argument);
    name.units.assign(argument.begin() + static_cast<std::ptrdiff_t>(start), argument.end());
    name.display = ToUtf8(argument);
    return name;
}

bool ListModelFiles(bool (*isModelName)(const NativeString& name), std::vector<FileName>* names, std::string* error)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(L"*.obj", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return true;
        *error = "cannot list the current directory: " + Reason(code);
        return false;
    }
    // The pattern matches without regard to case and also through 8.3 short
    // names (scan.objx as SCAN~1.OBJ), so the long name decides.
    // Directories are never models.
    do {
        NativeString name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isModelName(name))
            names->push_back(FileNameFromArgument(name));
    } while (FindNextFileW(search, &entry));
    DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES) {
        *error = "cannot list the current directory: " + Reason(code);
        return false;
    }
    return true;
}

bool IsLetter(char16_t unit)
{
    return !IsSurrogate(unit) && IsCharAlphaW(static_cast<WCHAR>(unit));
}

bool IsLetterOrDigit(char16_t unit)
{
    return !IsSurrogate(unit) && IsCharAlphaNumericW(static_cast<WCHAR>(unit));
}

std::uint32_t CalendarTimeSeconds()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(_time64(nullptr)));
}

bool OpenInput(const NativeString& path, InputFile* file, std::string* error)
{
    return OpenRegularFile(path, FILE_FLAG_SEQUENTIAL_SCAN, file, error);
}

bool OpenInputNotFollowingLinks(const NativeString& path, InputFile* file, std::string* error)
{
    if (!OpenRegularFile(path, FILE_FLAG_OPEN_REPARSE_POINT, file, error))
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(ToHandle(file->handle), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseInput(*file);
        *error = "cannot read: it is a link";
        return false;
    }
    return true;
}

std::int64_t ReadInput(InputFile& file, char* buffer, std::size_t capacity, std::string* error)
{
    DWORD count = 0;
    if (!ReadFile(ToHandle(file.handle), buffer, Chunk(capacity, kMaxTransfer), &count, nullptr)) {
        *error = "cannot read: " + Reason(GetLastError());
        return -1;
    }
    return count;
}

std::int64_t ReadInputAt(InputFile& file, std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error)
{
    // On a handle opened for synchronous reading, the offset in OVERLAPPED
    // says where to read; reading past the end gives 0 bytes or EOF.
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD count = 0;
    if (!ReadFile(ToHandle(file.handle), buffer, Chunk(capacity, kMaxTransfer), &count, &at)) {
        DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF)
            return 0;
        *error = "cannot read: " + Reason(code);
        return -1;
    }
    return count;
}

void CloseInput(InputFile& file)
{
    if (file.handle != -1)
        CloseHandle(ToHandle(file.handle));
    file.handle = -1;
}

void PrintErrorLine(const std::string& line)
{
    WriteStandardStream(STD_ERROR_HANDLE, line + "\n");
}

void PrintOutput(const std::string& text)
{
    WriteStandardStream(STD_OUTPUT_HANDLE, text);
}

}  // namespace torvane
