// The console output plus, at the end, the table the figures are read from:
// each driver benchmark next to its floor, the ratio, time per row, the
// counters, and the targets met or missed. Times are never a failure; a
// benchmark that failed its checks is.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    int failures() const { return static_cast<int>(failures_.size()); }
    int measured() const { return static_cast<int>(results_.size()); }

private:
    struct Result {
        double seconds = 0.0;  // per pass; the fastest repetition
        std::map<std::string, double> counters;
    };
    const Result* Find(const std::string& op, const std::string& side, int rows) const;
    void PrintTable(std::ostream& out) const;
    void PrintTargets(std::ostream& out) const;

    std::map<std::string, Result> results_;  // by benchmark name
    std::vector<std::string> failures_;
};
