// The command line shared by the programs: accepted forms, and a bad word
// named in one line with exit code 2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/command_line.hpp"
#include "frame/show_options.hpp"

namespace {

struct Words {
    std::vector<std::string> words;
    std::vector<char*> argv;
    explicit Words(std::vector<std::string> given) : words(std::move(given))
    {
        words.insert(words.begin(), "/usr/bin/surfplot");
        for (std::string& word : words) argv.push_back(word.data());
    }
    int argc() const { return static_cast<int>(argv.size()); }
};

struct ShowRead {
    std::optional<int> exit_code;
    ShowOptions options;
    std::string out, err;
};

ShowRead read_show(std::vector<std::string> given)
{
    Words words(std::move(given));
    ShowRead read;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    read.exit_code = read_show_options(words.argc(), words.argv.data(), read.options);
    read.out = testing::internal::GetCapturedStdout();
    read.err = testing::internal::GetCapturedStderr();
    return read;
}

TEST(CommandLine, ReadsEachFormOfAnOption)
{
    const std::vector<KnownOption> known_options = {{"--out", OptionValue::required}, {"--watch", OptionValue::optional},
                                           {"--quiet", OptionValue::none}};
    Words words({"--out", "a", "--out=b", "--watch", "x", "--watch=2", "--quiet", "--", "--quiet", "-"});
    CommandLine line;
    std::string error;
    ASSERT_TRUE(read_command_line(words.argc(), words.argv.data(), known_options, line, error)) << error;
    ASSERT_EQ(line.options.size(), 5u);
    EXPECT_EQ(line.options[0].value, "a");
    EXPECT_EQ(line.options[1].value, "b");
    EXPECT_FALSE(line.options[2].value) << "a word after an optional value is an operand";
    EXPECT_EQ(line.options[3].value, "2");
    EXPECT_EQ(line.operands, (std::vector<std::string_view>{"x", "--quiet", "-"}));
    EXPECT_FALSE(line.help || line.version);

    for (const auto& [bad, named] : std::vector<std::pair<std::string, std::string>>{
             {"--outer", "--outer"}, {"-o", "-o"}, {"--quiet=1", "--quiet"}, {"--help=1", "--help"}, {"--out", "--out"}}) {
        Words one({bad});
        EXPECT_FALSE(read_command_line(one.argc(), one.argv.data(), known_options, line, error)) << bad;
        EXPECT_NE(error.find(named), std::string::npos) << error;
    }
}

TEST(ShowOptions, DefaultsAndAcceptedValues)
{
    ShowRead read = read_show({});
    EXPECT_FALSE(read.exit_code);
    EXPECT_EQ(read.options.watch_seconds, 0);
    EXPECT_EQ(read.options.from, 1);
    read = read_show({"--watch", "--from", "12"});
    EXPECT_FALSE(read.exit_code) << read.err;
    EXPECT_EQ(read.options.watch_seconds, 3);
    EXPECT_EQ(read.options.from, 12);
    read = read_show({"--watch=0.1", "--from=1"});
    EXPECT_FALSE(read.exit_code) << read.err;
    EXPECT_EQ(read.options.watch_seconds, 0.1);
    EXPECT_EQ(read_show({"--watch=60"}).options.watch_seconds, 60);
    EXPECT_EQ(read_show({"--watch=2.5"}).options.watch_seconds, 2.5);
}

TEST(ShowOptions, BadWordsGetOneLineAPointerToHelpAndExitCode2)
{
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--watch=0.09"}, {"--watch=61"}, {"--watch="}, {"--watch=1e1"}, {"--watch=-1"}, {"--watch=.5."},
             {"--watch=2s"}, {"--watch", "5"}, {"--from", "0"}, {"--from=13"}, {"--from"}, {"--from", "+3"},
             {"--from", " 3"}, {"--from", "3.0"}, {"--frm", "3"}, {"picture"}, {"--version=2"}}) {
        const ShowRead read = read_show(bad);
        SCOPED_TRACE(bad.front());
        EXPECT_EQ(read.exit_code, 2);
        EXPECT_TRUE(read.out.empty());
        EXPECT_EQ(std::count(read.err.begin(), read.err.end(), '\n'), 1) << read.err;
        EXPECT_EQ(read.err.rfind("surfplot: ", 0), 0u) << read.err;
        EXPECT_NE(read.err.find("'surfplot --help'"), std::string::npos) << read.err;
    }
    EXPECT_NE(read_show({"--frm"}).err.find("'--frm'"), std::string::npos);
    EXPECT_NE(read_show({"--watch", "5"}).err.find("--watch=5"), std::string::npos);
}

TEST(ShowOptions, HelpAndVersionAnswerOnStandardOutput)
{
    const ShowRead help = read_show({"--from", "3", "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind("Usage: surfplot [OPTION]...\n", 0), 0u) << help.out;
    for (const char* option : {"\n  --watch[=SECONDS]  ", "\n  --from N  ", "\n  --help  ", "\n  --version  "})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const ShowRead version = read_show({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, version_text("surfplot"));
    EXPECT_EQ(version.out.rfind("surfplot ", 0), 0u);
}

TEST(Numbers, OnlyPlainDigitsAndOnePoint)
{
    int whole = 0;
    double decimal = 0;
    EXPECT_TRUE(read_whole_number("12", whole));
    EXPECT_EQ(whole, 12);
    for (const char* bad : {"", "-1", "+1", "1.0", "0x1", "1 ", "9999999999"})
        EXPECT_FALSE(read_whole_number(bad, whole)) << bad;
    EXPECT_TRUE(read_decimal(".5", decimal));
    EXPECT_EQ(decimal, 0.5);
    EXPECT_TRUE(read_decimal("7", decimal));
    EXPECT_EQ(decimal, 7.0);
    for (const char* bad : {"", ".", "5.", "1e3", "inf", "nan", "-0.5", "1,5", "0x10"})
        EXPECT_FALSE(read_decimal(bad, decimal)) << bad;
}

}  // namespace

namespace {

std::string name_of(const char* argument0)
{
    char* argv[] = {const_cast<char*>(argument0), nullptr};
    return program_name(1, argv, "fallback");
}

}  // namespace

TEST(ProgramName, IsTheLastPartOfTheCommand)
{
    EXPECT_EQ(name_of("/usr/bin/surfplot"), "surfplot");
    EXPECT_EQ(name_of("surfcompare"), "surfcompare");
    EXPECT_EQ(name_of("build/"), "fallback");
    EXPECT_EQ(name_of(""), "fallback");
#ifdef _WIN32
    // Messages name the program as it is typed: no folder, no ".exe".
    EXPECT_EQ(name_of("C:\\kit\\surfplot.exe"), "surfplot");
    EXPECT_EQ(name_of("Z:\\work/kit\\SURFKIT-SHOTS.EXE"), "SURFKIT-SHOTS");
    EXPECT_EQ(name_of("C:surfcompare.exe"), "surfcompare");
    EXPECT_EQ(name_of("C:\\kit\\surfplot.exe.old"), "surfplot.exe.old");
#else
    // A backslash is a character of a Linux file name.
    EXPECT_EQ(name_of("odd\\surfplot.exe"), "odd\\surfplot.exe");
#endif
}

