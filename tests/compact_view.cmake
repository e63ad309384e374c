halvion_add_test(NAME tst_compact_view
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_compact_view.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_program halvion_monitor_module)
