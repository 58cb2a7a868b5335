# Zone files in zic's slim format; ill-formed two-byte UTF-8.
sky_add_tests(house_1_core_tests LABEL house_1
  SOURCES CxZoneAndUtf8EdgeTest.cpp
  LIBS CoreObjects CoreObjectsPrivate)
