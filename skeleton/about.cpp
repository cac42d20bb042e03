// What surfkit calls itself, for --help, --version and the window's title.
#include "frame/show_options.hpp"

const std::string_view program_title = "surfkit";
const std::string_view program_summary =
    "The exercise frame of the surface show: the same twelve pictures, each with its\n"
    "border and title, and the drawing inside left for you to write.";
