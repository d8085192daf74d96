# Benchmarks: build/vexlot_bench. Figures only; nothing fails on time.
find_package(benchmark REQUIRED)
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
add_executable(vexlot_bench ${BENCH_SOURCES})
target_link_libraries(vexlot_bench PRIVATE vexlot_game benchmark::benchmark)

# Load on the relay: N rooms of two fake peers (bench/relay/relay_load.cpp), figures in docs/relay.md.
add_executable(vexlot_relay_load bench/relay/relay_load.cpp)
target_compile_definitions(vexlot_relay_load PRIVATE VEXLOT_RELAY_BINARY="$<TARGET_FILE:vexlot-relay>")
target_link_libraries(vexlot_relay_load PRIVATE Threads::Threads)
add_dependencies(vexlot_relay_load vexlot-relay)
