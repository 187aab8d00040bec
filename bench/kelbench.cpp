// Converts the same inputs with the library, ICU and glibc iconv in one
// process, checks that their outputs agree and prints the library's ratio to
// the best peer for every workload.
//
// Usage: kelbench CORPUS_DIR [benchmark flags]

#include "Corpus.h"
#include "Report.h"
#include "Workloads.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Repetitions in random order spread a change of the machine's load over
// all peers alike; flags on the command line come later and win.
const char* const kDefaultFlags[] = {"--benchmark_repetitions=3",
                                     "--benchmark_enable_random_interleaving=true",
                                     "--benchmark_min_time=0.2"};

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
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: kelbench CORPUS_DIR [benchmark flags]\n");
        return 2;
    }
    const std::string corpusDir = argv[1];
    std::vector<char*> args{argv[0]};
    for (const char* flag : kDefaultFlags)
        args.push_back(const_cast<char*>(flag));
    args.insert(args.end(), argv + 2, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    const kelbench::Corpus corpus = kelbench::loadCorpus(corpusDir);
    const kelbench::WorkloadSet set(corpus);
    std::printf("Outputs compared with kelulib's:\n");
    int differing = 0;
    for (const kelbench::Workload& w : set.workloads)
        differing += kelbench::checkAgreement(w);
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
