# The install rules and the Debian package; needs desktop-file-utils, man-db,
# ImageMagick, dpkg and lintian.
if(TARGET velkaro_dist)
  add_test(NAME install_and_package
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install_check.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/install_check)
  set_tests_properties(install_and_package PROPERTIES TIMEOUT 180)
endif()
