halvion_add_test(NAME tst_geo SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_geo.cpp
    LIBS halvion_geo PkgConfig::HALVION_GEO_GEOGRAPHICLIB)
halvion_add_test(NAME tst_main_window_geo
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_main_window_geo.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_main_window)
