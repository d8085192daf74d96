# The real-window test: the program under its own Xvfb, driven by xdotool (scripts/setup.sh installs both).
add_test(NAME e2e_window COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/window_test.sh $<TARGET_FILE:vexlot>)
set_tests_properties(e2e_window PROPERTIES LABELS e2e TIMEOUT 300)

# Game controllers: two of SDL's virtual controllers drive the window front-end (no display needed).
add_executable(vexlot_gamepad_test tests/e2e/gamepad_test.cpp)
target_link_libraries(vexlot_gamepad_test PRIVATE vexlot_window)
add_test(NAME e2e_gamepads COMMAND vexlot_gamepad_test ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(e2e_gamepads PROPERTIES LABELS e2e TIMEOUT 60)

# A network game between the window and a headless peer on 127.0.0.1, each way round.
add_test(NAME e2e_net_window COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/net_window_test.sh $<TARGET_FILE:vexlot>)
set_tests_properties(e2e_net_window PROPERTIES LABELS e2e TIMEOUT 180)

# A duel in the window: the settings file's duel line, R alone and R with Enter, the recordings' rules.
add_test(NAME e2e_versus_window COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/versus_window_test.sh $<TARGET_FILE:vexlot>)
set_tests_properties(e2e_versus_window PROPERTIES LABELS e2e TIMEOUT 120)
