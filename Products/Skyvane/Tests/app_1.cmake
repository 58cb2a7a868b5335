sky_add_tests(vane_app_tests LABEL app_1 TIMEOUT 120
    SOURCES VaneAppTestSupport.cpp VaneEntryPointsTest.cpp VanePluginTest.cpp VanePluginInstanceTest.cpp
    LIBS SkyvaneApp FaceObjectsPrivate GraphicObjectsGL VaneHost WeatherTestKit TestSupport)

# The shared library exports the browser's entry points and nothing else, and finds its resources beside it.
find_program(SKYVANE_NM nm REQUIRED)
add_test(NAME skyvane_exports_only_entry_points
    COMMAND ${CMAKE_COMMAND} -DNM=${SKYVANE_NM} -DFILE=$<TARGET_FILE:skyvane> "-DNM_ARGS=-D;--defined-only"
        "-DEXPECTED=NP_GetEntryPoints;NP_Initialize;NP_Shutdown;main"
        -P ${CMAKE_CURRENT_LIST_DIR}/scripts/check-exports.cmake)
add_test(NAME skyvane_bundle_beside_the_library
    COMMAND ${CMAKE_COMMAND} -E cat $<TARGET_FILE_DIR:skyvane>/SkyvanePlugin.bundle/Resources/VaneMain.fxui)
set_tests_properties(skyvane_exports_only_entry_points skyvane_bundle_beside_the_library PROPERTIES LABELS app_1)

# The host program: its help, the placeholder script in both models (each with a home of its own), a bad line
# and a failed expectation, and its linkage: the host and the platform only.
set(vhs ${CMAKE_CURRENT_LIST_DIR}/scripts)

add_test(NAME vanehost_help
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=$<TARGET_FILE:vanehost>;--help" -DCODE=0
        "-DCONTAINS=--plugin;--model;--home;--out;embed N;stream N;resize N;destroy N;run MS;settle MS;snapshot N;expect-pixel N"
        -P ${vhs}/expect-run.cmake)
foreach(model cocoa carbon)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-${model})
  add_test(NAME vanehost_placeholder_${model}
      COMMAND ${CMAKE_COMMAND}
          "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/placeholder.vhs;--model;${model};--home;${dir}/home;--out;${dir}/out"
          -DCODE=0 -DCLEAN=${dir} -DFILES=${dir}/out/placeholder-page.png -P ${vhs}/expect-run.cmake)
  set_tests_properties(vanehost_placeholder_${model} PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=")
endforeach()
add_test(NAME vanehost_bad_line
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/bad-line.vhs;--home;${CMAKE_CURRENT_BINARY_DIR}/vhs-bad"
        -DCODE=2 "-DCONTAINS=bad-line.vhs:2:" -P ${vhs}/expect-run.cmake)
add_test(NAME vanehost_failed_expectation
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/failed-expectation.vhs;--home;${CMAKE_CURRENT_BINARY_DIR}/vhs-failed"
        -DCODE=1 "-DCONTAINS=failed-expectation.vhs:2: expected #00FF00;failed-expectation.vhs:3:" -P ${vhs}/expect-run.cmake)
add_test(NAME vanehost_links_no_plugin_code
    COMMAND ${CMAKE_COMMAND} -DNM=${SKYVANE_NM} -DFILE=$<TARGET_FILE:vanehost> "-DNM_ARGS=-C"
        "-DFORBIDDEN=(^|[^A-Za-z])(Cx|Xml|Gx|Dx|Wx|Fx)[A-Z]|Vane(Plugin|Agent|GetEntryPoints|Initialize|Shutdown|Main|WriteAndOpen)|gPlugin|NPP_Initialize|NPP_Shutdown"
        -P ${vhs}/check-exports.cmake)
set_tests_properties(vanehost_help vanehost_placeholder_cocoa vanehost_placeholder_carbon vanehost_bad_line
    vanehost_failed_expectation vanehost_links_no_plugin_code PROPERTIES LABELS app_1 TIMEOUT 120)
