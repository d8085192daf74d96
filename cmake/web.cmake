# The browser build, configured by scripts/web.sh with Emscripten: the simulation, view, session and
# runner libraries are the desktop's own (one list of sources); only the programs differ.
#   vexlot_headless.js + .wasm  the headless runner for node, the same options as `vexlot --headless`
#   vexlot_web.js + .wasm       the page's game module (src/web), loaded by web/index.html
# No Emscripten ports (they download while building): the browser's own APIs through html5.h and JS.

# The runner reports bad input by exceptions, so catching them must work (Emscripten's default aborts).
foreach(lib ${VEXLOT_LIBRARIES})
  target_compile_options(${lib} PRIVATE -fexceptions)
endforeach()

# CLI11 is header-only; give the compiler its folder alone, not all of the host's /usr/include.
find_path(WEB_CLI11_DIR CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/cli11)
file(CREATE_LINK ${WEB_CLI11_DIR}/CLI ${CMAKE_CURRENT_BINARY_DIR}/cli11/CLI SYMBOLIC)

add_executable(vexlot_headless src/platform/main.cpp src/web/no_window.cpp)
target_include_directories(vexlot_headless SYSTEM PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/cli11)
target_compile_options(vexlot_headless PRIVATE -fexceptions)
target_link_libraries(vexlot_headless PRIVATE vexlot_runner)
# Node >= 18's global fetch trips this loader's URL parsing: compile the module synchronously from the
# file instead, and read and write the real files.
target_link_options(vexlot_headless PRIVATE -fexceptions -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0
                    -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1)

include(${CMAKE_CURRENT_SOURCE_DIR}/cmake/web_page.cmake OPTIONAL)
