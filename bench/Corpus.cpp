#include "Corpus.h"

#include <unicode/ustring.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelbench {

namespace {

const char* const kTextLabels[] = {"ascii",  "latin1", "japanese", "chinese", "emoji", "korean",
                                   "traditional", "en-man", "ja-man", "zh-man", "tw-man"};

struct Kind {
    const char* kind;
    const char* generated;
    const char* real;
};

const Kind kKinds[] = {{"ascii", "ascii", "en-man"},          {"latin1", "latin1", "en-man"},
                       {"japanese", "japanese", "ja-man"},    {"chinese", "chinese", "zh-man"},
                       {"traditional", "traditional", "tw-man"}, {"korean", "korean", nullptr},
                       {"emoji", "emoji", nullptr}};

bool fileExists(const std::string& path) {
    return std::ifstream(path).good();
}

std::string baseName(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    const std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? dir : dir.substr(slash + 1);
}

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

const Text* Corpus::text(const std::string& kind) const {
    for (const Kind& k : kKinds) {
        if (kind != k.kind)
            continue;
        for (const Text& t : texts) {
            if (t.label == k.generated || (k.real != nullptr && t.label == k.real))
                return &t;
        }
    }
    return nullptr;
}

Corpus loadCorpus(const std::string& dir) {
    Corpus corpus;
    corpus.tag = baseName(dir);
    for (const char* label : kTextLabels) {
        const std::string path = dir + "/" + label + ".txt";
        if (!fileExists(path))
            continue;
        Text t{label, readFile(path), {}};
        t.utf16 = icuUTF16(t.utf8);
        corpus.texts.push_back(std::move(t));
    }
    if (corpus.texts.empty()) {
        std::fprintf(stderr, "kelbench: no text in %s (run bench/make_corpus.py)\n", dir.c_str());
        std::exit(2);
    }
    corpus.names = splitNames(readFile(dir + "/names.txt"));
    return corpus;
}

} // namespace kelbench
