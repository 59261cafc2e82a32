# The SDL back end in real X servers; needs Xvfb, xdotool, ImageMagick,
# xdpyinfo and python3.
if(TARGET velkaro)
  add_test(NAME sdl_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sdl_e2e.sh $<TARGET_FILE:velkaro> ${CMAKE_CURRENT_BINARY_DIR}/sdl_e2e)
  set_tests_properties(sdl_e2e PROPERTIES TIMEOUT 180)
endif()
