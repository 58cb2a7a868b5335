sky_add_tests(cx_files_tests LABEL core_4
    SOURCES CxFileTest.cpp CxFileSourceTest.cpp CxSystemTest.cpp CxLoginTest.cpp
    LIBS CoreObjects CoreObjectsPrivate)

sky_add_tests(cx_login_thread_tests LABEL core_4 TSAN
    SOURCES CxLoginThreadTest.cpp
    LIBS CoreObjects)
