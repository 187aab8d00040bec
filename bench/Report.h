#ifndef KELBENCH_REPORT_H
#define KELBENCH_REPORT_H

// Agreement of the peers' outputs, the best throughput of every benchmark,
// and the comparison table with its targets.

#include "Workloads.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kelbench {

// Names under which a workload's benchmarks are registered.
std::string benchmarkName(const Workload& w, const Runner& r);
std::string threadedName(const Workload& w);

// Prints every difference between the library's output and a peer's; returns
// the number of peers that differ.
int checkAgreement(const Workload& w);

// Keeps the best input throughput of each benchmark over its repetitions,
// and prints the runs as the console reporter does.
class Recorder : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal.
    Recorder();

    void ReportRuns(const std::vector<Run>& runs) override;

    // Bytes per second; 0 when the benchmark did not run.
    double best(const std::string& name) const;
    // Input bytes per second of all threads together, from the wall time
    // of one iteration of each thread; 0 when the benchmark did not run.
    double bestTotal(const std::string& name, int threads, std::size_t inputBytes) const;

private:
    std::map<std::string, double> m_best;
    std::map<std::pair<std::string, int>, double> m_bestSeconds;
};

struct Tally {
    int met = 0;
    int missed = 0;
};

// One row per workload: throughput of each peer, the library's ratio to the
// best one and whether the targets are met. Then the two-thread scaling.
Tally printTable(const std::vector<Workload>& workloads, const Recorder& recorder);

} // namespace kelbench

#endif
