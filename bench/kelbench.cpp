// Converts the same inputs with the library, ICU and glibc iconv in one
// process, checks that their outputs agree and prints the library's ratio to
// the best peer for every workload.
//
// Usage: kelbench CORPUS_DIR... [benchmark flags]
// Each directory's name stands in front of its workloads' names.

#include "Corpus.h"
#include "Report.h"
#include "Workloads.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

// Repetitions in random order spread a change of the machine's load over
// all peers alike; flags on the command line come later and win.
const char* const kDefaultFlags[] = {"--benchmark_repetitions=3",
                                     "--benchmark_enable_random_interleaving=true",
                                     "--benchmark_min_time=0.15"};

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void runConversion(benchmark::State& state, const kelbench::Workload* w,
                   const kelbench::Convert& convert) {
    std::vector<unsigned char> out(w->outputCap);
    for (auto _ : state)
        benchmark::DoNotOptimize(convert(out.data(), out.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w->inputBytes));
}

// The workloads that --benchmark_filter selects, so that a narrowed run
// checks only what it measures.
class Selection {
public:
    explicit Selection(const std::vector<char*>& args) {
        const std::string flag = "--benchmark_filter=";
        for (const char* arg : args) {
            if (std::string(arg).compare(0, flag.size(), flag) == 0)
                m_filter = arg + flag.size();
        }
        m_negated = !m_filter.empty() && m_filter[0] == '-';
        m_pattern = std::regex(m_negated ? m_filter.substr(1) : m_filter);
    }

    bool selects(const kelbench::Workload& w) const {
        if (m_filter.empty() || m_filter == "all")
            return true;
        for (const kelbench::Runner& r : w.runners) {
            if (std::regex_search(kelbench::benchmarkName(w, r), m_pattern) != m_negated)
                return true;
        }
        return w.threaded && std::regex_search(kelbench::threadedName(w), m_pattern) != m_negated;
    }

private:
    std::string m_filter;
    bool m_negated = false;
    std::regex m_pattern;
};

void registerBenchmarks(const std::vector<kelbench::Workload>& workloads) {
    for (const kelbench::Workload& w : workloads) {
        for (const kelbench::Runner& r : w.runners)
            benchmark::RegisterBenchmark(kelbench::benchmarkName(w, r).c_str(), runConversion, &w,
                                         r.convert);
        if (w.threaded)
            benchmark::RegisterBenchmark(kelbench::threadedName(w).c_str(), runConversion, &w,
                                         w.runners[0].convert)
                ->UseRealTime()
                ->Threads(1)
                ->Threads(2);
    }
}

} // namespace

int main(int argc, char** argv) {
    int dirs = 1;
    while (dirs < argc && argv[dirs][0] != '-')
        ++dirs;
    if (dirs == 1) {
        std::fprintf(stderr, "usage: kelbench CORPUS_DIR... [benchmark flags]\n");
        return 2;
    }
    std::vector<char*> args{argv[0]};
    for (const char* flag : kDefaultFlags)
        args.push_back(const_cast<char*>(flag));
    args.insert(args.end(), argv + dirs, argv + argc);
    const Selection selection(args);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    std::vector<std::unique_ptr<kelbench::Corpus>> corpora;
    kelbench::WorkloadSet set;
    std::printf("Inputs:\n");
    for (int i = 1; i < dirs; ++i) {
        corpora.push_back(std::make_unique<kelbench::Corpus>(kelbench::loadCorpus(argv[i])));
        set.add(*corpora.back());
    }
    std::printf("Outputs compared with kelulib's:\n");
    int differing = 0;
    for (const kelbench::Workload& w : set.workloads) {
        if (selection.selects(w))
            differing += kelbench::checkAgreement(w);
    }
    std::printf("  %d peer outputs differ from kelulib's\n\n", differing);

    const std::string loadBefore = loadAverage();
    registerBenchmarks(set.workloads);
    kelbench::Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    const kelbench::Tally tally = kelbench::printTable(set.workloads, recorder);
    std::printf("\nsummary: %d of %d targets met, %d peer outputs differ; load average %s "
                "before, %s after\n",
                tally.met, tally.met + tally.missed, differing, loadBefore.c_str(),
                loadAverage().c_str());
    return 0;
}
