# The kind -> manager table and its registration on the first manager.
sky_add_tests(dx_kinds_tests SOURCES house_3: DxKindTableTest.cpp LIBS DataObjects)
# A refresh whose answers repeat the cached documents is nothing new, for every kind.
sky_add_tests(dx_config_repeat_thread_tests TSAN SOURCES fix_4: DxConfigRepeatTest.cpp LIBS DataObjects TestSupportHttp)
# What a refresh takes for new is judged against the copy the manager holds in force.
sky_add_tests(dx_config_inforce_thread_tests TSAN SOURCES fix_6,fix_8: DxConfigInForceTest.cpp
    LIBS DataObjects TestSupportHttp)
