halvion_add_test(NAME tst_main_window
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_main_window.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_main_window)

# Every label's longest text shown whole, at device pixel ratio 1 and 2.
halvion_add_test(NAME tst_main_window_labels
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_main_window_labels.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_program)
add_test(NAME tst_main_window_labels_2x COMMAND tst_main_window_labels)
set_tests_properties(tst_main_window_labels_2x PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2" TIMEOUT 120)

# The window at other sizes, times in UTC, the keys, the start on the last band.
halvion_add_test(NAME tst_main_window_scale
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_main_window_scale.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_program)
