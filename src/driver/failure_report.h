#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace torvane {

// Failures of models converted side by side, told in list order: a model's
// failure is printed once every model before it has finished, so the lines
// come out as if the models had been converted one after another.
struct FailureReport {
    std::vector<std::string> errors;  // by model; empty for one converted
    std::vector<char> finished;
    std::size_t told = 0;  // models up to here have been told
    bool anyFailed = false;
};

FailureReport MakeFailureReport(std::size_t modelCount);

// Records how model index ended (an empty error: converted) and hands each
// failure that may now be told to tell, with its model's index, in order.
void ReportFinished(FailureReport& report, std::size_t index, std::string error,
                    const std::function<void(std::size_t index, const std::string& error)>& tell);

}  // namespace torvane
