// The platform layer on Windows. Names stay UTF-16 from the directory
// listing or the command line to the open of the output, so a model named in
// any script is found, read and written under its own name; UTF-8 appears
// only in messages.

#include "platform/windows_api.h"
// shellapi.h needs the declarations of windows.h.
#include <shellapi.h>

#include <atomic>
#include <ctime>

#include "platform/platform.h"
#include "platform/temporary_files.h"

namespace torvane {
namespace {

// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
constexpr DWORD kMaxTransfer = DWORD{1} << 30;
constexpr DWORD kConsoleChunk = 8192;

HANDLE ToHandle(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

std::intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

DWORD Chunk(std::size_t size, DWORD limit)
{
    return size < limit ? static_cast<DWORD>(size) : limit;
}

// Without WC_ERR_INVALID_CHARS a lone surrogate in a name becomes U+FFFD
// instead of failing the whole message.
std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

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

// The system's text for an error code, trimmed to a clause that reads like
// strerror's after "cannot open: ": no line end, no full stop.
std::string Reason(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return "system error " + std::to_string(code);
    return ToUtf8(text);
}

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
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
        const wchar_t* next = wide.data();
        std::size_t left = wide.size();
        while (left != 0) {
            DWORD written = 0;
            if (!WriteConsoleW(handle, next, Chunk(left, kConsoleChunk), &written, nullptr) || written == 0)
                return;
            next += written;
            left -= written;
        }
        return;
    }
    const char* next = text.data();
    std::size_t left = text.size();
    while (left != 0) {
        DWORD written = 0;
        if (!WriteFile(handle, next, Chunk(left, kMaxTransfer), &written, nullptr) || written == 0)
            return;
        next += written;
        left -= written;
    }
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

bool IsDirectoryPath(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnlyPath(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Checked before anything is written, so that a header the user protected
// stays as it was and no temporary file is left behind. MoveFileExW would
// refuse a read-only target too, but only after the whole header had been
// produced, and with a bare "access denied".
bool CheckTarget(const std::wstring& targetPath, std::string* error)
{
    if (IsDirectoryPath(targetPath)) {
        SetError(error, "cannot write " + ToUtf8(targetPath) + ": it is a directory");
        return false;
    }
    if (IsReadOnlyPath(targetPath)) {
        SetError(error, "cannot write " + ToUtf8(targetPath) + ": it is read-only");
        return false;
    }
    return true;
}

// Marked so, the file goes when its last handle is closed, even when the
// process is killed. Where the file system does not allow it, an
// interruption handled by the console control handler still removes it.
bool MarkForDeletion(HANDLE handle, BOOL mark)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = mark;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool IsMarkedForDeletion(HANDLE handle)
{
    FILE_STANDARD_INFO standard = {};
    return GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) && standard.DeletePending;
}

// The target's own name keeps a left-over temporary recognisable, the
// process id and a counter keep it apart from other writers, and CREATE_NEW
// never opens a file that is already there. The name is armed before the
// file appears under it, so that an interruption at any moment removes it.
bool CreateTemporaryBeside(const std::wstring& targetPath, OutputFile* file, std::string* error)
{
    static std::atomic<unsigned> counter{0};
    const std::wstring process = std::to_wstring(GetCurrentProcessId());
    const std::string failure = "cannot create " + ToUtf8(targetPath) + ": ";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = targetPath + L"." + process + L"-" + std::to_wstring(counter++) + L".tmp";
        if (candidate.size() >= kTemporaryPathCapacity) {
            SetError(error, failure + Reason(ERROR_FILENAME_EXCED_RANGE));
            return false;
        }
        if (!ArmTemporarySlot(file->temporarySlot, candidate)) {
            SetError(error, failure + Reason(ERROR_OPERATION_ABORTED));
            return false;
        }
        HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            MarkForDeletion(handle, TRUE);
            file->handle = FromHandle(handle);
            file->temporaryPath = std::move(candidate);
            file->targetPath = targetPath;
            return true;
        }
        DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            SetError(error, failure + Reason(code));
            return false;
        }
    }
    SetError(error, failure + "no free temporary name");
    return false;
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
        SetError(error, "cannot list the current directory: " + Reason(code));
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
        SetError(error, "cannot list the current directory: " + Reason(code));
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
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        // A directory fails to open with "access denied", which would send
        // the user looking for a permission problem.
        if (IsDirectoryPath(path))
            SetError(error, "cannot read: it is a directory");
        else
            SetError(error, "cannot open: " + Reason(code));
        return false;
    }
    // CON, NUL, COM1 and pipes open as well, in any directory and with any
    // extension (nul.obj); reading the console would wait for the keyboard.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        SetError(error, "cannot read: it is not a regular file");
        return false;
    }
    LARGE_INTEGER size;
    file->handle = FromHandle(handle);
    file->size = GetFileSizeEx(handle, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    return true;
}

