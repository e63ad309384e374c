# The skimmer network's feed: reader, filter, store and log, settings, and the telnet
# client against a local server (tst_spots); its dialog (tst_spots_window).
if(TARGET halvion_spots)
    find_package(Qt6 6.4 REQUIRED COMPONENTS Network)
    halvion_add_test(NAME tst_spots
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_spots.cpp ${CMAKE_CURRENT_SOURCE_DIR}/spot_stream.h
        LIBS halvion_spot_log Qt6::Network)
endif()
if(TARGET halvion_spots_window)
    halvion_add_test(NAME tst_spots_window SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_spots_window.cpp
        LIBS halvion_spots_window Qt6::Network)
endif()
if(TARGET halvion_spots_window)
    # Not a test: the dialog with the feed on a local demonstration server, to try by hand.
    add_executable(rbn_demo EXCLUDE_FROM_ALL ${CMAKE_CURRENT_SOURCE_DIR}/rbn_demo.cpp)
    target_link_libraries(rbn_demo PRIVATE halvion_spots_window halvion_spot_log Qt6::Network)
endif()
if(TARGET halvion_spots)
    # Not a test: a local feed server for the whole program, to try it and take its pictures.
    add_executable(rbn_player EXCLUDE_FROM_ALL ${CMAKE_CURRENT_SOURCE_DIR}/rbn_player.cpp)
    target_link_libraries(rbn_player PRIVATE halvion_spots Qt6::Network)
endif()
