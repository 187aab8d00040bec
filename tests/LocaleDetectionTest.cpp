#include "KelCharSet.h"
#include "KelCharSetConverterManager.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

constexpr const char* kProbeVariable = "KELULIB_LOCALE_PROBE";

int charSetOf(KelCharSetConverter* conv) {
    return conv->getCharSet();
}

// In a child started by the tests below: reports what the library decided
// at load and leaves before any test runs.
void reportAndExit() {
    char path[64] = {};
    const int n = UTF8ToLocalPath(path,
                                  reinterpret_cast<const unsigned char*>("a\xE2\x82\xAC"
                                                                         "b"),
                                  sizeof path);
    std::printf("default=%d\n", static_cast<int>(g_oCnvtMgr.getDefaultCharSet()));
    std::printf("converter=%d\n", charSetOf(KelCharSetConverter::getConverter(KELCS_OS_DEFAULT)));
    std::printf("path=%.*s\n", n, path);
    // Detection happens once: a later LANG changes nothing.
    setenv("LANG", "ja_JP.eucJP", 1);
    std::printf("after=%d\n", charSetOf(g_oCnvtMgr.getConverter(KELCS_OS_DEFAULT)));
    // exit, not _exit: the exit handlers also write the coverage counts.
    std::exit(0);
}

struct ProbeMode {
    ProbeMode() {
        if (std::getenv(kProbeVariable) != nullptr)
            reportAndExit();
    }
} const g_probeMode;

std::map<std::string, std::string> probe(const char* lang) {
    const keltest::ChildResult child = keltest::rerunSelf(
        {}, {{"LANG", lang}, {"LC_ALL", nullptr}, {"LC_CTYPE", nullptr}, {kProbeVariable, "1"}});
    EXPECT_EQ(child.exitCode, 0) << (lang ? lang : "(unset)");
    std::map<std::string, std::string> report;
    std::istringstream lines(child.output);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            report[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return report;
}

// The converter that serves a set: its own, or UTF-8 until it exists.
int servedBy(KelCharSet cs) {
    return charSetOf(KelCharSetConverter::getConverter(cs));
}

struct LocaleCase {
    const char* lang; // null: unset
    KelCharSet expected;
};

TEST(LocaleDetection, CodesetKeysOfLocaleNames) {
    const LocaleCase cases[] = {
        {"en_US.UTF-8", KELCS_UTF8},
        {"en_US.utf8", KELCS_UTF8},
        {"ja_JP.UTF-8@cjknarrow", KELCS_UTF8},
        {"en_US.ISO-8859-1", KELCS_ISO_8859_1},
        {"de_DE.ISO-8859-15@euro", KELCS_ISO_8859_15},
        {"pl_PL.iso88592", KELCS_ISO_8859_2},
        {"ja_JP.eucJP", KELCS_EUC_JP},
        {"ja_JP.SJIS", KELCS_WCP932},
        {"ja_JP.PCK", KELCS_WCP932},
        {"ja_JP.ujis", KELCS_EUC_JP},
        {"ja", KELCS_EUC_JP},
        {"ja_JP", KELCS_ISO_8859_1},
        {"ja_JP.EUC", KELCS_ISO_8859_1},
        {"zh_CN.EUC", KELCS_EUC_CN},
        {"ko_KR.EUC", KELCS_EUC_KR},
        {"zh_TW.EUC", KELCS_EUC_TW},
        {".EUC", KELCS_ISO_8859_1},
        {"zh_TW.Big5", KELCS_BIG5},
        {"zh_CN.GB18030", KELCS_GB18030},
        {"ru_RU.KOI8-R", KELCS_ISO_8859_1},
        {"C", KELCS_ISO_8859_1},
        {"POSIX", KELCS_ISO_8859_1},
        {"en_US", KELCS_ISO_8859_1},
        {"", KELCS_ISO_8859_1},
        {"en_US.UTF\xFF-8", KELCS_ISO_8859_1},
        {nullptr, KELCS_ISO_8859_1},
    };
    for (const LocaleCase& c : cases) {
        const char* shown = c.lang ? c.lang : "(unset)";
        std::map<std::string, std::string> report = probe(c.lang);
        EXPECT_EQ(report["default"], std::to_string(c.expected)) << shown;
        EXPECT_EQ(report["converter"], std::to_string(servedBy(c.expected))) << shown;
        EXPECT_EQ(report["after"], report["converter"]) << shown;
    }
}

TEST(LocaleDetection, NamesAreReadAsUTF8Text) {
    const LocaleCase cases[] = {
        // A stray continuation byte is replaced, never dropped, as in every UTF-8 text.
        {"en_US.UTF\x80-8", KELCS_ISO_8859_1},
        {"\xC3\xA9_FR.UTF-8", KELCS_UTF8},
        {"ja_JP.\xC3\xA9UTF-8", KELCS_ISO_8859_1},
        // An overlong "." is no dot.
        {"en_US\xC0\xAEUTF-8", KELCS_ISO_8859_1},
    };
    for (const LocaleCase& c : cases)
        EXPECT_EQ(probe(c.lang)["default"], std::to_string(c.expected)) << c.lang;
}

TEST(LocaleDetection, PathsFollowTheDefault) {
    EXPECT_EQ(probe("en_US.ISO-8859-1")["path"], "aU+20ACb");
    EXPECT_EQ(probe(nullptr)["path"], "aU+20ACb");
    EXPECT_EQ(probe("en_US.UTF-8")["path"], "a\xE2\x82\xAC"
                                            "b");
    // EUC-TW has no euro sign.
    EXPECT_EQ(probe("zh_TW.EUC")["path"], "aU+20ACb");
}

} // namespace
