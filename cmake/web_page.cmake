# The page's folder (build-web/page: index.html, page.css and each program's
# .js) and its zip (build-web/surfplot-web.zip), made by the default build.
add_custom_command(
  OUTPUT ${SURF_WEB_FOLDER}/index.html ${SURF_WEB_FOLDER}/page.css
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/platform/web/index.html ${SURF_WEB_FOLDER}/index.html
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/platform/web/web_page.css ${SURF_WEB_FOLDER}/page.css
  DEPENDS ${PROJECT_SOURCE_DIR}/platform/web/index.html ${PROJECT_SOURCE_DIR}/platform/web/web_page.css)
set(SURF_WEB_FILES index.html page.css surfplot.js surfkit.js)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/surfplot-web.zip
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/surfplot-web.zip
  COMMAND ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/surfplot-web.zip --format=zip ${SURF_WEB_FILES}
  WORKING_DIRECTORY ${SURF_WEB_FOLDER}
  DEPENDS ${SURF_WEB_FOLDER}/index.html ${SURF_WEB_FOLDER}/page.css surfplot surfkit)
add_custom_target(web_page ALL DEPENDS ${SURF_WEB_FOLDER}/index.html ${CMAKE_BINARY_DIR}/surfplot-web.zip)

# For the page's test of a run-time error: surfkit with the faults of
# tests/planted in its brick renderer (PLANTED_FAULT in the module's ENV
# picks one), in a page folder of its own, build-web/planted-page.
option(SURF_WEB_PLANTED "Build the web page's test program with planted faults" OFF)
if(SURF_WEB_PLANTED)
  file(READ ${PROJECT_SOURCE_DIR}/skeleton/tegla.cpp original)
  file(READ ${PROJECT_SOURCE_DIR}/tests/planted/faults.inc faults)
  set(anchor "    set_oblique_steps();")
  string(REPLACE "${anchor}\n" "${anchor}\n${faults}" planted "${original}")
  if(planted STREQUAL original)
    message(FATAL_ERROR "skeleton/tegla.cpp no longer has the line '${anchor}' to plant the faults after")
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/planted.tmp "#include <cmath>\n#include <cstdint>\n#include <cstdlib>\n#include <cstring>\n#include <limits>\n${planted}")
  configure_file(${CMAKE_BINARY_DIR}/planted.tmp ${CMAKE_BINARY_DIR}/planted/tegla.cpp COPYONLY)
  get_target_property(kit_sources surf_skeleton SOURCES)
  list(REMOVE_ITEM kit_sources skeleton/tegla.cpp)
  list(TRANSFORM kit_sources PREPEND ${PROJECT_SOURCE_DIR}/)
  add_executable(planted-surfkit $<TARGET_OBJECTS:surf_main> ${kit_sources} ${CMAKE_BINARY_DIR}/planted/tegla.cpp)
  target_link_libraries(planted-surfkit PRIVATE surf_frame surf_platform)
  surf_web_program(planted-surfkit)
  set_target_properties(planted-surfkit PROPERTIES OUTPUT_NAME surfkit
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted-page)
  target_link_options(planted-surfkit PRIVATE -sEXPORTED_RUNTIME_METHODS=[ENV])
  add_custom_command(TARGET planted-surfkit POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/platform/web/index.html ${CMAKE_BINARY_DIR}/planted-page/
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/platform/web/web_page.css ${CMAKE_BINARY_DIR}/planted-page/page.css)
endif()
