if(TARGET halvion_daytime)
    halvion_add_test(NAME tst_nettime_reply SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_nettime_reply.cpp
        LIBS halvion_daytime Qt6::Core)
endif()
