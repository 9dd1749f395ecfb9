#include "driver/batch.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "driver/failure_report.h"
#include "driver/model_file.h"
#include "driver/thread_plan.h"
#include "mesh/random.h"
#include "mesh/warning_mesh.h"

namespace torvane {
namespace {

// A model's scatter starts where the generator was left by the models
// before it, and each of those drew either nothing (refused before the
// merge) or once per warning triangle. So a model is read from a guessed
// state, and its turn comes once every model before it has told whether it
// drew; only a wrong guess costs reading it again.
struct Batch {
    const std::vector<FileName>* inputs = nullptr;
    const NativeString* outputDirectory = nullptr;
    const HeaderForm* form = nullptr;
    NormalGeneration normals = NormalGeneration::kNone;
    unsigned threadsPerModel = 1;

    std::mutex mutex;
    std::condition_variable turnPassed;
    std::size_t nextInput = 0;
    // The first `settled` models have told whether they drew; the generator
    // then stands at settledRandom.
    std::size_t settled = 0;
    Random settledRandom;
    FailureReport failures;
};

// Where the generator stands for model index if every model before it that
// has not told yet draws, as most do.
Random GuessRandom(const Batch& batch, std::size_t index)
{
    Random guess = batch.settledRandom;
    SkipRandom(guess, std::uint64_t{kWarningTriangleCount} * (index - batch.settled));
    return guess;
}

Random AwaitTurn(Batch& batch, std::size_t index)
{
    std::unique_lock<std::mutex> lock(batch.mutex);
    batch.turnPassed.wait(lock, [&] { return batch.settled == index; });
    return batch.settledRandom;
}

void PassTurn(Batch& batch, const Random& after)
{
    {
        std::lock_guard<std::mutex> lock(batch.mutex);
        batch.settledRandom = after;
        ++batch.settled;
    }
    batch.turnPassed.notify_all();
}

void Finish(Batch& batch, std::size_t index, std::string error)
{
    std::lock_guard<std::mutex> lock(batch.mutex);
    ReportFinished(batch.failures, index, std::move(error), [&](std::size_t model, const std::string& reason) {
        PrintErrorLine("torvane: " + (*batch.inputs)[model].display + ": " + reason);
    });
}

// Converts one model once the generator's state before it is known.
void ConvertInTurn(Batch& batch, std::size_t index, Random guess, Workspace& workspace)
{
    const FileName& input = (*batch.inputs)[index];
    std::string error;
    Random random = guess;
    bool read = ReadAndWeldModelFile(input, batch.normals, batch.threadsPerModel, random, workspace, &error);
    Random start = AwaitTurn(batch, index);
    if (start.state != guess.state) {
        error.clear();
        random = start;
        read = ReadAndWeldModelFile(input, batch.normals, batch.threadsPerModel, random, workspace, &error);
    }
    // Passed on at once, so the next model's turn does not wait for this
    // header to be written.
    PassTurn(batch, random);
    if (read)
        WriteModelHeader(input, *batch.outputDirectory, *batch.form, batch.threadsPerModel, workspace, &error);
    Finish(batch, index, std::move(error));
}

void TakeModels(Batch& batch)
{
    // Kept from one model to the next.
    Workspace workspace;
    for (;;) {
        std::size_t index = 0;
        Random guess;
        {
            std::lock_guard<std::mutex> lock(batch.mutex);
            index = batch.nextInput++;
            if (index >= batch.inputs->size())
                return;
            guess = GuessRandom(batch, index);
        }
        ConvertInTurn(batch, index, guess, workspace);
    }
}

}  // namespace

bool ConvertModels(const std::vector<FileName>& inputs, const NativeString& outputDirectory, const HeaderForm& form,
                   NormalGeneration normals, std::uint32_t seed, unsigned jobs)
{
    Batch batch;
    batch.inputs = &inputs;
    batch.outputDirectory = &outputDirectory;
    batch.form = &form;
    batch.normals = normals;
    SeedRandom(batch.settledRandom, seed);
    batch.failures = MakeFailureReport(inputs.size());
    BatchThreads plan = PlanBatch(inputs.size(), jobs);
    batch.threadsPerModel = plan.perModel;
    std::vector<std::thread> helpers;
    try {
        while (helpers.size() + 1 < plan.workers)
            helpers.emplace_back([&batch] { TakeModels(batch); });
    } catch (const std::system_error&) {
        // The threads that did start, and this one, take all the models.
    }
    TakeModels(batch);
    for (std::thread& helper : helpers)
        helper.join();
    return !batch.failures.anyFailed;
}

}  // namespace torvane
