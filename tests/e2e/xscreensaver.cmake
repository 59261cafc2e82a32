# The installed program under the real xscreensaver daemon and in a window
# that XSCREENSAVER_WINDOW names; needs Xvfb, xscreensaver, xdotool,
# x11-utils, ImageMagick and python3. As root it creates the user velkaro-e2e.
if(TARGET velkaro_dist)
  add_test(NAME xscreensaver_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/xscreensaver_e2e.sh ${CMAKE_BINARY_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/xscreensaver_e2e)
  set_tests_properties(xscreensaver_e2e PROPERTIES TIMEOUT 120)
endif()
