# Hostile input on the instances and the data manager, on the plug-in in process: clicks on hidden buttons and on
# a moved panel, a caption band too narrow for text, a removed layer's popup (a use after free it guards), links
# that are no web addresses.
sky_add_tests(vane_hostile_input_tests TIMEOUT 60
    SOURCES VaneAppTestSupport.cpp
        fix_2: VaneInstanceInputTest.cpp VaneDataManagerLinksTest.cpp
        fix_2,app_2: VaneMapPopupTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
# The data files sheet on names that are no UTF-8 and a tree a thousand levels deep, whose deletion takes well
# under a second; the short time-out is its hang bound.
sky_add_tests(vane_cache_tree_tests TIMEOUT 10
    SOURCES VaneAppTestSupport.cpp fix_2: VaneCacheTreeTest.cpp fix_2,app_7,qa_3: VaneCacheForgetTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)
