if(TARGET halvion_info)
    halvion_add_test(NAME tst_info SOURCES tst_info.cpp LIBS halvion_info Qt6::Widgets)
endif()
