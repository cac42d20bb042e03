# The students' zip (cmake --build --preset windows --target package): the
# five programs, a README for students on Windows, and in kit/ the exercise
# sources with which surfkit.exe is built again on Windows with CMake and
# MinGW-w64 after the renderers in kit/skeleton/ are written.  The finished
# renderers stay out.
install(TARGETS surfplot surfkit surfplot-shots surfkit-shots surfcompare RUNTIME DESTINATION .)
set(CMAKE_INSTALL_SYSTEM_RUNTIME_LIBS_SKIP ON)
# Without their debugging information (a sixth of the size): nothing on
# Windows reads it.
set(CPACK_STRIP_FILES ON)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)

configure_file(${PROJECT_SOURCE_DIR}/packaging/kit/CMakeLists.txt ${PROJECT_BINARY_DIR}/kit/CMakeLists.txt @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kit/CMakeLists.txt DESTINATION kit)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kit/README-windows.txt DESTINATION kit RENAME README.txt)
# For building the kit from Linux: for Windows, and for Linux itself.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake ${PROJECT_SOURCE_DIR}/cmake/desktop_features.cmake
        DESTINATION kit/cmake)
# The check of every push, for a course that hands in through Git.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kit/check.sh ${PROJECT_SOURCE_DIR}/packaging/kit/.gitlab-ci.yml DESTINATION kit)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kit/.github/workflows/check.yml DESTINATION kit/.github/workflows)
# Only what surfkit, surfkit-shots and the check's surfcompare are built
# from, on Windows or Linux: not the web page, nor surfgrade.
foreach(folder runtime model gfx platform frame skeleton)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder} DESTINATION kit
          FILES_MATCHING PATTERN "*.cpp" PATTERN "*.hpp" PATTERN "*.h" PATTERN "*.rc" PATTERN "*.manifest"
          PATTERN "web" EXCLUDE PATTERN "web_*" EXCLUDE PATTERN "*_web.cpp" EXCLUDE)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/tools/shots_main.cpp ${PROJECT_SOURCE_DIR}/tools/surfcompare_main.cpp
        DESTINATION kit/tools)
foreach(room compare export lib output png)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/${room}/ DESTINATION kit/tools/${room}
          FILES_MATCHING PATTERN "*.cpp" PATTERN "*.hpp")
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME surfkit-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
