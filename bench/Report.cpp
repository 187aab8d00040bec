#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace kelbench {

namespace {

constexpr double kThreadScalingTarget = 1.8;
constexpr int kExamplesShown = 3;

using Bytes = std::vector<unsigned char>;

std::string hex(const unsigned char* p, std::size_t n) {
    std::string out;
    char byte[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(byte, sizeof byte, "%02X ", p[i]);
        out += byte;
    }
    return out;
}

bool isSeparator(const unsigned char* p, std::size_t unitSize) {
    return std::all_of(p, p + unitSize, [](unsigned char b) { return b == 0; });
}

// The per-name outputs, each ended by a 0 unit of `unitSize` bytes.
std::vector<Bytes> splitNames(const Bytes& out, std::size_t length, std::size_t unitSize) {
    std::vector<Bytes> names(1);
    for (std::size_t i = 0; i + unitSize <= length; i += unitSize) {
        if (isSeparator(&out[i], unitSize))
            names.emplace_back();
        else
            names.back().insert(names.back().end(), &out[i], &out[i] + unitSize);
    }
    names.pop_back();
    return names;
}

void printNameDifferences(const Workload& w, const std::string& peer, const Bytes& ref,
                          std::size_t refLen, const Bytes& out, std::size_t outLen) {
    const std::vector<Bytes> mine = splitNames(ref, refLen, w.separatorSize);
    const std::vector<Bytes> theirs = splitNames(out, outLen, w.separatorSize);
    const std::size_t count = std::min(mine.size(), theirs.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (mine[i] == theirs[i])
            continue;
        if (++differing <= kExamplesShown)
            std::printf("    name %zu \"%s\"\n      kelulib %s\n      %-7s %s\n", i,
                        reinterpret_cast<const char*>(w.names->name(i)),
                        hex(mine[i].data(), mine[i].size()).c_str(), peer.c_str(),
                        hex(theirs[i].data(), theirs[i].size()).c_str());
    }
    std::printf("  differs: %s: %s: %zu of %zu names differ (%zu and %zu names converted)\n",
                w.name.c_str(), peer.c_str(), differing, w.names->size(), mine.size(),
                theirs.size());
}

void printTextDifference(const Workload& w, const std::string& peer, const Bytes& ref,
                         std::size_t refLen, const Bytes& out, std::size_t outLen) {
    const std::size_t common = std::min(refLen, outLen);
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(ref.begin(), ref.begin() + common, out.begin()).first - ref.begin());
    const std::size_t from = at < 8 ? 0 : at - 8;
    std::printf("  differs: %s: %s: %zu and %zu bytes, first difference at byte %zu\n"
                "      kelulib %s\n      %-7s %s\n",
                w.name.c_str(), peer.c_str(), refLen, outLen, at,
                hex(&ref[from], std::min<std::size_t>(24, refLen - from)).c_str(), peer.c_str(),
                hex(&out[from], std::min<std::size_t>(24, outLen - from)).c_str());
}

std::string cell(const Workload& w, double bytesPerSecond) {
    if (bytesPerSecond <= 0)
        return "-";
    char text[32];
    if (w.names != nullptr) {
        const double ns = 1e9 * static_cast<double>(w.inputBytes) / bytesPerSecond /
                          static_cast<double>(w.names->size());
        std::snprintf(text, sizeof text, "%.0f ns", ns);
    } else {
        std::snprintf(text, sizeof text, "%.0f MB/s", bytesPerSecond / 1e6);
    }
    return text;
}

std::string targetText(const Workload& w) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "%.1fx", w.targetRatio);
    if (w.targetMBps > 0)
        n += std::snprintf(text + n, sizeof text - n, ", %.0f MB/s", w.targetMBps);
    if (w.targetSimdutf > 0)
        std::snprintf(text + n, sizeof text - n, "; %.1f/%.1fx", w.targetSimdutf,
                      w.targetSimdutfCounted);
    return text;
}

const char* verdict(bool met, Tally& tally) {
    ++(met ? tally.met : tally.missed);
    return met ? "met" : "MISSED";
}

