sky_add_tests(cx_jobs_thread_tests LABEL core_5 TSAN
    SOURCES CxJobTest.cpp CxEventsTest.cpp CxMessengerTest.cpp CxTimerTest.cpp
    LIBS CoreObjects CoreObjectsPrivate)
