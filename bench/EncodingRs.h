#ifndef KELBENCH_ENCODINGRS_H
#define KELBENCH_ENCODINGRS_H

// encoding_rs between a legacy set and UTF-8, through the small crate in
// bench/encoding_rs; a benchmark peer only.

#include <cstddef>

extern "C" {

struct KelbenchEncoding;

// The encoding of a WHATWG label; exits when there is none.
const KelbenchEncoding* kelbench_encoding_rs(const char* label);
// Whole texts in one call, with the crate's own substitutes; return the
// bytes written.
std::size_t kelbench_encoding_rs_decode_to_utf8(const KelbenchEncoding* encoding,
                                                const unsigned char* src, std::size_t srcLen,
                                                unsigned char* dst, std::size_t dstLen);
std::size_t kelbench_encoding_rs_encode_from_utf8(const KelbenchEncoding* encoding,
                                                  const unsigned char* src, std::size_t srcLen,
                                                  unsigned char* dst, std::size_t dstLen);
}

#endif
