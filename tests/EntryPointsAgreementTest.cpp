// The entry points and KelUString convert with the counted operations where
// they can; they must give what the conversions through terminated text
// give, which these tests spell out again from the converters' terminated
// operations.

#include "KelCharSet.h"
#include "KelUString.h"

#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned short>;

KelCharSetConverter* conv(KelCharSet cs) {
    return KelCharSetConverter::getConverter(cs);
}

const unsigned char* u8(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.c_str());
}

// Good and bad UTF-8: the JVM's forms, lone surrogates, malformed bytes,
// characters most sets lack, and escapes, well-formed or not.
const std::vector<std::string> kUTF8 = {"plain/name.txt",
                                        "caf\xC3\xA9 \xC3\xBC",
                                        "\xE3\x81\x82\xE3\x81\x84/\xE6\xBC\xA2\xE5\xAD\x97",
                                        "\xF0\x9F\x98\x80x",
                                        "a\xC0\x80z",
                                        "\xED\xA0\xBD\xED\xB8\x80",
                                        "a\xED\xA0\x80z",
                                        "b\xED\xB0\x80",
                                        "\x80\xE3\x81",
                                        "\xC0\xAF\xF8\x88\x80\x80\x80",
                                        "x\xE2\x82",
                                        "\xD0\x96\xCE\xA9\xE2\x82\xAC",
                                        "aU+20ACb",
                                        "U+00e9U+0000U+D83D",
                                        "\xEF\xBD\xB1\xE3\x8B\x90\xE2\x91\xA0",
                                        "\xE5\x86\x86~\\",
                                        [] {
                                            std::string s;
                                            for (int i = 0; i < 90; ++i)
                                                s += "na\xC3\xAFve/\xE5\x86\x86";
                                            return s;
                                        }()};

const KelLength kCapacities[] = {1, 2, 3, 4, 5, 7, 8, 9, 13, 400, 3000};

// Local text for `cs`: each sample converted, its UTF-8 bytes as they are,
// and random bytes.
std::vector<std::string> localSamples(KelCharSet cs) {
    std::vector<std::string> out;
    std::mt19937 random(static_cast<unsigned>(cs));
    for (const std::string& s : kUTF8) {
        out.push_back(s);
        std::vector<char> local(8 * s.size() + 8);
        const int n = UTF8ToLocal(local.data(), u8(s), local.size(), cs);
        out.emplace_back(local.data(), static_cast<size_t>(n));
        std::string noise(1 + random() % 12, '\0');
        for (char& c : noise)
            c = static_cast<char>(1 + random() % 255);
        out.push_back(noise);
    }
    for (std::string& s : out)
        s.erase(std::find(s.begin(), s.end(), '\0'), s.end());
    return out;
}

KelLength room(KelLength capacity, KelLength nullSize) {
    return std::min<KelLength>(capacity - nullSize, INT_MAX);
}

// The conversions as they were, through a UTF-16 copy.
int viaUTF16ToLocal(char* dst, const std::string& src, KelLength capacity, KelCharSetConverter* c,
                    ILLCHAR_OPTYPE op) {
    std::memset(dst, 0, c->getNullCharSize());
    if (src.empty())
        return 0;
    Units text(src.size() + 1);
    conv(KELCS_UTF8)->toUTF16(text.data(), u8(src), src.size(), ILLCHAR_REPLACE, nullptr, -1);
    return static_cast<int>(
        c->fromUTF16(dst, text.data(), room(capacity, c->getNullCharSize()), op, nullptr));
}

KelLength readLocal(KelCharSetConverter* c, unsigned short* dst, const std::string& src,
                    KelLength room, bool* illegal) {
    const KelLength units = src.size() / c->getMinUnitSize();
    dst[0] = 0;
    return units == 0 ? 0
                      : c->toUTF16(dst, src.c_str(), room, ILLCHAR_REPLACE, illegal,
                                   static_cast<int>(units));
}

