# Benchmarks: build/vexlot_bench. Figures only; nothing fails on time.
find_package(benchmark REQUIRED)
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
add_executable(vexlot_bench ${BENCH_SOURCES})
target_link_libraries(vexlot_bench PRIVATE vexlot_game benchmark::benchmark)
