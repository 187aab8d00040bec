#ifndef KELBENCH_CORPUS_H
#define KELBENCH_CORPUS_H

// The texts of one corpus directory, generated (bench/make_corpus.py) or
// taken from manual pages (bench/real_corpus.py), as the inputs of every peer.

#include <cstddef>
#include <string>
#include <vector>

namespace kelbench {

// One text in the encodings the workloads read: its UTF-8 bytes and UTF-16
// units, both NUL-terminated.
struct Text {
    std::string label;
    std::string utf8;
    std::u16string utf16;
};

// The file names packed one after another, each followed by a NUL byte.
struct NameList {
    std::string bytes;
    std::vector<std::size_t> offsets;
    std::size_t textBytes = 0; // without the separators

    const unsigned char* name(std::size_t i) const {
        return reinterpret_cast<const unsigned char*>(bytes.data()) + offsets[i];
    }
    std::size_t size() const { return offsets.size(); }
};

struct Corpus {
    std::string tag; // the directory's name, in front of every workload's name
    std::vector<Text> texts;
    NameList names;

    // The text that stands for a kind of text the workloads ask for (ascii,
    // latin1, japanese, chinese, traditional, korean, emoji): the generated
    // one, else the manual pages' of that language; null when there is none.
    const Text* text(const std::string& kind) const;
};

// Reads the texts that `dir` holds and its names; the UTF-16 forms are made
// by ICU. Exits with a message when it has no text or no names.
Corpus loadCorpus(const std::string& dir);

} // namespace kelbench

#endif
