#include "Kelconv.h"
#include "Reporter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <unistd.h>

namespace {

// Runs kelconv on files of a scratch directory, with standard error captured.
class KelconvRun : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/kelconv-run-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override { std::system(("rm -rf " + m_dir).c_str()); }

    std::string file(const std::string& name, const std::string& content) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string read(const std::string& path) {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    int run(std::initializer_list<std::string> args) {
        std::vector<std::string> storage{"kelconv"};
        storage.insert(storage.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : storage)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        int status;
        {
            kelconv::Console console(fds[1]);
            try {
                status = kelconv::runKelconv(
                    kelconv::parseOptions(static_cast<int>(storage.size()), argv.data()), console);
            } catch (const kelconv::UsageError& e) {
                console.message(e.what());
                status = kelconv::kExitFailure;
            }
        }
        ::close(fds[1]);
        m_errors.clear();
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            m_errors.append(buffer, static_cast<std::size_t>(n));
        ::close(fds[0]);
        return status;
    }

    std::string m_dir;
    std::string m_errors;
};

TEST_F(KelconvRun, ConvertsFilesInOrderIntoOneOutput) {
    const std::string a = file("a", "caf\xC3\xA9\n");
    const std::string b = file("b", "\xE2\x82\xAC");
    const std::string out = m_dir + "/out";
    EXPECT_EQ(run({"-f", "utf-8", "-t", "KELCS_UTF8", "-o", out, a, b}), kelconv::kExitClean);
    EXPECT_EQ(read(out), "caf\xC3\xA9\n\xE2\x82\xAC");
    EXPECT_EQ(m_errors, "");
}

TEST_F(KelconvRun, ReportsProblemsWithFileAndOffsetAndExitsWithOne) {
    const std::string bad = file("bad", "ok\n\xC3(");
    const std::string out = m_dir + "/out";
    EXPECT_EQ(run({"-f", "UTF-8", "-t", "UTF-8", "-o", out, bad}), kelconv::kExitProblems);
    EXPECT_EQ(m_errors, "kelconv: " + bad + ": byte 3: C3 is not valid KELCS_UTF8\n");
    EXPECT_EQ(read(out), "ok\n\xEF\xBF\xBD(");
    EXPECT_EQ(run({"-s", "-f", "UTF-8", "-t", "UTF-8", "-o", out, bad}), kelconv::kExitProblems);
    EXPECT_EQ(m_errors, "");
}

// A line of more than a chunk, with a NUL character early in it, comes
// through whole, the characters split between chunks included.
TEST_F(KelconvRun, LongLinesWithAnEarlyNulComeThroughWhole) {
    const std::size_t repeat = 600 * 1024; // lines of more than 1 MiB in every set
    std::string expected("A\0B", 3);
    for (std::size_t i = 0; i < repeat; ++i)
        expected += "\xE3\x81\x82";
    const struct {
        const char* set;
        std::string head;
        const char* character;
    } sources[] = {{"UTF-8", std::string("A\0B", 3), "\xE3\x81\x82"},
                   {"Shift_JIS", std::string("A\0B", 3), "\x82\xA0"},
                   {"UTF-16LE", std::string("A\0\0\0B\0", 6), "\x42\x30"}};
    for (const auto& source : sources) {
        std::string input = source.head;
        for (std::size_t i = 0; i < repeat; ++i)
            input += source.character;
        const std::string out = m_dir + "/out";
        EXPECT_EQ(run({"-f", source.set, "-t", "UTF-8", "-o", out, file("in", input)}),
                  kelconv::kExitClean)
            << source.set;
        EXPECT_EQ(m_errors, "") << source.set;
        EXPECT_TRUE(read(out) == expected) << source.set;
    }
}

TEST_F(KelconvRun, ShowsTheFirstProblemsOfAnInputAndCountsTheRest) {
    const std::string bad = file("bad", std::string(15, '\x80'));
    EXPECT_EQ(run({"-f", "UTF-8", "-t", "UTF-8", "-o", m_dir + "/out", bad}),
              kelconv::kExitProblems);
    EXPECT_NE(m_errors.find("byte 9: 80 is not valid KELCS_UTF8\nkelconv: " + bad +
                            ": further problems are counted, not shown\nkelconv: " + bad +
                            ": 15 characters could not be converted\n"),
              std::string::npos);
}

TEST_F(KelconvRun, StopEndsTheWholeRun) {
    const std::string a = file("a", "one\xFF two");
    const std::string b = file("b", "three");
    const std::string out = m_dir + "/out";
    EXPECT_EQ(run({"--on-error=stop", "-f", "UTF-8", "-t", "UTF-8", "-o", out, a, b}),
              kelconv::kExitProblems);
    EXPECT_EQ(read(out), "one");
}

TEST_F(KelconvRun, AnUnreadableInputFailsTheRunButNotTheOtherInputs) {
    const std::string b = file("b", "fine");
    const std::string out = m_dir + "/out";
    EXPECT_EQ(run({"-f", "UTF-8", "-t", "UTF-8", "-o", out, m_dir + "/missing", m_dir, b}),
              kelconv::kExitFailure);
    EXPECT_EQ(read(out), "fine");
    EXPECT_NE(m_errors.find("missing: No such file or directory"), std::string::npos);
    EXPECT_NE(m_errors.find(m_dir + ": read error: Is a directory"), std::string::npos);
}

TEST_F(KelconvRun, RefusesToOverwriteItsInput) {
    const std::string a = file("a", "keep me");
    EXPECT_EQ(run({"-f", "UTF-8", "-t", "UTF-8", "-o", a, a}), kelconv::kExitFailure);
    EXPECT_EQ(m_errors, a + " is also the output file\n");
    EXPECT_EQ(read(a), "keep me");
}

TEST_F(KelconvRun, RefusesSetsItCannotConvert) {
    EXPECT_EQ(run({"-f", "klingon", "-t", "UTF-8"}), kelconv::kExitFailure);
    EXPECT_EQ(m_errors, "unknown character set 'klingon' (kelconv -l lists them)\n");
}

} // namespace

namespace {

TEST(Reporter, DescribesEachKindOfProblem) {
    using kelconv::Problem;
    EXPECT_EQ(
        kelconv::describeProblem({Problem::Kind::Incomplete, 0, {0x41}, 0}, 7, "KELCS_UTF16", "T"),
        "byte 7: 41 is an incomplete KELCS_UTF16 character at the end of the input");
    EXPECT_EQ(kelconv::describeProblem({Problem::Kind::Unmappable, 0, {}, 0x1F600}, 12, "S",
                                       "KELCS_WCP1252"),
              "byte 12: U+1F600 has no mapping in KELCS_WCP1252");
}

} // namespace
