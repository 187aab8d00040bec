#ifndef KELBENCH_WORKLOADS_H
#define KELBENCH_WORKLOADS_H

// What is measured: each workload converts one input with the library and
// with its peers, each writing into a buffer of its own.

#include "Corpus.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelbench {

struct LegacyInput;

// Converts the workload's whole input into `out` (capacity `cap` bytes) and
// returns the bytes written. Per-name workloads end each name's output with
// a 0 unit, so that the names can be compared one by one.
using Convert = std::function<std::size_t(unsigned char* out, std::size_t cap)>;

// The runners' names: the library's entry points, its counted API, and the
// peers. The ratios are to the best of ICU and iconv, and apart to simdutf,
// the fastest UTF transcoder, where it is built in.
inline constexpr char kLibrary[] = "kelulib";
inline constexpr char kCounted[] = "counted";
inline constexpr char kSimdutf[] = "simdutf";
// Between a legacy set and UTF-8: the counted API through UTF-16 with
// simdutf for the UTF-8 side, and encoding_rs where it is built in.
inline constexpr char kViaUTF16[] = "via utf16";
inline constexpr char kEncodingRs[] = "encoding_rs";

struct Runner {
    std::string peer;
    Convert convert;
};

struct Workload {
    std::string name;
    double targetRatio;          // least ratio of the library to the best of ICU and iconv
    double targetMBps;           // least throughput of the library, 0 for none
    double targetSimdutf;        // least ratios to simdutf of the entry points and of
    double targetSimdutfCounted; // the counted API, 0 for none
    std::size_t inputBytes;      // per call
    std::size_t outputCap;       // bytes
    const NameList* names;       // per-name workloads: the names, else null
    std::size_t separatorSize;   // per-name workloads: bytes of the 0 unit
    bool threaded;               // also run by two threads at once
    std::vector<Runner> runners; // the library's first, its entry points where it has them
    // Sets with shifts, whose writers may choose other escapes for the same
    // text: outputs are compared as the library reads them back.
    std::function<std::u16string(const unsigned char*, std::size_t)> readBack;
    // Decoding straight to UTF-8: the workload that decodes the same input to UTF-16.
    std::string toUTF16Name;
};

// Every workload over the corpora added, which must outlive it.
class WorkloadSet {
public:
    WorkloadSet();
    ~WorkloadSet();

    // The workloads of one corpus, named with its tag in front.
    void add(const Corpus& corpus);

    std::vector<Workload> workloads;

private:
    // The texts in the legacy sets, read by the workloads.
    std::vector<std::unique_ptr<LegacyInput>> m_inputs;
};

} // namespace kelbench

#endif
