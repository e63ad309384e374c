halvion_add_test(NAME tst_command_line SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_command_line.cpp
                 LIBS halvion_program)

# The launcher, AppStream file, install rules and Debian package, checked with the
# tools a distribution uses (scripts/check_package.sh).
add_test(NAME packaging COMMAND ${PROJECT_SOURCE_DIR}/scripts/check_package.sh ${PROJECT_BINARY_DIR})
set_tests_properties(packaging PROPERTIES TIMEOUT 600)