KelLength readLocalOrLatin1(unsigned short* dst, const std::string& src, KelLength room,
                            KelCharSet cs) {
    bool illegal = false;
    const KelLength n = readLocal(conv(cs), dst, src, room, &illegal);
    return illegal ? readLocal(conv(KELCS_ISO_8859_1), dst, src, room, &illegal) : n;
}

int viaUTF16ToUTF8(unsigned char* dst, const std::string& src, KelLength capacity, KelCharSet cs) {
    dst[0] = 0;
    if (src.empty())
        return 0;
    Units text(src.size() + 1);
    readLocalOrLatin1(text.data(), src, src.size(), cs);
    return static_cast<int>(
        conv(KELCS_UTF8)->fromUTF16(dst, text.data(), room(capacity, 1), ILLCHAR_REPLACE, nullptr));
}

template <class Unit>
void expectSame(const std::vector<Unit>& now, int n, const std::vector<Unit>& old, int m,
                KelLength nulUnits, const std::string& what) {
    ASSERT_EQ(n, m) << what;
    const auto upTo = static_cast<std::ptrdiff_t>(static_cast<KelLength>(n) + nulUnits);
    EXPECT_TRUE(std::equal(now.begin(), now.begin() + upTo, old.begin())) << what;
}

TEST(EntryPointsAgreement, UTF8ToLocalAsThroughUTF16) {
    for (KelCharSet cs : keltest::kRegisteredSets) {
        KelCharSetConverter* c = conv(cs);
        const KelLength nul = c->getNullCharSize();
        for (const std::string& s : kUTF8) {
            for (KelLength capacity : kCapacities) {
                if (capacity < nul)
                    continue;
                std::vector<char> now(capacity, '#'), old(capacity, '#');
                const int n = UTF8ToLocal(now.data(), u8(s), capacity, cs);
                const int m = viaUTF16ToLocal(old.data(), s, capacity, c, ILLCHAR_REPLACE);
                expectSame(now, n, old, m, nul,
                           std::to_string(cs) + " " + s + " " + std::to_string(capacity));
            }
        }
    }
}

TEST(EntryPointsAgreement, LocalToUTF8AndUTF16AsThroughUTF16) {
    for (KelCharSet cs : keltest::kRegisteredSets) {
        for (const std::string& s : localSamples(cs)) {
            for (KelLength capacity : kCapacities) {
                const std::string what =
                    std::to_string(cs) + " " + s + " " + std::to_string(capacity);
                std::vector<unsigned char> now(capacity, '#'), old(capacity, '#');
                const int n = LocalToUTF8(now.data(), s.c_str(), capacity, cs);
                const int m = viaUTF16ToUTF8(old.data(), s, capacity, cs);
                expectSame(now, n, old, m, 1, what);

                Units units(capacity, '#'), oldUnits(capacity, '#');
                const int k = LocalToUTF16(units.data(), s.c_str(), static_cast<int>(capacity), cs);
                const int l =
                    static_cast<int>(readLocalOrLatin1(oldUnits.data(), s, room(capacity, 1), cs));
                expectSame(units, k, oldUnits, l, 1, what);
            }
        }
    }
}

