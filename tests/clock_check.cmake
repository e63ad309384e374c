if(TARGET halvion_clock_check)
    find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
    halvion_add_test(NAME tst_clock_check SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_clock_check.cpp
        LIBS halvion_clock_check halvion_program Qt6::Network)
endif()
if(TARGET halvion_program)
    # Not a test: scripts/measure_clock_check.sh runs it against a time server on 127.0.0.1.
    add_executable(measure_clock_check ${CMAKE_CURRENT_SOURCE_DIR}/measure_clock_check.cpp)
    target_link_libraries(measure_clock_check PRIVATE halvion_program halvion_clock_check)
endif()
