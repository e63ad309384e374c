if(TARGET halvion_assets)
    halvion_add_test(NAME tst_assets SOURCES tst_assets.cpp LIBS halvion_assets Qt6::Gui)
endif()
