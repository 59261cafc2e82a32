# Tests of the Windows executable and screen saver, run in a Linux build:
#   cmake -B build -DVELKARO_WINDOWS_EXE=$PWD/build-win/velkaro.exe \
#                  -DVELKARO_WINDOWS_SCR=$PWD/build-win/velkaro.scr
# (tools/build-windows.sh builds them). Without the executable nothing is
# added; without the screen saver, its tests are not.
set(VELKARO_WINDOWS_EXE "" CACHE FILEPATH "velkaro.exe to test under Wine (tools/build-windows.sh builds it)")
set(VELKARO_WINDOWS_SCR "" CACHE FILEPATH "velkaro.scr to test under Wine (tools/build-windows.sh builds it)")

if(NOT VELKARO_WINDOWS_EXE)
  message(STATUS "Wine tests not added: VELKARO_WINDOWS_EXE is empty")
else()
  add_test(NAME wine_exe_check
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_exe_check.sh ${VELKARO_WINDOWS_EXE})
  set_tests_properties(wine_exe_check PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60 LABELS "wine")
  set(velkaro_wine_scr_arguments "")
  if(VELKARO_WINDOWS_SCR)
    add_test(NAME wine_scr_check
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_exe_check.sh ${VELKARO_WINDOWS_SCR})
    set_tests_properties(wine_scr_check PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60 LABELS "wine")
    set(velkaro_wine_scr_arguments --scr ${VELKARO_WINDOWS_SCR})
  else()
    message(STATUS "Wine tests of the screen saver not added: VELKARO_WINDOWS_SCR is empty")
  endif()

  # With the Linux program at hand the run also compares the two screens.
  set(velkaro_wine_linux_exe "")
  if(TARGET velkaro)
    get_target_property(velkaro_wine_type velkaro TYPE)
    if(velkaro_wine_type STREQUAL "EXECUTABLE")
      set(velkaro_wine_linux_exe $<TARGET_FILE:velkaro>)
    endif()
  endif()
  add_test(NAME wine_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_e2e.sh ${velkaro_wine_scr_arguments} ${VELKARO_WINDOWS_EXE}
            ${CMAKE_CURRENT_BINARY_DIR}/wine-e2e ${velkaro_wine_linux_exe})
  # The first run creates the Wine prefix (about 10 s); X servers and Wine
  # processes of its own make it heavy for a 2-core machine.
  set_tests_properties(wine_e2e PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 RUN_SERIAL TRUE LABELS "wine;e2e")
endif()
