# The real-window test: the program under its own Xvfb, driven by xdotool (scripts/setup.sh installs both).
add_test(NAME e2e_window COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/window_test.sh $<TARGET_FILE:vexlot>)
set_tests_properties(e2e_window PROPERTIES LABELS e2e TIMEOUT 120)
