#pragma once

// The operating-system services the converter needs, one implementation per
// platform (the *_posix.cpp and *_win32.cpp files beside this one), chosen by
// the build. Nothing above this layer knows which one it runs on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace torvane {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
// A path as the operating system takes it: UTF-16 on Windows, bytes elsewhere.
using NativeString = std::basic_string<NativeChar>;

// A model file's name in every form the converter needs.
struct FileName {
    NativeString path;     // opens the file; may hold a directory part
    std::u16string units;  // the file's own name (no directory) as UTF-16
                           // code units, for the identifier rules
    std::string display;   // for messages, UTF-8 where the name decodes
};

// Sets up process-wide behaviour (e.g. a write past a file size limit or into
// a closed pipe must fail with an error instead of killing the process).
// Call once from main.
void InitializeProcess();

// On an interruption (Ctrl-C, a closed terminal or console, a request to
// terminate) removes every temporary file the run has open, then ends the
// process as the interruption would have: on POSIX by the same signal, on
// Windows with STATUS_CONTROL_C_EXIT. A signal ignored when the process
// started (as under nohup) stays ignored. Call once, before the first output.
void InstallInterruptionHandlers();

// The model files of the current directory, in the order the directory
// listing returns them: the entries other than directories whose names the
// pattern "*.obj" matches as the system's pattern matching does (without
// regard to case; on Windows also through 8.3 short names, scan.objx as
// SCAN~1.OBJ) and that isModelName then takes. Which names are models is
// not this layer's to say, so the caller passes the rule in.
bool ListModelFiles(bool (*isModelName)(const NativeString& name), std::vector<FileName>* names, std::string* error);

// The command-line arguments after the program name, in the platform's own
// encoding (on Windows the wide command line, so any name survives).
std::vector<NativeString> CommandLineArguments(int argc, char** argv);

// Makes a FileName from a command-line argument.
FileName FileNameFromArgument(const NativeString& argument);

// Classifies one UTF-16 code unit on its own; surrogates are never letters.
// Windows asks the system (IsCharAlphaW, IsCharAlphaNumericW), elsewhere a
// table generated from ICU answers. Measured under Wine 8.0 they disagree on
// 68 of the 65,536 code units, each taken by Windows and not by the table:
// the 65 letter numbers (Roman numerals in U+2160 to U+2188, runic U+16EE to
// U+16F0, Hangzhou U+3007, U+3021 to U+3029 and U+3038 to U+303A, Bamum
// U+A6E6 to U+A6EF) as letters, and the superscripts U+00B2, U+00B3 and
// U+00B9 as digits. A file name holding one of them gives other array names
// on Windows.
bool IsLetter(char16_t unit);
bool IsLetterOrDigit(char16_t unit);

// Low 32 bits of the calendar time in seconds.
std::uint32_t CalendarTimeSeconds();

// An input file opened for reading, closed when it goes. Errors carry the
// OS's reason.
struct InputFile {
    std::intptr_t handle = -1;  // the platform's own; -1 while closed
    std::uint64_t size = 0;     // when it was opened; it may change while read

    InputFile() = default;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    ~InputFile();
};
bool OpenInput(const NativeString& path, InputFile* file, std::string* error);
// The same, but only for a regular file that path names itself: a symbolic
// link (on Windows, any reparse point) is refused instead of followed.
bool OpenInputNotFollowingLinks(const NativeString& path, InputFile* file, std::string* error);
// Reads up to capacity bytes; 0 at the end of the file, -1 on error.
std::int64_t ReadInput(InputFile& file, char* buffer, std::size_t capacity, std::string* error);
// The same from offset on, wherever ReadInput has got to.
std::int64_t ReadInputAt(InputFile& file, std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error);
void CloseInput(InputFile& file);

// An output written to a temporary file beside its target and renamed over
// the target only when complete, so an existing file is never left
// half-written. A target that is read-only (on POSIX: no write permission
// bits, even for root) is refused and left untouched.
// Where the system allows it (Linux, on most file systems) the file has no
// name until it is complete, so not even a kill leaves it behind; on Windows
// it is marked for deletion until then. Elsewhere an interruption handled by
// InstallInterruptionHandlers removes it. An output that goes without being
// committed is discarded.
// On POSIX the new header keeps the mode of the header it replaces when
// that is a regular file itself; replacing anything else (a symbolic link
// another user may have planted, say) it gets the mode new files get.
struct OutputFile {
    std::intptr_t handle = -1;   // the platform's own; -1 once closed
    NativeString temporaryPath;  // empty while the file has no name
    NativeString targetPath;
    int temporarySlot = -1;  // where an interruption finds the file

    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    ~OutputFile();
};
bool CreateOutput(const NativeString& targetPath, OutputFile* file, std::string* error);
bool WriteOutput(OutputFile& file, const char* data, std::size_t size, std::string* error);
// Flushes, closes and renames over the target.
bool CommitOutput(OutputFile& file, std::string* error);
// Closes and removes the temporary file; the target is not touched.
void DiscardOutput(OutputFile& file);
// Sets a file's modification time to now, as writing it would; false when
// the file is missing or not ours to change. A symbolic link is not followed.
bool MarkModifiedNow(const NativeString& path);

// The files clean up after themselves with the functions above.

inline InputFile::InputFile(InputFile&& other) noexcept : handle(std::exchange(other.handle, -1)), size(other.size) { }

inline InputFile& InputFile::operator=(InputFile&& other) noexcept
{
    if (this != &other) {
        CloseInput(*this);
        handle = std::exchange(other.handle, -1);
        size = other.size;
    }
    return *this;
}

inline InputFile::~InputFile()
{
    CloseInput(*this);
}

inline OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle(std::exchange(other.handle, -1)), temporaryPath(std::exchange(other.temporaryPath, {})),
      targetPath(std::move(other.targetPath)), temporarySlot(std::exchange(other.temporarySlot, -1))
{ }

inline OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        DiscardOutput(*this);
        handle = std::exchange(other.handle, -1);
        temporaryPath = std::exchange(other.temporaryPath, {});
        targetPath = std::move(other.targetPath);
        temporarySlot = std::exchange(other.temporarySlot, -1);
    }
    return *this;
}

inline OutputFile::~OutputFile()
{
    DiscardOutput(*this);
}

// A block of memory for a list of millions of entries, made of large pages
// where the system offers them: there, touching a small page for the first
// time costs many times what filling it does. Only pages that are touched
// take memory. Throws std::bad_alloc when there is no room; FreeLarge takes
// the block back, given the same size.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* block, std::size_t bytes);

// Writes one line (UTF-8, no line end) to standard error.
void PrintErrorLine(const std::string& line);
// Writes text (UTF-8) to standard output.
void PrintOutput(const std::string& text);

}  // namespace torvane
