# Why a request had no reply, in libcurl's words or the reply's, and by URL for a caller that only sees a log.
sky_add_tests(cx_url_reason_tests LABEL fix_1 TSAN SOURCES CxUrlReasonTest.cpp LIBS CoreObjects TestSupportHttp)
