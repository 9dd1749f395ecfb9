// Each phase of a conversion on one model, in isolation. The model is the
// file named by TORVANE_BENCH_MODEL (bench/run_benchmarks.sh makes the 1M
// triangle torus and sets it).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include "driver/streaming_conversion.h"
#include "driver/text_conversion.h"
#include "mesh/merge.h"
#include "mesh/warning_mesh.h"
#include "mesh/weld.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"

namespace {

using namespace torvane;

const std::string& ModelText()
{
    static const std::string text = [] {
        const char* path = std::getenv("TORVANE_BENCH_MODEL");
        std::string bytes;
        if (!path)
            return bytes;
        if (std::FILE* file = std::fopen(path, "rb")) {
            char buffer[1 << 16];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) != 0;)
                bytes.append(buffer, n);
            std::fclose(file);
        }
        return bytes;
    }();
    return text;
}

bool HaveModel(benchmark::State& state)
{
    if (!ModelText().empty())
        return true;
    state.SkipWithError("set TORVANE_BENCH_MODEL to an OBJ file");
    return false;
}

ObjModel ReadModel()
{
    ObjModel model;
    std::string error;
    ParseObj(ModelText(), &model, &error);
    return model;
}

// The model merged with the warning, as welding finds it.
ObjModel MergedModel()
{
    ObjModel model = ReadModel();
    Random random;
    MergeWarningMesh(model, random, NormalGeneration::kNone);
    return model;
}

class DiscardSink final : public ByteSink {
public:
    bool Write(const char*, std::size_t, std::string*) override { return true; }
};

// The header of a welded mesh, or of a streamed model's lists, written and
// thrown away.
template <typename... Mesh>
bool WriteDiscarded(const Mesh&... mesh)
{
    DiscardSink sink;
    BufferedWriter writer = MakeBufferedWriter(sink);
    return WriteHeader(mesh..., u"model", HeaderForm{}, 2, writer);
}

void BM_Read(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    for (auto _ : state) {
        ObjModel model;
        std::string error;
        benchmark::DoNotOptimize(ParseObj(ModelText(), &model, &error));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ModelText().size()));
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);

void BM_Merge(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    ObjModel original = ReadModel();
    for (auto _ : state) {
        state.PauseTiming();
        // A copy has exactly the capacity it needs, so the merge would
        // reallocate; the reader's own lists always have room to spare.
        ObjModel model = original;
        model.triangles.reserve(model.triangles.size() + kWarningTriangleCount);
        for (auto* list : {&model.positions, &model.texcoords, &model.normals})
            list->reserve(list->size() + kWarningVertexCount);
        Random random;
        SeedRandom(random, 1);
        state.ResumeTiming();
        MergeWarningMesh(model, random, NormalGeneration::kNone);
        benchmark::DoNotOptimize(model.triangles.data());
    }
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond);

void BM_Weld(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    ObjModel model = MergedModel();
    for (auto _ : state)
        benchmark::DoNotOptimize(WeldCorners(model).indices.data());
}
BENCHMARK(BM_Weld)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    WeldedMesh mesh = WeldCorners(MergedModel());
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteDiscarded(mesh));
}
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond);

struct TextSource final : ByteSource, OffsetSource {
    std::int64_t Read(char* buffer, std::size_t capacity, std::string*) override
    {
        std::size_t count = std::min(capacity, ModelText().size() - offset);
        std::memcpy(buffer, ModelText().data() + offset, count);
        offset += count;
        return static_cast<std::int64_t>(count);
    }

    std::int64_t ReadAt(std::uint64_t from, char* buffer, std::size_t capacity, std::string* error) override
    {
        offset = static_cast<std::size_t>(std::min<std::uint64_t>(from, ModelText().size()));
        return Read(buffer, capacity, error);
    }

    std::size_t offset = 0;
};

bool ReadAndWeldModel(StreamedModel* streamed, ReadingThreads threads)
{
    TextSource source;
    TextSource second;
    TextReading reading;
    reading.expectedSize = ModelText().size();
    reading.threads = threads;
    reading.halves = &second;
    Random random;
    SeedRandom(random, 1);
    std::string error;
    return ReadAndWeld(source, reading, NormalGeneration::kNone, random, *streamed, &error);
}

// What the converter does with a file: reading, merging and welding in one
// pass (the text comes from memory here, in the same chunks).
void BM_ReadAndWeld(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    for (auto _ : state) {
        StreamedModel streamed;
        benchmark::DoNotOptimize(
            ReadAndWeldModel(&streamed, state.range(0) == 2 ? ReadingThreads::kTwo : ReadingThreads::kOne));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ModelText().size()));
}
BENCHMARK(BM_ReadAndWeld)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The header of a streamed model, its values looked up row by row.
void BM_WriteGathered(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    StreamedModel streamed;
    ReadAndWeldModel(&streamed, ReadingThreads::kOne);
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteDiscarded(streamed.model, streamed.merging.welder));
}
BENCHMARK(BM_WriteGathered)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