// Bytes per second of the workload's runner of that name, 0 when it has none.
double speedOf(const Workload& w, const Recorder& recorder, const std::string& peer) {
    for (const Runner& r : w.runners) {
        if (r.peer == peer)
            return recorder.best(benchmarkName(w, r));
    }
    return 0;
}

std::string ratioText(double mine, double theirs) {
    if (mine <= 0 || theirs <= 0)
        return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%.2fx", mine / theirs);
    return text;
}

const char* const kColumns[] = {kLibrary, kCounted, "ICU",      "iconv",
                                 kSimdutf, kViaUTF16, kEncodingRs};

bool anyRun(const Workload& w, const Recorder& recorder) {
    return std::any_of(w.runners.begin(), w.runners.end(),
                       [&](const Runner& r) { return recorder.best(benchmarkName(w, r)) > 0; });
}

void printRow(const Workload& w, const Recorder& recorder, Tally& tally) {
    std::printf("%-34s", w.name.c_str());
    for (const char* peer : kColumns)
        std::printf(" %11s", cell(w, speedOf(w, recorder, peer)).c_str());
    const double counted = speedOf(w, recorder, kCounted);
    // A set whose text the entry points cannot take is measured by the counted API alone.
    const double mine = w.runners[0].peer == kLibrary ? speedOf(w, recorder, kLibrary) : counted;
    const double bestPeer = std::max(speedOf(w, recorder, "ICU"), speedOf(w, recorder, "iconv"));
    const double simdutf = speedOf(w, recorder, kSimdutf);
    if (mine <= 0 || bestPeer <= 0) {
        std::printf("  (not run)\n");
        return;
    }
    const std::string toSimdutf =
        ratioText(mine, simdutf) + (counted > 0 ? "/" + ratioText(counted, simdutf) : "");
    std::printf(" %7s %7s %12s  %-22s ", ratioText(mine, bestPeer).c_str(),
                ratioText(counted, bestPeer).c_str(), simdutf > 0 ? toSimdutf.c_str() : "-",
                targetText(w).c_str());
    bool met = mine / bestPeer >= w.targetRatio && mine / 1e6 >= w.targetMBps;
    if (w.targetSimdutf > 0 && simdutf > 0)
        met =
            met && mine / simdutf >= w.targetSimdutf && counted / simdutf >= w.targetSimdutfCounted;
    std::printf("%s\n", verdict(met, tally));
}

void printThreadScaling(const std::vector<Workload>& workloads, const Recorder& recorder,
                        Tally& tally) {
    std::printf("\nTwo threads converting at once through the same converters (kelulib; both "
                "threads together, per-name rows: wall time per name converted):\n");
    std::printf("%-34s %12s %12s %8s  %-16s\n", "workload", "1 thread", "2 threads", "scaling",
                "target");
    for (const Workload& w : workloads) {
        if (!w.threaded)
            continue;
        const double one = recorder.bestTotal(threadedName(w), 1, w.inputBytes);
        const double two = recorder.bestTotal(threadedName(w), 2, w.inputBytes);
        if (one <= 0 || two <= 0)
            continue;
        std::printf("%-34s %12s %12s", w.name.c_str(), cell(w, one).c_str(), cell(w, two).c_str());
        const double scaling = two / one;
        std::printf(" %7.2fx  %-16.1f %s\n", scaling, kThreadScalingTarget,
                    verdict(scaling >= kThreadScalingTarget, tally));
    }
}

const Workload* findWorkload(const std::vector<Workload>& workloads, const std::string& name) {
    for (const Workload& w : workloads) {
        if (w.name == name)
            return &w;
    }
    return nullptr;
}

