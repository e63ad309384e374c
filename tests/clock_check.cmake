if(TARGET halvion_clock_check)
    find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
    halvion_add_test(NAME tst_clock_check SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_clock_check.cpp
        LIBS halvion_clock_check halvion_program Qt6::Network)
endif()