std::int64_t ReadInput(InputFile& file, char* buffer, std::size_t capacity, std::string* error)
{
    DWORD count = 0;
    if (!ReadFile(ToHandle(file.handle), buffer, Chunk(capacity, kMaxTransfer), &count, nullptr)) {
        SetError(error, "cannot read: " + Reason(GetLastError()));
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
        SetError(error, "cannot read: " + Reason(code));
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

bool CreateOutput(const NativeString& targetPath, OutputFile* file, std::string* error)
{
    if (!CheckTarget(targetPath, error))
        return false;
    if (!ClaimTemporarySlot(&file->temporarySlot)) {
        SetError(error, "cannot create " + ToUtf8(targetPath) + ": too many headers are being written at once");
        return false;
    }
    if (!CreateTemporaryBeside(targetPath, file, error)) {
        ReleaseTemporarySlot(&file->temporarySlot);
        return false;
    }
    return true;
}

bool WriteOutput(OutputFile& file, const char* data, std::size_t size, std::string* error)
{
    while (size != 0) {
        DWORD count = 0;
        BOOL written = WriteFile(ToHandle(file.handle), data, Chunk(size, kMaxTransfer), &count, nullptr);
        if (!written || count == 0) {
            DWORD code = written ? ERROR_DISK_FULL : GetLastError();
            SetError(error, "cannot write " + ToUtf8(file.targetPath) + ": " + Reason(code));
            return false;
        }
        data += count;
        size -= count;
    }
    return true;
}

namespace {

// A commit that failed leaves the header as it was and no temporary file.
bool AbandonCommit(OutputFile& file, const char* failure, DWORD code, std::string* error)
{
    SetError(error, failure + ToUtf8(file.targetPath) + ": " + Reason(code));
    DiscardOutput(file);
    return false;
}

}  // namespace

bool CommitOutput(OutputFile& file, std::string* error)
{
    HANDLE handle = ToHandle(file.handle);
    // Closed while still marked, the complete file would be deleted.
    if (!MarkForDeletion(handle, FALSE)) {
        DWORD code = GetLastError();
        if (IsMarkedForDeletion(handle))
            return AbandonCommit(file, "cannot write ", code, error);
    }
    BOOL closed = CloseHandle(handle);
    file.handle = -1;
    if (!closed)
        return AbandonCommit(file, "cannot write ", GetLastError(), error);
    // The header may have been made read-only while this one was written;
    // not every file system refuses to rename over it.
    if (!CheckTarget(file.targetPath, error)) {
        DiscardOutput(file);
        return false;
    }
    if (!MoveFileExW(file.temporaryPath.c_str(), file.targetPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        return AbandonCommit(file, "cannot replace ", GetLastError(), error);
    file.temporaryPath.clear();
    ReleaseTemporarySlot(&file.temporarySlot);
    return true;
}

void DiscardOutput(OutputFile& file)
{
    if (file.handle != -1)
        CloseHandle(ToHandle(file.handle));
    file.handle = -1;
    if (!file.temporaryPath.empty())
        DeleteFileW(file.temporaryPath.c_str());
    file.temporaryPath.clear();
    ReleaseTemporarySlot(&file.temporarySlot);
}

bool MarkModifiedNow(const NativeString& path)
{
    HANDLE handle =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    BOOL set = SetFileTime(handle, nullptr, nullptr, &now);
    CloseHandle(handle);
    return set != FALSE;
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
