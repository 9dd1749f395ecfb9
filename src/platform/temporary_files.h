#pragma once

// The run's temporary files, kept where an interruption can find them. A
// signal handler (or Windows' console control handler) may neither lock nor
// allocate, and it may run while other threads are writing headers, so the
// paths live in a fixed table of slots, written before the file is created
// under them, and each slot's state is one atomic.
//
// A slot is claimed for one output, armed with the path its file is about to
// get (again for each new name), and released once the file has been renamed
// or removed. RemoveTemporaryFiles removes the file of every armed slot and
// leaves every slot dead, so that no thread can create a file the
// interruption would miss.

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace torvane {

// In characters, the terminating zero included: no system opens a longer path
// without a prefix the converter never adds.
inline constexpr std::size_t kTemporaryPathCapacity = 4096;

// False when every slot is taken or the run is being interrupted.
bool ClaimTemporarySlot(int* slot);

// Records path as the slot's file; call before creating it. False when the
// run is being interrupted (the file must then not be created). The path
// must be shorter than kTemporaryPathCapacity.
bool ArmTemporarySlot(int slot, const NativeString& path);

// Gives the slot back, if *slot holds one, and sets *slot to -1; its path is
// no longer removed by an interruption.
void ReleaseTemporarySlot(int* slot);

// Removes the file of every armed slot, each exactly once, even when called
// on several threads at once, and refuses every later claim or arming.
// Async-signal-safe when remove is.
void RemoveTemporaryFiles(void (*remove)(const NativeChar* path));

// What each platform's output file provides to DiscardOutput, which is the
// same everywhere: closing an open handle, and removing a named file.
void CloseOutputHandle(std::intptr_t handle);
void RemoveOutputFile(const NativeString& path);

}  // namespace torvane
