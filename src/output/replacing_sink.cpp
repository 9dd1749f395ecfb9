#include "output/replacing_sink.h"

#include <algorithm>
#include <cstring>

namespace torvane {
namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 16;

// Reads exactly size bytes at offset, or fails.
bool ReadExactly(InputFile& file, std::uint64_t offset, char* buffer, std::size_t size, std::string* error)
{
    while (size != 0) {
        std::int64_t count = ReadInputAt(file, offset, buffer, size, error);
        if (count <= 0) {
            if (count == 0)
                *error = "cannot read: it became shorter";
            return false;
        }
        offset += static_cast<std::uint64_t>(count);
        buffer += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

ReplacingSink::ReplacingSink(OutputFile& output) : output_(output)
{
    std::string ignored;
    comparing_ = OpenInputNotFollowingLinks(output.targetPath, &existing_, &ignored);
}

bool ReplacingSink::Agrees(const char* data, std::size_t size)
{
    if (existing_.size - agreed_ < size)
        return false;
    if (!chunk_)
        chunk_ = std::make_unique<char[]>(kChunkSize);
    std::string ignored;
    for (std::uint64_t offset = agreed_; size != 0;) {
        std::size_t part = std::min(size, kChunkSize);
        if (!ReadExactly(existing_, offset, chunk_.get(), part, &ignored) || std::memcmp(chunk_.get(), data, part) != 0)
            return false;
        offset += part;
        data += part;
        size -= part;
    }
    return true;
}

// Writes the part that agreed into the output, after which the output is
// written as usual and the old header is no longer read.
bool ReplacingSink::StopComparing(std::string* error)
{
    comparing_ = false;
    bool copied = true;
    std::string reason;
    for (std::uint64_t offset = 0; copied && offset < agreed_;) {
        std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(agreed_ - offset, kChunkSize));
        if (!ReadExactly(existing_, offset, chunk_.get(), part, &reason)) {
            *error = "the header it replaces: " + reason;
            copied = false;
        } else {
            copied = WriteOutput(output_, chunk_.get(), part, error);
        }
        offset += part;
    }
    CloseInput(existing_);
    return copied;
}

bool ReplacingSink::Write(const char* data, std::size_t size, std::string* error)
{
    if (comparing_) {
        if (Agrees(data, size)) {
            agreed_ += size;
            return true;
        }
        if (!StopComparing(error))
            return false;
    }
    return WriteOutput(output_, data, size, error);
}

bool ReplacingSink::Commit(std::string* error)
{
    if (comparing_ && agreed_ == existing_.size && MarkModifiedNow(output_.targetPath)) {
        CloseInput(existing_);
        DiscardOutput(output_);
        return true;
    }
    // A different header, or one not ours to touch: replaced as usual.
    if (comparing_ && !StopComparing(error)) {
        DiscardOutput(output_);
        return false;
    }
    return CommitOutput(output_, error);
}

}  // namespace torvane
