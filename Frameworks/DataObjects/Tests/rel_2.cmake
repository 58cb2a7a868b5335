# Hostile replies, clocks, trickling servers and deleted sets, through each kind's real manager.
sky_add_tests(rel_2_tests LABEL rel_2 TSAN TIMEOUT 300 SOURCES DxHostileReplyTest.cpp LIBS DataObjects TestSupportHttp)
