// The command line of every program and command: long options only
// ("--name", "--name=value", "--name value"), operands, and the answers to
// --help and --version that all of them give the same way.
//
// A program lists its options, reads the line with read_command_line, and
// leaves at once with the code of answer_command_line when that has one:
// nothing is opened or touched before the whole line has been read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class OptionValue {
    none,      // --name
    required,  // --name=VALUE or --name VALUE
    optional,  // --name or --name=VALUE (a following word is an operand)
};

struct KnownOption {
    std::string_view name;  // with its dashes: "--watch"
    OptionValue value;
};

struct GivenOption {
    std::string_view name;
    std::optional<std::string_view> value;
};

struct CommandLine {
    bool help = false;     // --help or -h
    bool version = false;  // --version
    std::vector<GivenOption> options;       // in the order given
    std::vector<std::string_view> operands;  // words that are not options
};

// Reads argv[1..] against `known_options` (--help, -h and --version are always
// known).  False with a one-line `error` naming the bad word.
bool read_command_line(int argc, char** argv, const std::vector<KnownOption>& known_options, CommandLine& line,
                       std::string& error);

// What a program prints for --help, --version and a bad command line.
struct ProgramText {
    std::string_view name;  // as the user calls it
    std::string usage;      // the whole --help text
};

// "NAME VERSION", for --version.
std::string version_text(std::string_view program);

// For --help and --version prints the text on standard output and gives 0
// (2, said on standard error, when standard output cannot take it); for a bad line prints
// "NAME: ERROR (try 'NAME --help')" on standard error and gives 2.  Nothing
// when the program should go on.
std::optional<int> answer_command_line(const ProgramText& program, const CommandLine& line,
                                       const std::string& error);

// The last part of argv[0], or `fallback` when there is none.
std::string program_name(int argc, char** argv, std::string_view fallback);

// Whole numbers and decimals written plainly: digits, one optional point;
// false for anything else (signs, blanks, exponents, hex).
bool read_whole_number(std::string_view text, int& value);
bool read_decimal(std::string_view text, double& value);
