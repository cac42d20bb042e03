# Cross build for 64-bit ARM Linux with Debian's GCC for aarch64, against the
# arm64 libraries installed beside the native ones (multiarch).  Programs
# built here run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(ARM_TRIPLET aarch64-linux-gnu)
find_program(CMAKE_C_COMPILER NAMES ${ARM_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ARM_TRIPLET}-g++ REQUIRED)
set(CMAKE_LIBRARY_ARCHITECTURE ${ARM_TRIPLET})

# Headers and libraries: the toolchain's own folder and the arm64 multiarch
# folders under /usr; programs are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${ARM_TRIPLET} /usr)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(PKG_CONFIG_EXECUTABLE NAMES ${ARM_TRIPLET}-pkg-config REQUIRED)

# Tests and tools built here run under qemu, with the loader of the arm64
# C library that came with the multiarch libraries: the cross toolchain's
# own loader does not match that C library (threads hang).
find_program(SURF_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(SURF_QEMU)
  if(EXISTS /lib/ld-linux-aarch64.so.1)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SURF_QEMU} -L /)
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SURF_QEMU} -L /usr/${ARM_TRIPLET})
  endif()
endif()
