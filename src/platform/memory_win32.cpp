#include "platform/platform.h"

namespace torvane {

// Large pages on Windows need a privilege that users rarely hold and must be
// allocated as such up front; ordinary pages are used.
void AdviseLargePages(void*, std::size_t) {}

}  // namespace torvane
