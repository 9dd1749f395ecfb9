#include "driver/failure_report.h"

#include <cassert>

namespace torvane {

FailureReport MakeFailureReport(std::size_t modelCount)
{
    FailureReport report;
    report.errors.resize(modelCount);
    report.finished.resize(modelCount);
    return report;
}

void ReportFinished(FailureReport& report, std::size_t index, std::string error,
                    const std::function<void(std::size_t index, const std::string& error)>& tell)
{
    assert(index < report.finished.size() && !report.finished[index]);
    report.errors[index] = std::move(error);
    report.finished[index] = 1;
    for (; report.told < report.finished.size() && report.finished[report.told]; ++report.told) {
        const std::string& reason = report.errors[report.told];
        if (reason.empty())
            continue;
        tell(report.told, reason);
        report.anyFailed = true;
    }
}

}  // namespace torvane
