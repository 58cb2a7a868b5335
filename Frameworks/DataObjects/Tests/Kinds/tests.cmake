# The kind -> manager table and its registration on the first manager.
sky_add_tests(dx_kinds_tests SOURCES house_3: DxKindTableTest.cpp LIBS DataObjects)
