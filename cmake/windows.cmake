# The Windows build: the Win32 platform in platform/ in place of the SDL
# window and the terminal, PNG files through zlib alone, and programs linked
# statically so that each .exe runs on its own.
find_package(ZLIB REQUIRED)

set(SURF_PLATFORM_LIBRARIES "")
set(SURF_PNG_LIBRARIES ZLIB::ZLIB)
set(SURF_MODEL_PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/platform/windows_checks.cpp)
set(SURF_MAIN_SOURCE ${CMAKE_SOURCE_DIR}/platform/windows_main.cpp)
set(SURF_MAIN_LIBRARIES surf_windows)

# Sources that only the Linux build has: the SDL window, the terminal, and
# the POSIX halves of the run-time checks and the tools.
macro(surf_filter_sources list)
  list(FILTER ${list} EXCLUDE REGEX
       "/(sdl_[a-z0-9_]*|terminal|terminal_keys|desktop_platform|[a-z_]*_posix|png_import|[a-z_]*_libpng)\\.cpp$")
endmacro()

add_link_options(-static -static-libgcc -static-libstdc++)
# A square root is the processor's instruction, which traps on a negative
# operand as on Linux; the runtime's sqrt would quietly give a NaN.
add_compile_options(-fno-math-errno)
# Windows 7 and later; access() that accepts X_OK as the old runtime did.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX __USE_MINGW_ACCESS)
# mkdir with a mode, as the tools call it.
add_compile_options(-include ${CMAKE_SOURCE_DIR}/platform/windows_posix.hpp)

file(GLOB WINDOWS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/windows_*.cpp)
list(FILTER WINDOWS_SOURCES EXCLUDE REGEX "/windows_(main|checks)\\.cpp$")
add_library(surf_windows STATIC ${WINDOWS_SOURCES})
target_include_directories(surf_windows PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(surf_windows PUBLIC surf_gfx gdi32 user32)

# GoogleTest from Debian's sources, built with this toolchain; the tests run
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
set(SURF_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")
if(EXISTS ${SURF_GTEST_SOURCE}/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SURF_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
