sky_add_tests(cx_dates_tests LABEL core_3
  SOURCES CxDateTest.cpp CxTimeZoneTest.cpp CxDateFormatterTest.cpp CxCoordinatesTest.cpp
  LIBS CoreObjects CoreObjectsPrivate)

sky_add_tests(cx_dates_thread_tests LABEL core_3 TSAN
  SOURCES CxDateThreadTest.cpp
  LIBS CoreObjects)
