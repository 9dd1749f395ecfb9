#pragma once

// What the Windows files of the platform layer share.

#include "platform/windows_api.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvane {

// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
inline constexpr DWORD kMaxTransfer = DWORD{1} << 30;

inline HANDLE ToHandle(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

inline std::intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

inline DWORD Chunk(std::size_t size, DWORD limit)
{
    return size < limit ? static_cast<DWORD>(size) : limit;
}

// UTF-16 to UTF-8 for messages; a lone surrogate becomes U+FFFD.
std::string ToUtf8(const std::wstring& text);

// The system's text for an error code, trimmed to a clause that reads like
// strerror's after "cannot open: ": no line end, no full stop.
std::string Reason(DWORD code);

bool IsDirectoryPath(const std::wstring& path);

}  // namespace torvane
