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

# xxHash (the state hash) is one header: linked into a folder of its own the same way.
find_path(WEB_XXHASH_DIR xxhash.h PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/xxhash)
file(CREATE_LINK ${WEB_XXHASH_DIR}/xxhash.h ${CMAKE_CURRENT_BINARY_DIR}/xxhash/xxhash.h SYMBOLIC)
target_include_directories(vexlot_session SYSTEM PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/xxhash)

add_executable(vexlot_headless src/platform/main.cpp src/web/no_window.cpp)
target_include_directories(vexlot_headless SYSTEM PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/cli11)
target_compile_options(vexlot_headless PRIVATE -fexceptions)
target_link_libraries(vexlot_headless PRIVATE vexlot_runner)
# Node >= 18's global fetch trips this loader's URL parsing: compile the module synchronously from the
# file instead, and read and write the real files.
target_link_options(vexlot_headless PRIVATE -fexceptions -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0
                    -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1)

# The game's Sin, Cos and Atn over many arguments, hashed: tests/web/parity.sh compares it with the
# same program built natively.
add_executable(vexlot_math_dump tests/web/math_dump.cpp)
target_link_libraries(vexlot_math_dump PRIVATE vexlot_sim)
target_link_options(vexlot_math_dump PRIVATE -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0)

# The page: its game module, the page itself and the game's sounds, gathered in build-web/site/.
# The window's composition and the page's colour conversion use WebAssembly's vector instructions
# (every browser since 2021); the simulation stays plain.
target_compile_options(vexlot_view PRIVATE -msimd128)
add_executable(vexlot_web src/web/web_main.cpp)
target_compile_options(vexlot_web PRIVATE -fexceptions -msimd128 -Wno-dollar-in-identifier-extension)  # EM_ASM's $0
target_link_libraries(vexlot_web PRIVATE vexlot_session vexlot_view)
target_link_options(vexlot_web PRIVATE -fexceptions -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=createVexlot
                    -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1
                    "-sEXPORTED_RUNTIME_METHODS=['FS','UTF8ToString','ccall','cwrap']")
file(GLOB WEB_PAGE_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/web/*)
file(GLOB WEB_SOUND_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/sounds/*.wav)
set(WEB_SITE ${CMAKE_CURRENT_BINARY_DIR}/site)
set(sound_names "")
foreach(f ${WEB_SOUND_FILES})
  get_filename_component(n ${f} NAME)
  list(APPEND sound_names "\"${n}\"")
endforeach()
list(JOIN sound_names ", " sound_names)
file(MAKE_DIRECTORY ${WEB_SITE})
file(WRITE ${WEB_SITE}/sounds.json "[${sound_names}]\n")  # the page loads these before the first sound
add_custom_target(web_site ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${WEB_SITE}/sounds
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${WEB_PAGE_FILES} ${CMAKE_CURRENT_SOURCE_DIR}/assets/icon.png ${WEB_SITE}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${WEB_SOUND_FILES} ${WEB_SITE}/sounds
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE_DIR:vexlot_web>/vexlot_web.js
          $<TARGET_FILE_DIR:vexlot_web>/vexlot_web.wasm ${WEB_SITE}
  DEPENDS vexlot_web ${WEB_PAGE_FILES} ${WEB_SOUND_FILES}
  COMMENT "Gathering the page in ${WEB_SITE}")
