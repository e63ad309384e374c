halvion_add_test(NAME tst_settings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_settings.cpp LIBS halvion_settings)

# The other process of the two-writer test, also driven by scripts/stress_settings.sh.
add_executable(settings_writer ${CMAKE_CURRENT_SOURCE_DIR}/settings_writer.cpp)
target_link_libraries(settings_writer PRIVATE halvion_settings)
add_dependencies(tst_settings settings_writer)
target_compile_definitions(tst_settings PRIVATE SETTINGS_WRITER="$<TARGET_FILE:settings_writer>")
