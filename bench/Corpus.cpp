#include "Corpus.h"

#include <unicode/ustring.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelbench {

namespace {

const char* const kTextLabels[] = {"ascii", "latin1", "japanese",   "chinese",
                                   "emoji", "korean", "traditional"};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kelbench: cannot read %s (run bench/make_corpus.py)\n", path.c_str());
        std::exit(2);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::u16string icuUTF16(const std::string& utf8) {
    std::u16string out(utf8.size() + 1, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(out.data(), static_cast<int32_t>(out.size()), &length, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &err);
    if (U_FAILURE(err)) {
        std::fprintf(stderr, "kelbench: the corpus is not valid UTF-8\n");
        std::exit(2);
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

NameList splitNames(const std::string& lines) {
    NameList names;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        names.offsets.push_back(names.bytes.size());
        names.bytes += line;
        names.bytes += '\0';
        names.textBytes += line.size();
    }
    return names;
}

} // namespace

const Text& Corpus::text(const std::string& label) const {
    for (const Text& t : texts) {
        if (t.label == label)
            return t;
    }
    std::fprintf(stderr, "kelbench: no text %s\n", label.c_str());
    std::exit(2);
}

Corpus loadCorpus(const std::string& dir) {
    Corpus corpus;
    for (const char* label : kTextLabels) {
        Text t{label, readFile(dir + "/" + label + ".txt"), {}};
        t.utf16 = icuUTF16(t.utf8);
        corpus.texts.push_back(std::move(t));
    }
    corpus.names = splitNames(readFile(dir + "/names.txt"));
    return corpus;
}

} // namespace kelbench
