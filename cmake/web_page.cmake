# The page's folder (build-web/page: index.html and each program's .js and
# .wasm) and its zip (build-web/surfplot-web.zip), made by the default build.
add_custom_command(
  OUTPUT ${SURF_WEB_FOLDER}/index.html
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/platform/index.html ${SURF_WEB_FOLDER}/index.html
  DEPENDS ${PROJECT_SOURCE_DIR}/platform/index.html)
set(SURF_WEB_FILES index.html surfplot.js surfplot.wasm surfkit.js surfkit.wasm)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/surfplot-web.zip
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/surfplot-web.zip
  COMMAND ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/surfplot-web.zip --format=zip ${SURF_WEB_FILES}
  WORKING_DIRECTORY ${SURF_WEB_FOLDER}
  DEPENDS ${SURF_WEB_FOLDER}/index.html surfplot surfkit)
add_custom_target(web_page ALL DEPENDS ${SURF_WEB_FOLDER}/index.html ${CMAKE_BINARY_DIR}/surfplot-web.zip)
