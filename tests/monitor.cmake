halvion_add_test(NAME tst_monitor SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_monitor.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/monitor_signal.h LIBS halvion_monitor)
