// What surfplot calls itself, for --help, --version and the window's title.
#include "frame/show_options.hpp"

const std::string_view program_title = "surfplot";
const std::string_view program_summary =
    "Shows one surface, z = f(row, column) on a 50 x 50 grid, as a slide show of twelve\n"
    "pictures: two contour maps, a point cloud, brick columns, hidden-line sections and\n"
    "painted quadrilaterals.";
