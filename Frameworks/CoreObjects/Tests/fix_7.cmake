# The dispatcher tells the main loop of its jobs in flight, up to the handling of their messages (also under TSan).
sky_add_tests(cx_job_in_flight_tests TSAN SOURCES fix_7,core_5: CxJobInFlightTest.cpp
    LIBS CoreObjects CoreObjectsPrivate)
