halvion_add_test(NAME tst_monitor_window SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_monitor_window.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/monitor_signal.h LIBS halvion_program)

# Makes a synthetic beacon recording for trying the monitor by hand (scripts/make_monitor_recording.sh).
add_executable(make_monitor_recording ${CMAKE_CURRENT_SOURCE_DIR}/make_monitor_recording.cpp)
target_link_libraries(make_monitor_recording PRIVATE halvion_monitor)
