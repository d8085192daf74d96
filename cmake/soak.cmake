# The soak: random games under the sanitizers (configure with -DVEXLOT_SANITIZE=ON), see scripts/test.sh.
add_executable(vexlot_soak tests/soak/soak.cpp tests/soak/random_input.cpp)
target_include_directories(vexlot_soak PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(vexlot_soak PRIVATE vexlot_game)
find_package(Threads REQUIRED)
target_link_libraries(vexlot_soak PRIVATE Threads::Threads)
