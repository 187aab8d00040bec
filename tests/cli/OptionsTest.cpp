#include "Options.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

kelconv::Options parse(std::initializer_list<const char*> args) {
    std::vector<std::string> storage{"kelconv"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return kelconv::parseOptions(static_cast<int>(storage.size()), argv.data());
}

TEST(Options, ReadsShortAndLongFormsAndFilesInAnyOrder) {
    const kelconv::Options o =
        parse({"-f", "UTF-8", "a.txt", "--to-code=CP932", "-o", "out", "-", "-s"});
    EXPECT_EQ(o.from, "UTF-8");
    EXPECT_EQ(o.to, "CP932");
    EXPECT_EQ(o.output, "out");
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.txt", "-"}));
    EXPECT_TRUE(o.silent);
    EXPECT_EQ(o.policy, KelPolicy::Replace);
    EXPECT_TRUE(parse({"-l"}).list);
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"--version"}).version);
    EXPECT_TRUE(parse({"-V"}).version);
}

TEST(Options, ErrorPolicies) {
    EXPECT_EQ(parse({"--on-error=escape"}).policy, KelPolicy::Escape);
    EXPECT_EQ(parse({"--on-error", "stop"}).policy, KelPolicy::Report);
    EXPECT_EQ(parse({"-c", "--on-error=stop"}).policy, KelPolicy::Skip);
    EXPECT_THROW(parse({"--on-error=ignore"}), kelconv::UsageError);
}

TEST(Options, MistakesAreUsageErrors) {
    EXPECT_THROW(parse({"-f"}), kelconv::UsageError);
    EXPECT_THROW(parse({"-x"}), kelconv::UsageError);
    EXPECT_THROW(parse({"--frobnicate"}), kelconv::UsageError);
    try {
        parse({"-t"});
    } catch (const kelconv::UsageError& e) {
        EXPECT_STREQ(e.what(), "option -t needs an argument");
    }
}

} // namespace
