# The Windows build: the Win32 platform in platform/ in place of the SDL
# window and the terminal, PNG files through zlib alone, and programs linked
# statically so that each .exe runs on its own.
find_package(ZLIB REQUIRED)

add_link_options(-static -static-libgcc -static-libstdc++)
# A square root is the processor's instruction, which traps on a negative
# operand as on Linux; the runtime's sqrt would quietly give a NaN.
add_compile_options(-fno-math-errno)
# Windows 7 and later; access() that accepts X_OK as the old runtime did.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX __USE_MINGW_ACCESS)
# mkdir with a mode, as the tools call it.
add_compile_options(-include ${CMAKE_CURRENT_LIST_DIR}/../platform/windows_posix.hpp)

# GoogleTest from Debian's sources, built with this toolchain; the tests run
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
if(BUILD_TESTING)
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
