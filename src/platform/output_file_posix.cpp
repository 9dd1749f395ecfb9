// Headers on POSIX systems. On Linux the header is written into a file
// without a name in the target's directory (O_TMPFILE), so that not even
// SIGKILL, a crash or a power cut can leave a temporary file behind; it gets
// a temporary name only when complete and is renamed over the target at
// once. Where that is not offered (another system, a file system without
// such files, no /proc) it is written into a named temporary file, which the
// interruption handler removes.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/platform.h"
#include "platform/shared_posix.h"
#include "platform/temporary_files.h"

namespace torvane {
namespace {

enum class Naming { kCreateFile, kLinkUnnamedFile };

// No mode to carry over: a header without write permission is refused, so
// a regular old header's mode is never 0.
constexpr mode_t kNoMode = 0;

// The target's own name keeps a left-over temporary recognisable, the
// process id and a counter keep it apart from other writers.
NativeString NextTemporaryName(const NativeString& targetPath)
{
    static std::atomic<unsigned> counter{0};
    return targetPath + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

#if TORVANE_LINUX_CALLS

// linkat with AT_EMPTY_PATH needs a privilege; through /proc it does not.
std::string DescriptorPath(int descriptor)
{
    return "/proc/self/fd/" + std::to_string(descriptor);
}

NativeString DirectoryOf(const NativeString& path)
{
    std::size_t slash = path.find_last_of('/');
    if (slash == NativeString::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// -1 where the file system has no unnamed files or /proc is missing; the
// named road then reports any fault of the directory itself.
int OpenUnnamed(const NativeString& targetPath)
{
    int descriptor = open(DirectoryOf(targetPath).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor >= 0 && access(DescriptorPath(descriptor).c_str(), F_OK) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

int LinkUnnamed(int descriptor, const char* name)
{
    return linkat(AT_FDCWD, DescriptorPath(descriptor).c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW);
}

#else

int OpenUnnamed(const NativeString&)
{
    return -1;
}

int LinkUnnamed(int, const char*)
{
    errno = ENOTSUP;
    return -1;
}

#endif

// Gives the output a free temporary name beside its target: creates the
// file there, or links the unnamed file there. The name is armed before a
// file appears under it, so that an interruption at any moment removes it.
bool GiveTemporaryName(OutputFile& file, Naming naming, std::string* error)
{
    const std::string failure = "cannot create " + file.targetPath + ": ";
    for (int attempt = 0; attempt < 100; ++attempt) {
        NativeString name = NextTemporaryName(file.targetPath);
        if (name.size() >= kTemporaryPathCapacity) {
            *error = failure + Reason(ENAMETOOLONG);
            return false;
        }
        if (!ArmTemporarySlot(file.temporarySlot, name)) {
            *error = failure + Reason(EINTR);
            return false;
        }
        int result = naming == Naming::kCreateFile ? open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)
                                                   : LinkUnnamed(ToDescriptor(file.handle), name.c_str());
        if (result >= 0) {
            if (naming == Naming::kCreateFile)
                file.handle = result;
            file.temporaryPath = std::move(name);
            return true;
        }
        if (errno != EEXIST) {
            *error = failure + Reason(errno);
            return false;
        }
    }
    *error = failure + "no free temporary name";
    return false;
}

// Refuses a target that is a directory or read-only, looking through a
// symbolic link as the user's build would. Only a regular file that is the
// old header itself passes its mode on: in a shared folder another user may
// plant a link to a file of any mode under the header's name.
bool CheckTarget(const NativeString& targetPath, mode_t* keptMode, std::string* error)
{
    struct stat target;
    bool exists = lstat(targetPath.c_str(), &target) == 0;
    *keptMode = exists && S_ISREG(target.st_mode) ? target.st_mode & 07777 : kNoMode;
    if (exists && S_ISLNK(target.st_mode))
        exists = stat(targetPath.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) {
        *error = "cannot write " + targetPath + ": it is a directory";
        return false;
    }
    // Root could rename over a file without write permission; a header
    // that was made read-only is meant to stay as it is.
    if (exists && (target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        *error = "cannot write " + targetPath + ": it is read-only";
        return false;
    }
    return true;
}

// Gives the new file the mode of the header it replaces. Mostly the umask
// has given it that already, and a change of mode is a journal transaction
// that can wait for the file system's commit, so it is made only when due.
void KeepMode(int descriptor, mode_t mode)
{
    struct stat created;
    if (fstat(descriptor, &created) != 0 || (created.st_mode & 07777) != mode)
        fchmod(descriptor, mode);
}

}  // namespace

bool CreateOutput(const NativeString& targetPath, OutputFile* file, std::string* error)
{
    mode_t keptMode = kNoMode;
    if (!CheckTarget(targetPath, &keptMode, error))
        return false;
    if (!ClaimTemporarySlot(&file->temporarySlot)) {
        *error = "cannot create " + targetPath + ": too many headers are being written at once";
        return false;
    }
    file->targetPath = targetPath;
    file->handle = OpenUnnamed(targetPath);
    if (file->handle < 0 && !GiveTemporaryName(*file, Naming::kCreateFile, error)) {
        ReleaseTemporarySlot(&file->temporarySlot);
        return false;
    }
    if (keptMode != kNoMode)
        KeepMode(ToDescriptor(file->handle), keptMode);
    return true;
}

bool WriteOutput(OutputFile& file, const char* data, std::size_t size, std::string* error)
{
    while (size != 0) {
        ssize_t count = write(ToDescriptor(file.handle), data, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            *error = "cannot write " + file.targetPath + ": " + Reason(count < 0 ? errno : ENOSPC);
            return false;
        }
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

bool CommitOutput(OutputFile& file, std::string* error)
{
    if (file.temporaryPath.empty() && !GiveTemporaryName(file, Naming::kLinkUnnamedFile, error)) {
        DiscardOutput(file);
        return false;
    }
    int result = close(ToDescriptor(file.handle));
    file.handle = -1;
    if (result != 0) {
        *error = "cannot write " + file.targetPath + ": " + Reason(errno);
        DiscardOutput(file);
        return false;
    }
    if (rename(file.temporaryPath.c_str(), file.targetPath.c_str()) != 0) {
        *error = "cannot replace " + file.targetPath + ": " + Reason(errno);
        DiscardOutput(file);
        return false;
    }
    file.temporaryPath.clear();
    ReleaseTemporarySlot(&file.temporarySlot);
    return true;
}

void CloseOutputHandle(std::intptr_t handle)
{
    close(ToDescriptor(handle));
}

void RemoveOutputFile(const NativeString& path)
{
    unlink(path.c_str());
}

bool MarkModifiedNow(const NativeString& path)
{
    return utimensat(AT_FDCWD, path.c_str(), nullptr, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace torvane