// The path conversions in the default set, whatever it is here.
TEST(EntryPointsAgreement, PathsAsThroughUTF16) {
    KelCharSetConverter* c = conv(KELCS_OS_DEFAULT);
    const KelLength nul = c->getNullCharSize();
    for (const std::string& s : kUTF8) {
        for (KelLength capacity : kCapacities) {
            if (capacity < nul)
                continue;
            const std::string what = s + " " + std::to_string(capacity);
            std::vector<char> now(capacity, '#'), old(capacity, '#');
            const int n = UTF8ToLocalPath(now.data(), u8(s), static_cast<int>(capacity));
            const int m = viaUTF16ToLocal(old.data(), s, capacity, c, ILLCHAR_ESCAPE);
            expectSame(now, n, old, m, nul, what);
        }
    }
    // What a name in the default set comes back as: escapes resolved, a JVM
    // NUL ending it, each decoded as the two-step conversion decodes it.
    for (const std::string& s : localSamples(c->getCharSet())) {
        Units text(s.size() + 1);
        const KelLength count = readLocal(c, text.data(), s, s.size(), nullptr);
        Units resolved;
        KelLength i = 0;
        while (i < count) {
            const std::string six(text.begin() + static_cast<std::ptrdiff_t>(i),
                                  text.begin() +
                                      static_cast<std::ptrdiff_t>(std::min(count, i + 6)));
            unsigned value = 0;
            if (six.size() == 6 && six.compare(0, 2, "U+") == 0 &&
                six.find_first_not_of("0123456789ABCDEF", 2) == std::string::npos &&
                (value = static_cast<unsigned>(std::stoul(six.substr(2), nullptr, 16))) != 0) {
                resolved.push_back(static_cast<unsigned short>(value));
                i += 6;
            } else {
                resolved.push_back(text[i++]);
            }
        }
        resolved.push_back(0);
        for (KelLength capacity : kCapacities) {
            std::vector<unsigned char> now(capacity, '#'), old(capacity, '#');
            const int n = LocalPathToUTF8(now.data(), s.c_str(), static_cast<int>(capacity));
            old[0] = 0;
            const int m = count == 0 ? 0
                                     : static_cast<int>(conv(KELCS_UTF8)
                                                            ->fromUTF16(old.data(), resolved.data(),
                                                                        room(capacity, 1),
                                                                        ILLCHAR_REPLACE, nullptr));
            expectSame(now, n, old, m, 1, s + " " + std::to_string(capacity));
        }
    }
}

// Built from local text of a known length, cut or whole, and given back
// with c_str, also with 0 units inside.
TEST(EntryPointsAgreement, UStringAsThroughTerminatedCopies) {
    for (KelCharSet cs : keltest::kRegisteredSets) {
        KelCharSetConverter* c = conv(cs);
        for (const std::string& s : localSamples(cs)) {
            for (KelLength cut = 0; cut < 3 && cut < s.size(); ++cut) {
                const KelLength len = s.size() - cut;
                std::string padded = s.substr(0, len) + std::string(8, '\0');
                Units old(len + 2);
                const KelLength units = len / c->getMinUnitSize();
                const KelLength n =
                    units == 0 ? 0
                               : c->toUTF16(old.data(), padded.data(),
                                            len / std::min<KelLength>(c->getMinUnitSize(), 2),
                                            ILLCHAR_REPLACE, nullptr, static_cast<int>(units));
                KelUString str(s.data(), len, cs);
                ASSERT_EQ(str.size(), n) << cs << " " << s;
                EXPECT_TRUE(std::equal(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(n),
                                       str.begin()))
                    << cs << " " << s;
            }
        }
        for (const std::string& s : kUTF8) {
            const KelUString str(s.c_str(), KELCS_UTF8);
            Units twice(str.begin(), str.begin() + static_cast<std::ptrdiff_t>(str.size()));
            twice.push_back(0);
            twice.insert(twice.end(), str.begin(),
                         str.begin() + static_cast<std::ptrdiff_t>(str.size()));
            for (KelUString text : {str, KelUString(twice.data(), twice.size())}) {
                std::vector<char> old(16 * text.size() + 16);
                const KelLength m = c->fromUTF16(old.data(), text.begin(), old.size() - 8,
                                                 ILLCHAR_REPLACE, nullptr);
                const char* now = text.c_str(cs);
                EXPECT_TRUE(std::equal(
                    old.begin(),
                    old.begin() + static_cast<std::ptrdiff_t>(m + c->getNullCharSize()), now))
                    << cs << " " << s;
                if (cs == KELCS_UTF32) {
                    EXPECT_EQ(text.numChars(), m / 4) << s;
                }
            }
        }
    }
}

} // namespace
