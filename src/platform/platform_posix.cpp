#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unicode/uchar.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace torvane {
namespace {

std::string Reason(int error)
{
    return std::strerror(error);
}

int ToDescriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

// Names on disk are bytes; the identifier rules work on UTF-16 code units,
// so decode UTF-8, turning every byte that is not part of a valid sequence
// into U+FFFD.
std::u16string DecodeUtf8(const std::string& bytes)
{
    std::u16string units;
    std::size_t i = 0;
    auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    auto isContinuation = [&](std::size_t k) { return k < bytes.size() && (byteAt(k) & 0xC0) == 0x80; };
    while (i < bytes.size()) {
        unsigned char lead = byteAt(i);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                           : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0;
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = isContinuation(i + k);
            if (valid)
                code = (code << 6) | (byteAt(i + k) & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (valid && ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
                      (length == 4 && (code < 0x10000 || code > 0x10FFFF))))
            valid = false;
        if (!valid) {
            units.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return units;
}

bool EndsWithModelExtension(const char* name)
{
    std::size_t length = std::strlen(name);
    return length >= 4 && strcasecmp(name + length - 4, ".obj") == 0;
}

bool IsDirectory(const char* name, unsigned char type)
{
    if (type == DT_DIR)
        return true;
    if (type != DT_UNKNOWN && type != DT_LNK)
        return false;
    struct stat status;
    return stat(name, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

void InitializeProcess()
{
    // Past a file size limit, write must fail with EFBIG so that the header
    // is reported and discarded, instead of the process being killed.
    signal(SIGXFSZ, SIG_IGN);
    // A reader of the error lines that quits early must not cost the user
    // the headers of the remaining models: the lines it missed are dropped.
    signal(SIGPIPE, SIG_IGN);
}

std::vector<NativeString> CommandLineArguments(int argc, char** argv)
{
    return std::vector<NativeString>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

FileName FileNameFromArgument(const NativeString& argument)
{
    FileName name;
    name.path = argument;
    std::size_t slash = argument.find_last_of('/');
    name.units = DecodeUtf8(slash == NativeString::npos ? argument : argument.substr(slash + 1));
    name.display = argument;
    return name;
}

bool ListModelFiles(std::vector<FileName>* names, std::string* error)
{
    DIR* directory = opendir(".");
    if (!directory) {
        *error = "cannot list the current directory: " + Reason(errno);
        return false;
    }
    // The platform's "*.obj" pattern matches without regard to case; the
    // name must then contain ".obj" exactly. Directories are never models.
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (EndsWithModelExtension(name) && std::strstr(name, ".obj") && !IsDirectory(name, entry->d_type))
            names->push_back(FileNameFromArgument(name));
    }
    int listingError = errno;
    closedir(directory);
    if (listingError != 0) {
        *error = "cannot list the current directory: " + Reason(listingError);
        return false;
    }
    return true;
}

bool IsLetter(char16_t unit)
{
    return u_isalpha(static_cast<UChar32>(unit));
}

bool IsLetterOrDigit(char16_t unit)
{
    return u_isalnum(static_cast<UChar32>(unit));
}

std::uint32_t CalendarTimeSeconds()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
}

bool OpenInput(const NativeString& path, InputFile* file, std::string* error)
{
    // Non-blocking, so that opening a FIFO without a writer cannot hang.
    int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        *error = "cannot open: " + Reason(errno);
        return false;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        *error = "cannot read: " + Reason(errno);
        close(descriptor);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = S_ISDIR(status.st_mode) ? "cannot read: it is a directory"
                                         : "cannot read: it is not a regular file";
        close(descriptor);
        return false;
    }
    file->handle = descriptor;
    file->size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

std::int64_t ReadInput(InputFile& file, char* buffer, std::size_t capacity, std::string* error)
{
    for (;;) {
        ssize_t count = read(ToDescriptor(file.handle), buffer, capacity);
        if (count >= 0)
            return count;
        if (errno != EINTR) {
            *error = "cannot read: " + Reason(errno);
            return -1;
        }
    }
}

std::int64_t ReadInputAt(InputFile& file, std::uint64_t offset, char* buffer, std::size_t capacity,
                         std::string* error)
{
    for (;;) {
        ssize_t count = pread(ToDescriptor(file.handle), buffer, capacity, static_cast<off_t>(offset));
        if (count >= 0)
            return count;
        if (errno != EINTR) {
            *error = "cannot read: " + Reason(errno);
            return -1;
        }
    }
}

void CloseInput(InputFile& file)
{
    if (file.handle >= 0)
        close(ToDescriptor(file.handle));
    file.handle = -1;
}

void PrintErrorLine(const std::string& line)
{
    std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void PrintOutput(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace torvane
