halvion_add_test(NAME tst_main_window
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_main_window.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_main_window)
