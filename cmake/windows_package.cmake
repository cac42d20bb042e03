# The students' zip (cmake --build --preset windows --target package): the
# five programs, and the sources with which surfkit.exe is built again on
# Windows with CMake and MinGW-w64 after a renderer in skeleton/ is written.
install(TARGETS surfplot surfkit surfplot-shots surfkit-shots surfcompare RUNTIME DESTINATION .)
set(CMAKE_INSTALL_SYSTEM_RUNTIME_LIBS_SKIP ON)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CMakeLists.txt
              ${CMAKE_SOURCE_DIR}/CMakePresets.json DESTINATION source)
foreach(folder cmake model frame gfx platform skeleton render tools tests)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${folder} DESTINATION source)
endforeach()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME surfkit-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
