if(TARGET halvion_nettime)
    halvion_add_test(NAME tst_nettime_reply SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_nettime_reply.cpp
        LIBS halvion_daytime Qt6::Core)
    halvion_add_test(NAME tst_nettime_dialog SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_nettime_dialog.cpp
        LIBS halvion_nettime)
endif()
if(TARGET halvion_program AND TARGET halvion_nettime)
    halvion_add_test(NAME tst_nettime_program SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_nettime_program.cpp
        LIBS halvion_program)
    # Not a test: the program with its time servers pointed at a daytime server on this
    # machine and a clock setter that only prints, to try the time dialog by hand.
    add_executable(nettime_demo ${CMAKE_CURRENT_SOURCE_DIR}/nettime_demo.cpp)
    target_link_libraries(nettime_demo PRIVATE halvion_program)
endif()
