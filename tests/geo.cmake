halvion_add_test(NAME tst_geo SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_geo.cpp LIBS halvion_geo)
