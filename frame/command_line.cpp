// Reading the command line, and the answers every program gives to --help,
// --version and a bad line.  SURF_VERSION comes from the build.
#include "frame/command_line.hpp"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The build defines SURF_VERSION; a bare syntax check of this file does not.
#ifndef SURF_VERSION
#define SURF_VERSION "unknown"
#endif

namespace {

const KnownOption* find_known_option(const std::vector<KnownOption>& known_options, std::string_view name)
{
    for (const KnownOption& known : known_options)
        if (known.name == name) return &known;
    return nullptr;
}

constexpr KnownOption no_value_option{"", OptionValue::none};

bool is_option_word(std::string_view word) { return word.size() > 1 && word[0] == '-'; }

// One option word (and maybe the word after it); false with `error`.
bool read_option(int argc, char** argv, int& i, const std::vector<KnownOption>& known_options, CommandLine& line,
                 std::string& error)
{
    const std::string_view word = argv[i];
    const std::size_t equals = word.find('=');
    const std::string_view name = word.substr(0, equals);
    const bool has_value = equals != std::string_view::npos;
    const bool help = name == "--help" || name == "-h";
    if ((help || name == "--version") && !has_value) {
        (help ? line.help : line.version) = true;
        return true;
    }
    const KnownOption* known = help || name == "--version" ? &no_value_option : find_known_option(known_options, name);
    if (!known) {
        error = "unknown option '" + std::string(word) + "'";
        return false;
    }
    GivenOption given{name, std::nullopt};
    if (has_value) {
        if (known->value == OptionValue::none) {
            error = "option '" + std::string(name) + "' takes no value";
            return false;
        }
        given.value = word.substr(equals + 1);
    } else if (known->value == OptionValue::required) {
        if (i + 1 >= argc) {
            error = "option '" + std::string(name) + "' needs a value";
            return false;
        }
        given.value = std::string_view(argv[++i]);
    }
    line.options.push_back(given);
    return true;
}

// Says on standard error when standard output cannot take the text.
int print_all(const std::string& name, const char* what, const std::string& text)
{
    errno = 0;
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return 0;
    const int reason = errno;
    std::fprintf(stderr, "%s: cannot write the %s to standard output%s%s\n", name.c_str(), what,
                 reason ? ": " : "", reason ? std::strerror(reason) : "");
    return 2;
}

}  // namespace

bool read_command_line(int argc, char** argv, const std::vector<KnownOption>& known_options, CommandLine& line,
                       std::string& error)
{
    line = CommandLine{};
    bool operands_only = false;  // after "--" every word is an operand
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (!operands_only && word == "--") {
            operands_only = true;
        } else if (!operands_only && is_option_word(word)) {
            if (!read_option(argc, argv, i, known_options, line, error)) return false;
        } else {
            line.operands.push_back(word);
        }
    }
    return true;
}

std::string version_text(std::string_view program)
{
    return std::string(program) + " " + SURF_VERSION + "\n";
}

std::optional<int> answer_command_line(const ProgramText& program, const CommandLine& line,
                                       const std::string& error)
{
    const std::string name(program.name);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s (try '%s --help')\n", name.c_str(), error.c_str(), name.c_str());
        return 2;
    }
    if (line.help) return print_all(name, "help", program.usage);
    if (line.version) return print_all(name, "version", version_text(program.name));
    return std::nullopt;
}

std::string program_name(int argc, char** argv, std::string_view fallback)
{
    if (argc < 1 || !argv[0] || !*argv[0]) return std::string(fallback);
    const std::string_view path = argv[0];
#ifdef _WIN32
    // "C:\\kit\\surfplot.exe" is called surfplot, as the user types it.
    std::string_view name = path.substr(path.find_last_of("/\\:") + 1);
    const std::string_view suffix = ".exe";
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (name.size() > suffix.size() &&
        std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                   [&](char a, char b) { return a == lower(b); }))
        name.remove_suffix(suffix.size());
#else
    const std::string_view name = path.substr(path.find_last_of('/') + 1);
#endif
    return name.empty() ? std::string(fallback) : std::string(name);
}

bool read_whole_number(std::string_view text, int& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

bool read_decimal(std::string_view text, double& value)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const bool digits_only = whole.find_first_not_of("0123456789") == std::string_view::npos &&
                             fraction.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digits_only || (whole.empty() && fraction.empty()) || text.size() > 20) return false;
    if (point != std::string_view::npos && fraction.empty()) return false;
    // strtod: not every standard library reads a double with from_chars
    // (the web build's does not); the program never changes the "C" locale.
    const std::string digits(text);
    char* end = nullptr;
    value = std::strtod(digits.c_str(), &end);
    return end == digits.c_str() + digits.size();
}
