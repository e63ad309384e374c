# The clock check: SNTP packets and client, the system's clock state, the rules and
# the badge. Included from this folder's CMakeLists.txt.
find_package(Qt6 6.4 REQUIRED COMPONENTS Network)

add_library(halvion_clock_check STATIC
    ${CMAKE_CURRENT_LIST_DIR}/sntp_packet.cpp ${CMAKE_CURRENT_LIST_DIR}/sntp_packet.h
    ${CMAKE_CURRENT_LIST_DIR}/sntp_arrival.cpp ${CMAKE_CURRENT_LIST_DIR}/sntp_arrival.h
    ${CMAKE_CURRENT_LIST_DIR}/sntp_client.cpp ${CMAKE_CURRENT_LIST_DIR}/sntp_client.h
    ${CMAKE_CURRENT_LIST_DIR}/kernel_clock.cpp ${CMAKE_CURRENT_LIST_DIR}/kernel_clock.h
    ${CMAKE_CURRENT_LIST_DIR}/clock_check_clocks.cpp ${CMAKE_CURRENT_LIST_DIR}/clock_check_clocks.h
    ${CMAKE_CURRENT_LIST_DIR}/clock_check_policy.cpp ${CMAKE_CURRENT_LIST_DIR}/clock_check_policy.h
    ${CMAKE_CURRENT_LIST_DIR}/clock_check_badge.cpp ${CMAKE_CURRENT_LIST_DIR}/clock_check_badge.h
    ${CMAKE_CURRENT_LIST_DIR}/clock_check.cpp ${CMAKE_CURRENT_LIST_DIR}/clock_check.h
    ${CMAKE_CURRENT_LIST_DIR}/clock_badge.cpp ${CMAKE_CURRENT_LIST_DIR}/clock_badge.h)
target_include_directories(halvion_clock_check PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(halvion_clock_check PUBLIC halvion_settings halvion_ui Qt6::Widgets Qt6::Network)
