halvion_add_test(NAME tst_compact_view
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_compact_view.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_program halvion_monitor_module)

# Where the compact view opens, frame and all: only a real X server with a window
# manager shows it. Skipped (77) where Xvfb, openbox or the X tools are missing.
add_test(NAME check_compact_placement
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/check_compact_placement.sh $<TARGET_FILE:halvion>)
set_tests_properties(check_compact_placement PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
