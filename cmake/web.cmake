# The web build: both programs compiled to WebAssembly with Emscripten, each
# one .js with its WebAssembly inside (so that the page also runs opened as a
# file, where browsers fetch nothing), shown by one page (platform/web/index.html).
# The show's blocking waits for keys suspend the program with Asyncify; the
# only function that suspends is the page's surf_wait_input.
set(SURF_WEB_FOLDER ${CMAKE_BINARY_DIR}/page)

# No code addresses (see the header).
add_compile_options(-include ${CMAKE_CURRENT_LIST_DIR}/../platform/web/web_compat.hpp)

function(surf_web_program target)
  set_target_properties(${target} PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${SURF_WEB_FOLDER})
  target_link_options(${target} PRIVATE
    -sASYNCIFY -sASYNCIFY_IMPORTS=[surf_wait_input] -sASYNCIFY_STACK_SIZE=65536
    -sMODULARIZE -sEXPORT_NAME=createShow -sENVIRONMENT=web -sEXIT_RUNTIME
    -sALLOW_MEMORY_GROWTH -sFILESYSTEM=0 -sSINGLE_FILE
    --js-library ${PROJECT_SOURCE_DIR}/platform/web/web_page.js)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/platform/web/web_page.js)
endfunction()
