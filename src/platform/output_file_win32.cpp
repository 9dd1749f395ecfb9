// Headers on Windows. The header is written into a temporary file beside its
// target, marked for deletion until it is complete, so that not even a kill
// leaves it behind, then renamed over the target at once. Where the file
// system does not allow the mark, the console control handler removes the
// file on an interruption.

#include <atomic>

#include "platform/platform.h"
#include "platform/shared_win32.h"
#include "platform/temporary_files.h"

namespace torvane {
namespace {

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
        *error = "cannot write " + ToUtf8(targetPath) + ": it is a directory";
        return false;
    }
    if (IsReadOnlyPath(targetPath)) {
        *error = "cannot write " + ToUtf8(targetPath) + ": it is read-only";
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
            *error = failure + Reason(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        if (!ArmTemporarySlot(file->temporarySlot, candidate)) {
            *error = failure + Reason(ERROR_OPERATION_ABORTED);
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
            *error = failure + Reason(code);
            return false;
        }
    }
    *error = failure + "no free temporary name";
    return false;
}

// A commit that failed leaves the header as it was and no temporary file.
bool AbandonCommit(OutputFile& file, const char* failure, DWORD code, std::string* error)
{
    *error = failure + ToUtf8(file.targetPath) + ": " + Reason(code);
    DiscardOutput(file);
    return false;
}

}  // namespace

bool CreateOutput(const NativeString& targetPath, OutputFile* file, std::string* error)
{
    if (!CheckTarget(targetPath, error))
        return false;
    if (!ClaimTemporarySlot(&file->temporarySlot)) {
        *error = "cannot create " + ToUtf8(targetPath) + ": too many headers are being written at once";
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
            *error = "cannot write " + ToUtf8(file.targetPath) + ": " + Reason(code);
            return false;
        }
        data += count;
        size -= count;
    }
    return true;
}

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

void CloseOutputHandle(std::intptr_t handle)
{
    CloseHandle(ToHandle(handle));
}

void RemoveOutputFile(const NativeString& path)
{
    DeleteFileW(path.c_str());
}

bool MarkModifiedNow(const NativeString& path)
{
    HANDLE handle =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    BOOL set = SetFileTime(handle, nullptr, nullptr, &now);
    CloseHandle(handle);
    return set != FALSE;
}

}  // namespace torvane
