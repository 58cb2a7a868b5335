# The text engine's shared faces: mappings per font file, counts, and threads on one face (also under TSan).
sky_add_tests(pf_text_face_tests LABEL fix_2 TSAN TIMEOUT 60
    SOURCES PfTextFacesTest.cpp
    LIBS Platform)
