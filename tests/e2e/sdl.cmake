# The SDL back end in real X servers; needs Xvfb, xdotool, ImageMagick,
# xdpyinfo, xmessage and python3. Once with the presenter chosen by itself,
# and once with each presenter forced.
if(TARGET velkaro)
  foreach(presenter auto texture surface)
    set(name sdl_e2e)
    if(NOT presenter STREQUAL "auto")
      set(name sdl_e2e_${presenter})
    endif()
    add_test(NAME ${name}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sdl_e2e.sh $<TARGET_FILE:velkaro> ${CMAKE_CURRENT_BINARY_DIR}/${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 180)
    if(NOT presenter STREQUAL "auto")
      set_tests_properties(${name} PROPERTIES ENVIRONMENT VELKARO_PRESENTER=${presenter})
    endif()
  endforeach()
endif()

# The same under a window manager (openbox, wmctrl, xmessage); reads the
# counter panel with velkaro-panel, built with the tools.
if(TARGET velkaro AND VELKARO_TOOLS)
  add_test(NAME sdl_wm_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sdl_wm_e2e.sh $<TARGET_FILE:velkaro> $<TARGET_FILE:velkaro-panel>
            ${CMAKE_CURRENT_BINARY_DIR}/sdl_wm_e2e)
  set_tests_properties(sdl_wm_e2e PROPERTIES TIMEOUT 120)
endif()
