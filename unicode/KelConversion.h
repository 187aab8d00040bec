#ifndef KELCONVERSION_H
#define KELCONVERSION_H

/// \file
/// The result of a counted conversion: what stopped it, and where.

#include "KelTypes.h"

/// What ended a conversion.
enum class KelStop {
    EndOfInput,     ///< all the input is converted
    CutOff,         ///< the input ends inside a character, which is left unread
    Malformed,      ///< in front of malformed input, as the caller asked
    Unmappable,     ///< in front of a character the target lacks, as the caller asked
    DestinationFull ///< in front of a character that does not fit
};

/// What a conversion does with a malformed or unmappable character.
enum class KelOnProblem {
    Stop,    ///< stop in front of it
    Replace, ///< write a substitute: U+FFFD, or the target's "?"
    Escape,  ///< write "U+XXXX" text for an unmappable character, U+FFFD for malformed input
    Skip     ///< leave it out
};

/// Where a stream of a set with shifts stands: which sets are designated and
/// which one is invoked. The stream objects own one each; a converter only
/// reads and updates the one it is given. A value-initialised state is the
/// set's initial state; the sets without shifts never touch it.
struct KelCodecState {
    std::uint32_t word = 0; ///< the state, in a form each converter defines for its set
};

/// What one counted conversion did.
struct KelConversionResult {
    KelStop stop;       ///< what ended it
    KelLength read;     ///< source units consumed: bytes of local text, or UTF-16 units
    KelLength written;  ///< destination units written: UTF-16 units, or bytes of local text
    KelLength problems; ///< malformed or unmappable characters met, a stopping one included
    KelLength length;   ///< CutOff, Malformed, Unmappable: the source units of that character
    std::uint32_t value; ///< Malformed, Unmappable: the character, U+FFFD for malformed input
};

#endif