// The counted API decoding straight to UTF-8 against decoding the same
// input to UTF-16, in bytes of input per second.
void printStraightToUTF8(const std::vector<Workload>& workloads, const Recorder& recorder,
                         Tally& tally) {
    std::printf("\nDecoding straight to UTF-8 against decoding to UTF-16 (counted API, input "
                "throughput; target: at least as fast):\n");
    std::printf("%-34s %12s %12s %8s\n", "workload", "to utf8", "to utf16", "ratio");
    for (const Workload& w : workloads) {
        const Workload* toUTF16 =
            w.toUTF16Name.empty() ? nullptr : findWorkload(workloads, w.toUTF16Name);
        if (toUTF16 == nullptr)
            continue;
        const double direct = speedOf(w, recorder, kCounted);
        const double viaUnits = speedOf(*toUTF16, recorder, kCounted);
        if (direct <= 0 || viaUnits <= 0)
            continue;
        std::printf("%-34s %12s %12s %7.2fx  %s\n", w.name.c_str(), cell(w, direct).c_str(),
                    cell(w, viaUnits).c_str(), direct / viaUnits,
                    verdict(direct >= viaUnits, tally));
    }
}

} // namespace

std::string benchmarkName(const Workload& w, const Runner& r) {
    return w.name + "/" + r.peer;
}

std::string threadedName(const Workload& w) {
    return "threads " + w.name;
}

int checkAgreement(const Workload& w) {
    Bytes ref(w.outputCap);
    Bytes out(w.outputCap);
    const std::size_t refLen = w.runners[0].convert(ref.data(), ref.size());
    int differing = 0;
    for (std::size_t i = 1; i < w.runners.size(); ++i) {
        const std::size_t outLen = w.runners[i].convert(out.data(), out.size());
        if (outLen == refLen && std::equal(ref.begin(), ref.begin() + refLen, out.begin()))
            continue;
        if (w.readBack && w.readBack(ref.data(), refLen) == w.readBack(out.data(), outLen)) {
            std::printf("  other escapes: %s: %s writes the same text with other shifts or "
                        "designations\n",
                        w.name.c_str(), w.runners[i].peer.c_str());
            continue;
        }
        ++differing;
        if (w.names != nullptr)
            printNameDifferences(w, w.runners[i].peer, ref, refLen, out, outLen);
        else
            printTextDifference(w, w.runners[i].peer, ref, refLen, out, outLen);
    }
    return differing;
}

Recorder::Recorder() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

void Recorder::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred)
            continue;
        const auto counter = run.counters.find("bytes_per_second");
        if (counter == run.counters.end())
            continue;
        const std::string& name = run.run_name.function_name;
        if (run.threads == 1)
            m_best[name] = std::max(m_best[name], counter->second.value);
        const double seconds =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const auto key = std::make_pair(name, static_cast<int>(run.threads));
        const auto known = m_bestSeconds.find(key);
        if (known == m_bestSeconds.end() || seconds < known->second)
            m_bestSeconds[key] = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
}

double Recorder::best(const std::string& name) const {
    const auto it = m_best.find(name);
    return it != m_best.end() ? it->second : 0;
}

double Recorder::bestTotal(const std::string& name, int threads, std::size_t inputBytes) const {
    const auto it = m_bestSeconds.find({name, threads});
    return it != m_bestSeconds.end() && it->second > 0
               ? threads * static_cast<double>(inputBytes) / it->second
               : 0;
}

Tally printTable(const std::vector<Workload>& workloads, const Recorder& recorder) {
    Tally tally;
    std::printf("\nInput throughput, best of the repetitions (per-name rows: time per name).\n"
                "kelulib: the entry points; counted: the counted stream API. Ratios: to the "
                "best of ICU and iconv, then to simdutf\n(entry points/counted). Targets: the "
                "first ratio, then those to simdutf.\n");
    std::printf("%-34s", "workload");
    for (const char* peer : kColumns)
        std::printf(" %11s", peer);
    std::printf(" %7s %7s %12s  %-22s\n", "ratio", "counted", "to simdutf", "target");
    for (const Workload& w : workloads) {
        if (anyRun(w, recorder))
            printRow(w, recorder, tally);
    }
    printThreadScaling(workloads, recorder, tally);
    printStraightToUTF8(workloads, recorder, tally);
    return tally;
}

} // namespace kelbench
