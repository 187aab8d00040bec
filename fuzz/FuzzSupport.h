#ifndef KELULIB_FUZZ_FUZZSUPPORT_H
#define KELULIB_FUZZ_FUZZSUPPORT_H

// Shared pieces of the fuzz targets: the registered character sets, a reader
// for the few header bytes that steer a run, buffers with guard bytes behind
// their capacity, and a check that turns a broken promise into a crash that
// libFuzzer records.

#include "KelCharSet.h"
#include "RegisteredSets.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace kelfuzz {

using keltest::kRegisteredCount;
using keltest::kRegisteredSets;

// The registered sets a run fuzzes: all of them, or those that the
// environment variable KELFUZZ_SETS names (identifiers, separated by
// commas), so that a run can spend its time on a few.
inline const std::vector<KelCharSet>& fuzzedSets() {
    static const std::vector<KelCharSet> sets = [] {
        std::vector<KelCharSet> chosen;
        const char* list = std::getenv("KELFUZZ_SETS");
        for (char* end = nullptr; list != nullptr && *list != 0; list = *end != 0 ? end + 1 : end) {
            const long wanted = std::strtol(list, &end, 10);
            if (end == list)
                break;
            for (KelCharSet cs : kRegisteredSets)
                if (cs == wanted)
                    chosen.push_back(cs);
        }
        if (chosen.empty())
            chosen.assign(std::begin(kRegisteredSets), std::end(kRegisteredSets));
        return chosen;
    }();
    return sets;
}

inline KelCharSet registeredSet(unsigned char pick) {
    return fuzzedSets()[pick % fuzzedSets().size()];
}

// The registered sets, then identifiers that callers may pass as well: the
// default, and numbers that name no set.
constexpr KelCharSet kOtherSets[] = {KELCS_OS_DEFAULT, static_cast<KelCharSet>(28602),
                                     static_cast<KelCharSet>(437)};

inline KelCharSet anySet(unsigned char pick) {
    const std::size_t total = kRegisteredCount + sizeof kOtherSets / sizeof kOtherSets[0];
    const std::size_t i = pick % total;
    return i < kRegisteredCount ? kRegisteredSets[i] : kOtherSets[i - kRegisteredCount];
}

[[noreturn]] inline void fail(const char* what, KelCharSet cs) {
    std::fprintf(stderr, "kelfuzz: %s (character set %d)\n", what, static_cast<int>(cs));
    std::abort();
}

inline void require(bool holds, const char* what, KelCharSet cs) {
    if (!holds)
        fail(what, cs);
}

// Reads the steering bytes from the front of the input; the rest is the text.
// An input too short for its header reads zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    unsigned char byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    unsigned int word() {
        const unsigned int low = byte();
        return low | static_cast<unsigned int>(byte()) << 8;
    }
    ILLCHAR_OPTYPE opType() { return static_cast<ILLCHAR_OPTYPE>(byte() % 3); }
    // -1 (no limit) or 0 to 254 source units.
    int srcLimit() {
        const int b = byte();
        return b == 0 ? -1 : b - 1;
    }

    const std::uint8_t* rest() const { return m_data + m_pos; }
    std::size_t restSize() const { return m_size - m_pos; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A destination of `capacity` bytes followed by guard bytes; anything written
// into the guard is a write past what the caller said the buffer holds.
// The whole buffer starts filled with the guard pattern, so untouched bytes
// can be told from written ones.
class Guarded {
public:
    static constexpr std::size_t kGuardBytes = 32;
    static constexpr unsigned char kPattern = 0xA5;

    explicit Guarded(std::size_t capacity)
        : m_capacity(capacity), m_bytes(capacity + kGuardBytes, kPattern) {}

    unsigned char* bytes() { return m_bytes.data(); }
    unsigned short* units() { return reinterpret_cast<unsigned short*>(m_bytes.data()); }
    const unsigned char* bytes() const { return m_bytes.data(); }
    const unsigned short* units() const {
        return reinterpret_cast<const unsigned short*>(m_bytes.data());
    }

    bool guardIntact() const { return untouchedFrom(m_capacity); }
    bool untouchedFrom(std::size_t offset) const {
        for (std::size_t i = offset; i < m_bytes.size(); ++i) {
            if (m_bytes[i] != kPattern)
                return false;
        }
        return true;
    }

private:
    std::size_t m_capacity;
    std::vector<unsigned char> m_bytes;
};

// A room between 0 and `ample`, inclusive, from a fuzzed word.
inline KelLength fitRoom(unsigned int word, KelLength ample) {
    return word % (ample + 1);
}

inline bool allZero(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

// Index of the first NUL character of `unit` bytes that starts at a multiple
// of `unit`, searching the first `limit` bytes; `limit` when there is none.
inline std::size_t firstNul(const unsigned char* p, std::size_t limit, std::size_t unit) {
    std::size_t i = 0;
    while (i + unit <= limit && !allZero(p + i, unit))
        i += unit;
    return i + unit <= limit ? i : limit;
}

// Local text of `bytes` cut to whole units of `unit` bytes and followed by a
// NUL character of that size, in a buffer of exactly that many bytes so that
// the address sanitizer sees any read past it.
inline std::vector<char> terminatedText(const std::uint8_t* bytes, std::size_t n,
                                        std::size_t unit) {
    const std::size_t whole = n - n % unit;
    std::vector<char> text(whole + unit, 0);
    if (whole != 0)
        std::memcpy(text.data(), bytes, whole);
    return text;
}

// UTF-16 units of byte pairs, low byte first, followed by a 0 unit.
inline std::vector<unsigned short> terminatedUnits(const std::uint8_t* bytes, std::size_t n) {
    std::vector<unsigned short> units;
    units.reserve(n / 2 + 1);
    for (std::size_t i = 0; i + 1 < n; i += 2)
        units.push_back(static_cast<unsigned short>(bytes[i] | bytes[i + 1] << 8));
    units.push_back(0);
    return units;
}

} // namespace kelfuzz

#endif
