// surfplot-shots / surfkit-shots: the show's twelve pictures as PNG files.
#include <optional>
#include <string>

#include "runtime/checks.hpp"
#include "tools/output/interrupts.hpp"
#include "tools/export/shots.hpp"

int main(int argc, char** argv)
{
    handle_interrupts();
    const std::string name = program_name(argc, argv, "surfplot-shots");
    ShotsOptions options;
    options.program = name;
    CommandLine line;
    std::string error;
    parse_shots_arguments(argc, argv, options, line, error);
    if (const std::optional<int> answered = answer_command_line({name, shots_usage(name)}, line, error))
        return *answered;
    install_float_checks();
    return run_shots(options);
}
