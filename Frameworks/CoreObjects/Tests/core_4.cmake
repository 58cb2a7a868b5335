sky_add_tests(cx_files_tests
    SOURCES core_4,fix_9: CxFileTest.cpp core_4: CxFileSourceTest.cpp CxSystemTest.cpp CxLoginTest.cpp
    LIBS CoreObjects CoreObjectsPrivate)

sky_add_tests(cx_login_thread_tests LABEL core_4 TSAN
    SOURCES CxLoginThreadTest.cpp
    LIBS CoreObjects)
