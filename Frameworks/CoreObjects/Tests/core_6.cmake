sky_add_tests(cx_services_tests LABEL core_6
    SOURCES CxUrlTest.cpp CxPreferencesTest.cpp CxLogTest.cpp
    LIBS CoreObjects TestSupportHttp)

# The end-to-end fetch, and the store and the log under threads.
sky_add_tests(cx_services_thread_tests LABEL core_6 TSAN
    SOURCES CxFetchEndToEndTest.cpp CxPreferencesThreadTest.cpp CxLogThreadTest.cpp
    LIBS CoreObjects TestSupportHttp)
