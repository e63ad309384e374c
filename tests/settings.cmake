halvion_add_test(NAME tst_settings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_settings.cpp LIBS halvion_settings)
