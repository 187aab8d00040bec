// KelXfer.isKelDefaultLocale tells the Java tool whether file names reach it
// through ISO-8859-1. The default is fixed when the library loads, so each
// locale is asked in a child process.
#include "kelxfer_KelXfer.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kChildVariable = "KELULIB_DEFAULT_LOCALE_JNI_CHILD";
const char* const kTestName = "DefaultLocaleJni.AnswersForTheLocaleTheLibraryLoadedWith";

TEST(DefaultLocaleJni, AnswersForTheLocaleTheLibraryLoadedWith) {
    if (std::getenv(kChildVariable) != nullptr) {
        std::printf("answer=%d\n", Java_kelxfer_KelXfer_isKelDefaultLocale(nullptr, nullptr));
        return;
    }
    struct Case {
        const char* lang;
        bool latin1;
    };
    // A locale the library cannot read falls back to ISO-8859-1 as well; a
    // default without a converter (EUC-TW) converts as UTF-8.
    const Case cases[] = {{"de_DE.ISO-8859-1", true},
                          {"C", true},
                          {"en_US.UTF-8", false},
                          {"zh_TW.EUC", false},
                          {"ja_JP.SJIS", false}};
    for (const Case& c : cases) {
        const keltest::ChildResult child = keltest::rerunSelf(
            {std::string("--gtest_filter=") + kTestName},
            {{"LANG", c.lang}, {"LC_ALL", nullptr}, {"LC_CTYPE", nullptr}, {kChildVariable, "1"}});
        EXPECT_EQ(child.exitCode, 0) << c.lang;
        EXPECT_NE(child.output.find(c.latin1 ? "answer=1" : "answer=0"), std::string::npos)
            << c.lang << ": " << child.output;
    }
}

} // namespace
