# Radio control: logic and worker (tst_radio, against Hamlib's dummy rig and a real
# rigctld), and the windows' part (tst_radio_window).
find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
find_program(HALVION_RIGCTLD_PATH rigctld)
if(NOT HALVION_RIGCTLD_PATH)
    set(HALVION_RIGCTLD_PATH rigctld)
endif()
halvion_add_test(NAME tst_radio
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_radio.cpp ${CMAKE_CURRENT_SOURCE_DIR}/rigctld_process.h
    LIBS halvion_radio Qt6::Network)
target_compile_definitions(tst_radio PRIVATE HALVION_RIGCTLD="${HALVION_RIGCTLD_PATH}")
halvion_add_test(NAME tst_radio_window
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_radio_window.cpp ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_program halvion_monitor_module Qt6::Network)

# Not a test: scripts/measure_radio_ticks.sh runs it.
add_executable(measure_radio_ticks ${CMAKE_CURRENT_SOURCE_DIR}/measure_radio_ticks.cpp)
target_link_libraries(measure_radio_ticks PRIVATE halvion_main_window halvion_radio Qt6::Network)
target_compile_definitions(measure_radio_ticks PRIVATE HALVION_RIGCTLD="${HALVION_RIGCTLD_PATH}")

# Not a test: scripts/measure_radio_ticks.sh runs it against a rigctld that logs.
add_executable(measure_retune_lead ${CMAKE_CURRENT_SOURCE_DIR}/measure_retune_lead.cpp)
target_link_libraries(measure_retune_lead PRIVATE halvion_program halvion_monitor_module)
