# The Windows build: the Win32 platform in platform/ in place of the SDL
# window and the terminal, PNG files through zlib alone, and programs linked
# statically so that each .exe runs on a Windows with nothing installed.
enable_language(RC)

# zlib's static library: find_package(ZLIB) would take the import library of
# zlib1.dll, which -static does not change and Windows does not have.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
find_package(ZLIB REQUIRED)

add_link_options(-static -static-libgcc -static-libstdc++)
# A square root is the processor's instruction, which traps on a negative
# operand as on Linux; the runtime's sqrt would quietly give a NaN.
add_compile_options(-fno-math-errno)
# Windows 7 and later; access() that accepts X_OK as the old runtime did.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX __USE_MINGW_ACCESS)
# mkdir with a mode, as the tools call it.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-include${CMAKE_CURRENT_LIST_DIR}/../platform/windows/windows_posix.hpp>)

# Each program carries the manifest that makes UTF-8 its code page.
function(surf_windows_program target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/windows/windows_utf8.rc)
endfunction()

# GoogleTest from Debian's sources, built with this toolchain; the tests run
# under Wine, in a Wine prefix of the build folder (never the user's own),
# with Wine's copies of libraries that Windows lacks turned off.
if(BUILD_TESTING)
  find_program(SURF_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR bash ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
  set(SURF_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")
  if(NOT EXISTS ${SURF_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "The Windows tests need GoogleTest's sources in ${SURF_GTEST_SOURCE} (Debian: googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SURF_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
