sky_add_tests(vane_app_tests LABEL app_1 TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneEntryPointsTest.cpp VanePluginTest.cpp VanePluginInstanceTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)

# The shared library exports the browser's entry points and nothing else, and finds its resources beside it.
find_program(SKYVANE_NM nm REQUIRED)
add_test(NAME skyvane_exports_only_entry_points
    COMMAND ${CMAKE_COMMAND} -DNM=${SKYVANE_NM} -DFILE=$<TARGET_FILE:skyvane>
        "-DEXPECTED=NP_GetEntryPoints;NP_Initialize;NP_Shutdown;main"
        -P ${CMAKE_CURRENT_LIST_DIR}/scripts/check-exports.cmake)
add_test(NAME skyvane_bundle_beside_the_library
    COMMAND ${CMAKE_COMMAND} -E cat $<TARGET_FILE_DIR:skyvane>/SkyvanePlugin.bundle/Resources/VaneMain.fxui)
set_tests_properties(skyvane_exports_only_entry_points skyvane_bundle_beside_the_library PROPERTIES LABELS app_1)
