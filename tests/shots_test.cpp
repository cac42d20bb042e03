// The export commands' arguments and folder checks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "tools/export/shots.hpp"

namespace {

struct Parsed {
    bool ok;
    CommandLine line;
    ShotsOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "surfplot-shots");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    Parsed p{};
    p.ok = parse_shots_arguments(static_cast<int>(argv.size()), argv.data(), p.options, p.line, p.error);
    return p;
}

TEST(ShotsArguments, DefaultsAndAcceptedForms)
{
    Parsed p = parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.width, 640);
    EXPECT_EQ(p.options.height, 480);
    EXPECT_EQ(p.options.folder, "shots");
    p = parse({"--size", "102x150", "--out=pics"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.width, 102);
    EXPECT_EQ(p.options.height, 150);
    EXPECT_EQ(p.options.folder, "pics");
    p = parse({"--size=8192x8192"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(parse({"--help"}).line.help);
    EXPECT_TRUE(parse({"--version"}).line.version);
}

TEST(ShotsArguments, BadArgumentsAreNamed)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--size", "101x150"}, {"--size", "102x149"}, {"--size", "8193x200"}, {"--size", "640"},
        {"--size", "640x"},    {"--size", "x480"},    {"--size", "64 0x480"}, {"--size", "-640x480"},
        {"--size", "640x480x2"}, {"--size"},          {"--out"},              {"--out="},
        {"--colour"},          {"pictures"}};
    for (const auto& words : bad) {
        const Parsed p = parse(words);
        EXPECT_FALSE(p.ok) << words[0] << " " << (words.size() > 1 ? words[1] : "");
        EXPECT_FALSE(p.error.empty());
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
    EXPECT_NE(parse({"--frobnicate"}).error.find("--frobnicate"), std::string::npos);
}

}  // namespace
