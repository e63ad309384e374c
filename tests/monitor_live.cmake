# The live input through a real PulseAudio server started by the test itself.
halvion_add_test(NAME tst_monitor_live SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_monitor_live.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/monitor_signal.h LIBS halvion_program halvion_monitor_module)
set_tests_properties(tst_monitor_live PROPERTIES TIMEOUT 240)

# Five receivers at once through the same kind of server: about two minutes of real-time audio.
halvion_add_test(NAME tst_monitor_five SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_monitor_five.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/monitor_signal.h LIBS halvion_program halvion_monitor_module)
set_tests_properties(tst_monitor_five PROPERTIES TIMEOUT 300)
