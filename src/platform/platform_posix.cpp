#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/letter_table.h"
#include "platform/platform.h"
#include "platform/shared_posix.h"

namespace torvane {
namespace {

// Models over 2 GiB are read at offsets past 32 bits; the build asks for a
// 64-bit off_t where the system's default is narrower (_FILE_OFFSET_BITS).
static_assert(sizeof(off_t) >= sizeof(std::uint64_t), "file offsets need 64 bits");

constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// How many bytes a sequence starting with lead takes; 0 for a byte that
// cannot start one (a continuation byte, or a lead of an overlong 2-byte
// form or of a value past U+10FFFF).
std::size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead < 0xC2)
        return 0;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    if (lead < 0xF5)
        return 4;
    return 0;
}

// The code point of the length bytes at bytes[start], or kNotUtf8 when they
// are not one well-formed sequence.
char32_t DecodeUtf8Sequence(const std::string& bytes, std::size_t start, std::size_t length)
{
    constexpr unsigned char kLeadPayload[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || bytes.size() - start < length)
        return kNotUtf8;
    char32_t code = static_cast<unsigned char>(bytes[start]) & kLeadPayload[length];
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(bytes[start + k]);
        if ((byte & 0xC0) != 0x80)
            return kNotUtf8;
        code = (code << 6) | (byte & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (code < kSmallestOfLength[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return kNotUtf8;
    return code;
}

void AppendUtf16(std::u16string& units, char32_t code)
{
    if (code < 0x10000) {
        units.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

// Names on disk are bytes; the identifier rules work on UTF-16 code units,
// so decode UTF-8, turning every byte that is not part of a valid sequence
// into U+FFFD.
std::u16string DecodeUtf8(const std::string& bytes)
{
    std::u16string units;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(bytes[i]));
        const char32_t code = DecodeUtf8Sequence(bytes, i, length);
        if (code == kNotUtf8) {
            units.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        AppendUtf16(units, code);
        i += length;
    }
    return units;
}

// Windows' "*.obj" matches without regard to case; fnmatch matches as
// written, so the pattern spells both cases.
bool MatchesModelPattern(const char* name)
{
    return fnmatch("*.[oO][bB][jJ]", name, 0) == 0;
}

bool IsDirectory(const dirent& entry)
{
    // Most systems say in the listing what an entry is, which spares a stat
    // per file; POSIX does not promise d_type.
#ifndef TORVANE_POSIX_ONLY
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return false;
#endif
    struct stat status;
    return stat(entry.d_name, &status) == 0 && S_ISDIR(status.st_mode);
}

// Non-blocking, so that opening a FIFO without a writer cannot hang.
bool OpenRegularFile(const NativeString& path, int flags, InputFile* file, std::string* error)
{
    int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | flags);
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
        *error = S_ISDIR(status.st_mode) ? "cannot read: it is a directory" : "cannot read: it is not a regular file";
        close(descriptor);
        return false;
    }
    file->handle = descriptor;
    file->size = static_cast<std::uint64_t>(status.st_size);
    return true;
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

bool ListModelFiles(bool (*isModelName)(const NativeString& name), std::vector<FileName>* names, std::string* error)
{
    DIR* directory = opendir(".");
    if (!directory) {
        *error = "cannot list the current directory: " + Reason(errno);
        return false;
    }
    // Directories are never models.
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (!entry)
            break;
        if (!MatchesModelPattern(entry->d_name))
            continue;
        NativeString name = entry->d_name;
        if (isModelName(name) && !IsDirectory(*entry))
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
    const LetterBlock& block = LetterBlocks[LetterBlockOfHighByte[unit >> 8]];
    unsigned low = unit & 0xFFu;
    return (block.letter[low >> 6] >> (low & 63)) & 1;
}

bool IsLetterOrDigit(char16_t unit)
{
    const LetterBlock& block = LetterBlocks[LetterBlockOfHighByte[unit >> 8]];
    unsigned low = unit & 0xFFu;
    return (block.letterOrDigit[low >> 6] >> (low & 63)) & 1;
}

std::uint32_t CalendarTimeSeconds()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
}

bool OpenInput(const NativeString& path, InputFile* file, std::string* error)
{
    return OpenRegularFile(path, 0, file, error);
}

bool OpenInputNotFollowingLinks(const NativeString& path, InputFile* file, std::string* error)
{
    return OpenRegularFile(path, O_NOFOLLOW, file, error);
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

std::int64_t ReadInputAt(InputFile& file, std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error)
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
