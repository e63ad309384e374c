halvion_add_test(NAME tst_core SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_core.cpp LIBS halvion_core)
