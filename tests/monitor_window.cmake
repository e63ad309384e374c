halvion_add_test(NAME tst_monitor_window SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_monitor_window.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/monitor_signal.h LIBS halvion_program halvion_monitor_module)

# Makes a synthetic beacon recording for trying the monitor by hand (scripts/make_monitor_recording.sh).
add_executable(make_monitor_recording ${CMAKE_CURRENT_SOURCE_DIR}/make_monitor_recording.cpp)
target_link_libraries(make_monitor_recording PRIVATE halvion_monitor)

# Processor time of live monitoring (scripts/measure_monitor_cpu.sh).
add_executable(measure_monitor_load ${CMAKE_CURRENT_SOURCE_DIR}/measure_monitor_load.cpp)
target_link_libraries(measure_monitor_load PRIVATE halvion_monitor)

# Five live inputs at once for scripts/measure_five_inputs.sh.
add_executable(measure_five_inputs ${CMAKE_CURRENT_SOURCE_DIR}/measure_five_inputs.cpp)
target_link_libraries(measure_five_inputs PRIVATE halvion_monitor)

# The listening and results windows with five live inputs, for scripts/make_five_receivers_shot.sh.
add_executable(five_receivers_demo EXCLUDE_FROM_ALL ${CMAKE_CURRENT_SOURCE_DIR}/five_receivers_demo.cpp)
target_link_libraries(five_receivers_demo PRIVATE halvion_program halvion_monitor_module)
