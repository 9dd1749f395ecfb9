// torvane: converts Wavefront OBJ models into C/C++ headers.

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "driver/batch.h"
#include "driver/command_line.h"
#include "output/naming.h"
#include "platform/platform.h"

namespace torvane {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

bool CollectInputs(const CommandLine& commandLine, std::vector<FileName>* inputs)
{
    if (commandLine.files.empty()) {
        std::string error;
        if (!ListModelFiles(IsListedModelName, inputs, &error)) {
            PrintErrorLine("torvane: " + error);
            return false;
        }
        return true;
    }
    for (const NativeString& file : commandLine.files)
        inputs->push_back(FileNameFromArgument(file));
    return true;
}

bool PrepareOutputDirectory(const NativeString& directory)
{
    if (directory.empty())
        return true;
    std::string problem = "torvane: -o " + FileNameFromArgument(directory).display + ": ";
    std::error_code error;
    if (std::filesystem::exists(directory, error) && !std::filesystem::is_directory(directory, error)) {
        PrintErrorLine(problem + "not a directory");
        return false;
    }
    std::filesystem::create_directories(directory, error);
    if (error) {
        PrintErrorLine(problem + "cannot create the directory: " + error.message());
        return false;
    }
    return true;
}

// -j caps the threads of the run; without it, all the cores are used.
unsigned JobsFor(const CommandLine& commandLine)
{
    if (commandLine.jobs)
        return *commandLine.jobs;
    return std::max(std::thread::hardware_concurrency(), 1u);
}

int Run(const CommandLine& commandLine)
{
    // The whole list is taken before the first header is written, so headers
    // written during the run never become inputs.
    std::vector<FileName> inputs;
    if (!CollectInputs(commandLine, &inputs) || !PrepareOutputDirectory(commandLine.outputDirectory))
        return kExitFailure;
    std::uint32_t seed = commandLine.seed ? *commandLine.seed : CalendarTimeSeconds();
    if (!ConvertModels(inputs, commandLine.outputDirectory, commandLine.form, commandLine.normals, seed,
                       JobsFor(commandLine)))
        return kExitFailure;
    return 0;
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv)
{
    using namespace torvane;
    InitializeProcess();
    InstallInterruptionHandlers();
    CommandLine commandLine = ParseCommandLine(CommandLineArguments(argc, argv));
    switch (commandLine.action) {
    case CommandAction::kShowHelp: PrintOutput(UsageText()); return 0;
    case CommandAction::kShowVersion: PrintOutput(VersionText()); return 0;
    case CommandAction::kUsageError:
        PrintErrorLine("torvane: " + commandLine.error + " (see 'torvane --help')");
        return kExitUsage;
    case CommandAction::kConvert: break;
    }
    return Run(commandLine);
}
