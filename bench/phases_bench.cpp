// Each phase of a conversion on one model, in isolation. The model is the
// file named by TORVANE_BENCH_MODEL (bench/run_benchmarks.sh makes the 1M
// triangle torus and sets it).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/conversion.h"
#include "mesh/merge.h"
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

bool Discard(void*, const char*, std::size_t, std::string*)
{
    return true;
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
        ObjModel model = original;
        Random random;
        SeedRandom(random, 1);
        state.ResumeTiming();
        MergeWarningMesh(model, random);
        benchmark::DoNotOptimize(model.triangles.data());
    }
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond);

void BM_Weld(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    ObjModel model = ReadModel();
    Random random;
    MergeWarningMesh(model, random);
    for (auto _ : state)
        benchmark::DoNotOptimize(WeldCorners(model).indices.data());
}
BENCHMARK(BM_Weld)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State& state)
{
    if (!HaveModel(state))
        return;
    ObjModel model = ReadModel();
    Random random;
    WeldedMesh mesh;
    std::string error;
    PrepareMesh(model, random, &mesh, &error);
    for (auto _ : state) {
        BufferedWriter writer = MakeBufferedWriter({&Discard, nullptr});
        benchmark::DoNotOptimize(WriteHeader(mesh, u"model", writer));
    }
}
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
