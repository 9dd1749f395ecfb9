// The platform layer on Windows: wide (UTF-16) names end to end, so a model
// named in any script is found, opened and written under its own name.

#include "platform/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <ctime>

namespace torvane {
namespace {

// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
constexpr DWORD kMaxTransfer = 1u << 30;

HANDLE ToHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }
std::intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

std::string ToUtf8(const wchar_t* text, std::size_t length) {
    if (length == 0) return {};
    // Without WC_ERR_INVALID_CHARS a lone surrogate becomes U+FFFD instead of
    // failing the whole conversion, which is what a message wants.
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                   nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size,
                            nullptr, nullptr);
    }
    return result;
}

std::string ToUtf8(const std::wstring& text) { return ToUtf8(text.data(), text.size()); }

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                            result.data(), size);
    }
    return result;
}

// The system's text for an error code, as one clause that fits after
// "cannot open: ": no line end and no closing full stop.
std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr) text.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' ||
                             text.back() == L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    if (text.empty()) return "error " + std::to_string(code);
    return ToUtf8(text);
}

std::string Failure(const char* what, DWORD code) {
    return std::string(what) + ": " + SystemMessage(code);
}

void SetError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetConsoleMode(handle, &mode) != 0;
}

// A console shows UTF-16 as it is, whatever its code page; anywhere else
// (a pipe, a file) the bytes go out unchanged, as on every other platform.
void WriteStandardStream(DWORD which, const std::string& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    if (IsConsole(handle)) {
        std::wstring wide = FromUtf8(text);
        const wchar_t* next = wide.data();
        std::size_t left = wide.size();
        while (left > 0) {
            DWORD chunk = static_cast<DWORD>(left < 8192 ? left : 8192);
            DWORD written = 0;
            if (!WriteConsoleW(handle, next, chunk, &written, nullptr) || written == 0) return;
            next += written;
            left -= written;
        }
        return;
    }
    const char* next = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        DWORD chunk = static_cast<DWORD>(left < kMaxTransfer ? left : kMaxTransfer);
        DWORD written = 0;
        if (!WriteFile(handle, next, chunk, &written, nullptr) || written == 0) return;
        next += written;
        left -= written;
    }
}

std::size_t FileNameStart(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"/\\");
    if (slash != std::wstring::npos) return slash + 1;
    // "C:cube.obj" names cube.obj in drive C's current directory.
    if (path.size() >= 2 && path[1] == L':') return 2;
    return 0;
}

FileName MakeFileName(std::wstring path) {
    FileName name;
    std::wstring own = path.substr(FileNameStart(path));
    name.units.assign(own.begin(), own.end());
    name.display = ToUtf8(path);
    name.path = std::move(path);
    return name;
}

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The target is checked before anything is written, so that a header the
// user protected stays as it was and no temporary file is left behind.
bool CheckTarget(const std::wstring& targetPath, std::string* error) {
    DWORD attributes = GetFileAttributesW(targetPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return true;
        SetError(error, Failure("cannot write", code));
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetError(error, "cannot write: a directory of that name exists");
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetError(error, "header is read-only");
        return false;
    }
    return true;
}

// A name that no other writer uses: the target's own name keeps it
// recognisable, the process id and a counter keep it unique, and CREATE_NEW
// makes sure an existing file is never opened.
HANDLE CreateTemporaryBeside(const std::wstring& targetPath, std::wstring* temporaryPath,
                             DWORD* code) {
    static unsigned counter = 0;
    const DWORD process = GetCurrentProcessId();
    for (int attempt = 0; attempt < 100; ++attempt) {
        ++counter;
        std::wstring candidate = targetPath + L".tmp" + std::to_wstring(process) + L"-" +
                                 std::to_wstring(GetTickCount() + counter);
        HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            *temporaryPath = std::move(candidate);
            return handle;
        }
        *code = GetLastError();
        if (*code != ERROR_FILE_EXISTS && *code != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

void CloseOutputHandle(OutputFile& file) {
    if (file.handle != -1) {
        CloseHandle(ToHandle(file.handle));
        file.handle = -1;
    }
}

}  // namespace

void InitializeProcess() {
    // A name on an empty card reader or a lost network drive must fail like
    // any other open, not stop the batch behind a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

bool ListModelFiles(std::vector<FileName>* names, std::string* error) {
    names->clear();
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(L"*.obj", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return true;
        SetError(error, Failure("cannot list the current directory", code));
        return false;
    }
    // The pattern also matches through 8.3 short names and without regard to
    // case, so the listing is filtered again on the long name.
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (std::wcsstr(entry.cFileName, L".obj") == nullptr) continue;
        names->push_back(MakeFileName(entry.cFileName));
    } while (FindNextFileW(search, &entry));
    DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES) {
        SetError(error, Failure("cannot list the current directory", code));
        return false;
    }
    return true;
}

