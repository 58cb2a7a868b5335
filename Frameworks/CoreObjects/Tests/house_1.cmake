# Zone files in zic's slim format; ill-formed two-byte UTF-8.
sky_add_tests(cx_zone_utf8_tests LABEL house_1
  SOURCES CxZoneAndUtf8EdgeTest.cpp
  LIBS CoreObjects CoreObjectsPrivate)
