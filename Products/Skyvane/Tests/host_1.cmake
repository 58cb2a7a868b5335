# The test browser's input lines: clicks, context menus by item and by command code, the URLs asked for and the
# files written, in both models, each run with a fresh home and an opener that records its argument.
set(vhs ${CMAKE_CURRENT_LIST_DIR}/scripts)
foreach(model cocoa carbon)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-input-${model})
  add_test(NAME vanehost_placeholder_input_${model}
      COMMAND ${CMAKE_COMMAND}
          "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/placeholder-input.vhs;--model;${model};--home;${dir}/home;--out;${dir}/out"
          -DCODE=0 -DCLEAN=${dir} -P ${vhs}/expect-run.cmake)
  set_tests_properties(vanehost_placeholder_input_${model} PROPERTIES
      ENVIRONMENT "SKYVANE_OPEN_CMD=${vhs}/record-opened.sh;DISPLAY=")
endforeach()
add_test(NAME vanehost_input_help
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=$<TARGET_FILE:vanehost>;--help" -DCODE=0
        "-DCONTAINS=--legacy;reload;mouse N down|up|move|drag X Y;button=B;mods=cmd,ctrl,opt,shift;clicks=C;menu CODE|N|none;expect-url N URL [TARGET];expect-url N none;expect-file PATH REGEX [wait=S];skyvane-<uid>;run 10;shutdown;scroll N X Y DY [DX];key N down|up|repeat left|right|up|down;focus N in|out"
        -P ${vhs}/expect-run.cmake)
add_test(NAME vanehost_bad_menu
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/bad-menu.vhs;--home;${CMAKE_CURRENT_BINARY_DIR}/vhs-bad-menu"
        -DCODE=2 "-DCONTAINS=bad-menu.vhs:2: menu takes" -P ${vhs}/expect-run.cmake)
set_tests_properties(vanehost_placeholder_input_cocoa vanehost_placeholder_input_carbon vanehost_input_help
    vanehost_bad_menu PROPERTIES LABELS host_1 TIMEOUT 120)
foreach(model cocoa carbon)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-shutdown-${model})
  add_test(NAME vanehost_shutdown_${model}
      COMMAND ${CMAKE_COMMAND}
          "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/shutdown.vhs;--model;${model};--home;${dir}/home;--out;${dir}/out"
          -DCODE=0 -DCLEAN=${dir} -P ${vhs}/expect-run.cmake)
  set_tests_properties(vanehost_shutdown_${model} PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=")
endforeach()
add_test(NAME vanehost_after_shutdown
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/after-shutdown.vhs;--home;${CMAKE_CURRENT_BINARY_DIR}/vhs-after-shutdown"
        -DCODE=2 "-DCONTAINS=after-shutdown.vhs:3: only expectations may follow shutdown" -P ${vhs}/expect-run.cmake)
set_tests_properties(vanehost_shutdown_cocoa vanehost_shutdown_carbon vanehost_after_shutdown PROPERTIES
    LABELS host_1 TIMEOUT 120)
# The probe plug-in records what arrives: points, modifiers, clicks, buttons, wheel deltas, keys and focus.
foreach(model cocoa carbon)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-probe-${model})
  add_test(NAME vanehost_probe_${model}
      COMMAND ${CMAKE_COMMAND}
          "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/probe-${model}.vhs;--plugin;$<TARGET_FILE:vane_probe>;--model;${model};--home;${dir}/home;--out;${dir}/out"
          -DCODE=0 -DCLEAN=${dir} -P ${vhs}/expect-run.cmake)
  set_tests_properties(vanehost_probe_${model} PROPERTIES ENVIRONMENT "DISPLAY=" LABELS host_1 TIMEOUT 120)
endforeach()
add_test(NAME vanehost_probe_cocoa_focus
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/probe-cocoa-focus.vhs;--plugin;$<TARGET_FILE:vane_probe>;--home;${CMAKE_CURRENT_BINARY_DIR}/vhs-probe-focus"
        -DCODE=2 "-DCONTAINS=probe-cocoa-focus.vhs:2: focus lines need --model carbon" -P ${vhs}/expect-run.cmake)
set_tests_properties(vanehost_probe_cocoa_focus PROPERTIES LABELS host_1 TIMEOUT 120)
# The legacy entry: the placeholder's pixels and a shutdown through the unload function it hands back.
foreach(script placeholder shutdown)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-legacy-${script})
  add_test(NAME vanehost_legacy_${script}
      COMMAND ${CMAKE_COMMAND}
          "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/${script}.vhs;--legacy;--home;${dir}/home;--out;${dir}/out"
          -DCODE=0 -DCLEAN=${dir} -P ${vhs}/expect-run.cmake)
  set_tests_properties(vanehost_legacy_${script} PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=" LABELS host_1
      TIMEOUT 120)
endforeach()
add_test(NAME vanehost_legacy_refuses_cocoa
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/placeholder.vhs;--legacy;--model;cocoa" -DCODE=2
        "-DCONTAINS=--legacy runs in Carbon mode only" -P ${vhs}/expect-run.cmake)
add_test(NAME vanehost_legacy_needs_main
    COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/probe-cocoa-focus.vhs;--legacy;--plugin;$<TARGET_FILE:vane_probe>" -DCODE=2
        "-DCONTAINS=lacks the main entry points" -P ${vhs}/expect-run.cmake)
set_tests_properties(vanehost_legacy_refuses_cocoa vanehost_legacy_needs_main PROPERTIES LABELS host_1 TIMEOUT 120)
# Reloads: the plug-in shut down and started again in the loaded library, in both models and through main.
foreach(mode cocoa carbon legacy)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/vhs-reload-${mode})
  if(mode STREQUAL "legacy")
    set(args --legacy)
  else()
    set(args --model ${mode})
  endif()
  add_test(NAME vanehost_reload_${mode}
      COMMAND ${CMAKE_COMMAND}
          "-DCOMMAND=$<TARGET_FILE:vanehost>;${vhs}/reload.vhs;${args};--home;${dir}/home;--out;${dir}/out"
          -DCODE=0 -DCLEAN=${dir} -P ${vhs}/expect-run.cmake)
  set_tests_properties(vanehost_reload_${mode} PROPERTIES ENVIRONMENT "SKYVANE_OPEN_CMD=true;DISPLAY=" LABELS host_1
      TIMEOUT 120)
endforeach()
