sky_add_tests(cx_data_tests LABEL core_2
    SOURCES CxDataTest.cpp CxBinaryStreamTest.cpp CxTextStreamTest.cpp CxErrorTest.cpp CxMimeTest.cpp
    LIBS CoreObjects)

# Buffers shared across threads and the MIME table under concurrent lookups.
sky_add_tests(cx_data_thread_tests LABEL core_2 TSAN
    SOURCES CxDataThreadTest.cpp
    LIBS CoreObjects)
