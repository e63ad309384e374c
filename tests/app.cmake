halvion_add_test(NAME tst_program SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_program.cpp LIBS halvion_program)
halvion_add_test(NAME tst_single_instance SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_single_instance.cpp
    LIBS halvion_single_instance)
