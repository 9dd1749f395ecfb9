#include "driver/model_file.h"

#include <new>
#include <stdexcept>
#include <system_error>

#include "driver/thread_plan.h"
#include "output/header_writer.h"
#include "output/naming.h"
#include "output/replacing_sink.h"

namespace torvane {
namespace {

// A model file, read from the start by one handle or at any offset by
// another.
class ModelFileSource final : public ByteSource, public OffsetSource {
public:
    explicit ModelFileSource(InputFile& file) : file_(file) { }

    std::int64_t Read(char* buffer, std::size_t capacity, std::string* error) override
    {
        return ReadInput(file_, buffer, capacity, error);
    }

    std::int64_t ReadAt(std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error) override
    {
        return ReadInputAt(file_, offset, buffer, capacity, error);
    }

private:
    InputFile& file_;
};

bool ReadAndWeldFile(const FileName& input, NormalGeneration normals, unsigned threads, Random& random,
                     Workspace& workspace, std::string* error)
{
    InputFile file;
    if (!OpenInput(input.path, &file, error))
        return false;
    TextReading reading;
    reading.expectedSize = file.size;
    reading.threads = PlanReading(threads, file.size, normals);
    // The second half is read through a handle of its own; without one, the
    // first reads all.
    InputFile secondFile;
    std::string unused;
    if (reading.threads == ReadingThreads::kTwo && !OpenInput(input.path, &secondFile, &unused))
        reading.threads = ReadingThreads::kOne;
    ModelFileSource first(file);
    ModelFileSource second(secondFile);
    reading.halves = &second;
    reading.buffer = &workspace.readBuffer;
    return ReadAndWeld(first, reading, normals, random, workspace.streamed, error);
}

bool WriteHeaderFile(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                     unsigned threads, Workspace& workspace, std::string* error)
{
    OutputFile output;
    if (!CreateOutput(HeaderPathFor(input.path, outputDirectory), &output, error))
        return false;
    ReplacingSink sink(output);
    WriterAim aim(workspace.writer, sink);
    const StreamedModel& streamed = workspace.streamed;
    const CornerWelder& welded = streamed.merging.welder;
    unsigned formatting = PlanFormatting(threads, welded.keys.size(), welded.indices.size() / 3);
    if (!WriteHeader(streamed.model, welded, IdentifierStemFor(input), form, formatting, workspace.writer)) {
        *error = workspace.writer.error;
        return false;
    }
    return sink.Commit(error);
}

// Running out of memory fails this model only: the run goes on with the
// next one, and no half-written header is left behind. A list that would
// outgrow the address space (as a 32-bit one can) is out of memory too.
template <typename Step>
bool FailingThisModelOnly(Step step, std::string* error)
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        *error = "out of memory";
    } catch (const std::length_error&) {
        *error = "out of memory";
    } catch (const std::system_error& failure) {
        *error = failure.what();
    }
    return false;
}

}  // namespace

bool ReadAndWeldModelFile(const FileName& input, NormalGeneration normals, unsigned threads, Random& random,
                          Workspace& workspace, std::string* error)
{
    return FailingThisModelOnly([&] { return ReadAndWeldFile(input, normals, threads, random, workspace, error); },
                                error);
}

bool WriteModelHeader(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                      unsigned threads, Workspace& workspace, std::string* error)
{
    return FailingThisModelOnly(
        [&] { return WriteHeaderFile(input, outputDirectory, form, threads, workspace, error); }, error);
}

}  // namespace torvane
