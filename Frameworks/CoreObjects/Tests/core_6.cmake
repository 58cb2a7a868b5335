sky_add_tests(cx_services_tests
    SOURCES core_6: CxUrlTest.cpp CxPreferencesTest.cpp CxLogTest.cpp fix_1,core_6,qa_3: CxUrlProxyRouteTest.cpp
    LIBS CoreObjects TestSupportHttp)

# The end-to-end fetch, and the store and the log under threads.
sky_add_tests(cx_services_thread_tests LABEL core_6 TSAN
    SOURCES CxFetchEndToEndTest.cpp CxPreferencesThreadTest.cpp CxLogThreadTest.cpp
    LIBS CoreObjects TestSupportHttp)
