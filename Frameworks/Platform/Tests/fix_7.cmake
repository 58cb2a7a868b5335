# Files written whole: the fresh file's name cut to the folder's limit, a link at the name replaced, a failed fill.
sky_add_tests(pf_whole_file_tests LABEL fix_7 TIMEOUT 60
    SOURCES PfWholeFileTest.cpp
    LIBS Platform)
