halvion_add_test(NAME tst_status SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_status.cpp LIBS halvion_status)
halvion_add_test(NAME tst_status_editor SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_status_editor.cpp LIBS halvion_status_editor)
