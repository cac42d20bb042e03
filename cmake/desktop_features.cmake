# What the desktop platform finds on this system: an SDL built for X11 (its
# window title and the watch over its connection are then also set through
# the X library), and libdw, which tells the source line of a run-time
# error.  macOS has neither; the show runs without them.  Each can be turned
# off by hand; turned on where it is missing, the configuration stops.
# Needs the imported target PkgConfig::SDL2.
include(CheckCXXSourceCompiles)

get_target_property(sdl_include_folders PkgConfig::SDL2 INTERFACE_INCLUDE_DIRECTORIES)
set(CMAKE_REQUIRED_INCLUDES ${sdl_include_folders})
set(CMAKE_REQUIRED_QUIET ON)
check_cxx_source_compiles([[
#include <SDL_syswm.h>
#ifndef SDL_VIDEO_DRIVER_X11
#error SDL without X11
#endif
int main() { return sizeof(Display*) == 0; }
]] SURF_HAVE_SDL_X11)
unset(CMAKE_REQUIRED_INCLUDES)
unset(CMAKE_REQUIRED_QUIET)
pkg_check_modules(LIBDW QUIET IMPORTED_TARGET libdw)

option(SURF_X11 "Set the window title and watch the window's connection through X11 too" ${SURF_HAVE_SDL_X11})
option(SURF_LIBDW "Tell the source line of a run-time error (libdw)" ${LIBDW_FOUND})
if(SURF_X11 AND NOT SURF_HAVE_SDL_X11)
  message(FATAL_ERROR "SURF_X11 is on, but SDL was not built for X11 or its X11 headers are missing (-DSURF_X11=OFF)")
endif()
if(SURF_LIBDW AND NOT LIBDW_FOUND)
  message(FATAL_ERROR "SURF_LIBDW is on, but libdw was not found (Debian: libdw-dev; or -DSURF_LIBDW=OFF)")
endif()
message(STATUS "Window title through X11: ${SURF_X11}; run-time errors tell their line (libdw): ${SURF_LIBDW}")
if(SURF_LIBDW AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # libdw finds a code address's unit through the address ranges table,
  # which Clang leaves out unless asked.
  add_compile_options(-gdwarf-aranges)
endif()
