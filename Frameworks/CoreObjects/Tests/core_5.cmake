sky_add_tests(core_5_tests LABEL core_5 TSAN
    SOURCES CxJobTest.cpp CxEventsTest.cpp CxMessengerTest.cpp CxTimerTest.cpp
    LIBS CoreObjects CoreObjectsPrivate)
