#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "output/buffered_writer.h"
#include "platform/platform.h"

namespace torvane {

// Writes a header into an OutputFile that replaces the header already there,
// unless the new header turns out to be the same, byte for byte: then the
// old file stays (only its modification time is made now, as a rewrite
// would), which spares the file system freeing the old file's blocks and
// flushing the new one's, the most of what converting an unchanged model
// again costs. Nothing is written while the bytes agree; at the first
// difference the agreeing part is copied from the old header and writing
// goes on as usual.
// Only a regular file that is the old header itself is kept: a symbolic link
// under the header's name is replaced by a header of its own, as any change
// would replace it, so that the build never reads the header through a link
// that someone else may have planted and can rewrite.
class ReplacingSink final : public ByteSink {
public:
    // output has been created for its target and outlives the sink. Without
    // a Commit the old header stays, and the output is dropped as it goes.
    explicit ReplacingSink(OutputFile& output);
    ReplacingSink(const ReplacingSink&) = delete;
    ReplacingSink& operator=(const ReplacingSink&) = delete;

    bool Write(const char* data, std::size_t size, std::string* error) override;

    // After the last Write: leaves the old header in place when it is the
    // same, or commits the output over it. Either way, or on failure (the
    // old header untouched), the output is closed and holds no temporary
    // file.
    bool Commit(std::string* error);

private:
    bool Agrees(const char* data, std::size_t size);
    bool StopComparing(std::string* error);

    OutputFile& output_;
    InputFile existing_;
    bool comparing_ = false;
    std::uint64_t agreed_ = 0;  // bytes written so far, all equal to the old header's
    std::unique_ptr<char[]> chunk_;
};

}  // namespace torvane
