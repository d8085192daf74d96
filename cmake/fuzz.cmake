# libFuzzer targets for what comes from outside (clang only): configure with -DVEXLOT_FUZZ=ON, see
# scripts/fuzz.sh. The game library gets coverage and the sanitizers; each target links libFuzzer.
option(VEXLOT_FUZZ "Build the libFuzzer targets (clang)" OFF)
if(VEXLOT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VEXLOT_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  set(fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  # Bounds-checked tables: an overrun inside the one Game allocation is invisible to the address sanitizer.
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
  foreach(lib ${VEXLOT_LIBRARIES})
    target_compile_definitions(${lib} PRIVATE _GLIBCXX_ASSERTIONS)
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link ${fuzz_flags})
  endforeach()

  # One target per kind of outside input: fuzz_<name> from fuzz/<name>_fuzz.cpp, seeds in fuzz/corpus/<name>/.
  # `packet`: one datagram from the other peer of a network game (fuzz/packet_fuzz.cpp, fuzz/corpus/packet/).
  # `room_control`: one text frame between a game and the relay (fuzz/room_control_fuzz.cpp).
  set(VEXLOT_FUZZ_TARGETS script level level_play replay packet room_control)
  foreach(name ${VEXLOT_FUZZ_TARGETS})
    add_executable(fuzz_${name} fuzz/${name}_fuzz.cpp fuzz/sanitizer_options.cpp)
    if(name STREQUAL "room_control")
      # The relay's parser stands alone, as it does in the relay.
      target_sources(fuzz_${name} PRIVATE src/net/room_protocol.cpp)
      target_include_directories(fuzz_${name} PRIVATE src)
    else()
      target_link_libraries(fuzz_${name} PRIVATE vexlot_game)
    endif()
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer ${fuzz_flags})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer ${fuzz_flags})
  endforeach()
endif()