std::vector<NativeString> CommandLineArguments(int argc, char** argv) {
    std::vector<NativeString> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 1; i < count; ++i) arguments.emplace_back(wide[i]);
        LocalFree(wide);
        return arguments;
    }
    // Only reached when the system cannot allocate; the narrow arguments are
    // in the ANSI code page then.
    for (int i = 1; i < argc; ++i) {
        int size = MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0);
        std::wstring argument(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
        if (size > 0) MultiByteToWideChar(CP_ACP, 0, argv[i], -1, argument.data(), size);
        argument.resize(argument.size() - 1);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

FileName FileNameFromArgument(const NativeString& argument) { return MakeFileName(argument); }

bool IsLetter(char16_t unit) {
    return !IsSurrogate(unit) && IsCharAlphaW(static_cast<WCHAR>(unit)) != 0;
}

bool IsLetterOrDigit(char16_t unit) {
    return !IsSurrogate(unit) && IsCharAlphaNumericW(static_cast<WCHAR>(unit)) != 0;
}

std::uint32_t CalendarTimeSeconds() {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(_time64(nullptr)));
}

bool OpenInput(const NativeString& path, InputFile* file, std::string* error) {
    file->handle = -1;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        // Opening a directory fails with "access denied", which would send
        // the user looking for a permission problem.
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            SetError(error, "cannot open: is a directory");
        } else {
            SetError(error, Failure("cannot open", code));
        }
        return false;
    }
    // CON, NUL, COM1 and named pipes open too; reading the console would wait
    // for the keyboard, so only files on a disk are read.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        SetError(error, "cannot open: not a regular file");
        return false;
    }
    file->handle = FromHandle(handle);
    return true;
}

std::int64_t ReadInput(InputFile& file, char* buffer, std::size_t capacity, std::string* error) {
    DWORD request = static_cast<DWORD>(capacity < kMaxTransfer ? capacity : kMaxTransfer);
    DWORD received = 0;
    if (!ReadFile(ToHandle(file.handle), buffer, request, &received, nullptr)) {
        SetError(error, Failure("cannot read", GetLastError()));
        return -1;
    }
    return static_cast<std::int64_t>(received);
}

void CloseInput(InputFile& file) {
    if (file.handle != -1) {
        CloseHandle(ToHandle(file.handle));
        file.handle = -1;
    }
}

bool CreateOutput(const NativeString& targetPath, OutputFile* file, std::string* error) {
    file->handle = -1;
    file->temporaryPath.clear();
    file->targetPath = targetPath;
    if (!CheckTarget(targetPath, error)) return false;
    DWORD code = 0;
    HANDLE handle = CreateTemporaryBeside(targetPath, &file->temporaryPath, &code);
    if (handle == INVALID_HANDLE_VALUE) {
        SetError(error, Failure("cannot write", code));
        return false;
    }
    file->handle = FromHandle(handle);
    return true;
}

bool WriteOutput(OutputFile& file, const char* data, std::size_t size, std::string* error) {
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(size < kMaxTransfer ? size : kMaxTransfer);
        DWORD written = 0;
        if (!WriteFile(ToHandle(file.handle), data, chunk, &written, nullptr)) {
            SetError(error, Failure("cannot write", GetLastError()));
            return false;
        }
        if (written == 0) {
            SetError(error, Failure("cannot write", ERROR_DISK_FULL));
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool CommitOutput(OutputFile& file, std::string* error) {
    HANDLE handle = ToHandle(file.handle);
    // A rename that reaches the disk before the data would leave an empty
    // header after a power cut, worse than the old one.
    if (!FlushFileBuffers(handle)) {
        SetError(error, Failure("cannot write", GetLastError()));
        DiscardOutput(file);
        return false;
    }
    CloseOutputHandle(file);
    if (!MoveFileExW(file.temporaryPath.c_str(), file.targetPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD code = GetLastError();
        // The target may have turned read-only since it was checked.
        DWORD attributes = GetFileAttributesW(file.targetPath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            SetError(error, "header is read-only");
        } else {
            SetError(error, Failure("cannot write", code));
        }
        DiscardOutput(file);
        return false;
    }
    file.temporaryPath.clear();
    return true;
}

void DiscardOutput(OutputFile& file) {
    CloseOutputHandle(file);
    if (!file.temporaryPath.empty()) {
        DeleteFileW(file.temporaryPath.c_str());
        file.temporaryPath.clear();
    }
}

void PrintErrorLine(const std::string& line) { WriteStandardStream(STD_ERROR_HANDLE, line + "\n"); }

void PrintOutput(const std::string& text) { WriteStandardStream(STD_OUTPUT_HANDLE, text); }

}  // namespace torvane
