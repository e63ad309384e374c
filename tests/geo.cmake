# The locators are checked against Hamlib's own conversion, which the program does not load.
pkg_check_modules(HALVION_TEST_HAMLIB REQUIRED IMPORTED_TARGET hamlib)
halvion_add_test(NAME tst_geo SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_geo.cpp
    LIBS halvion_geo PkgConfig::HALVION_GEO_GEOGRAPHICLIB PkgConfig::HALVION_TEST_HAMLIB)
halvion_add_test(NAME tst_main_window_geo
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_main_window_geo.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/main_window_fixture.h
    LIBS halvion_main_window)
