# Sanitizer and fuzzing builds. Included before any target is defined, so the
# program, the platform layer, the tests and the tools are instrumented alike.
option(VELKARO_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VELKARO_FUZZ "Also build the libFuzzer target (clang only; implies VELKARO_SANITIZE)" OFF)

if(VELKARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VELKARO_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  set(VELKARO_SANITIZE ON CACHE BOOL "" FORCE)
endif()

if(VELKARO_SANITIZE)
  # Undefined behaviour must fail the run, not print and go on.
  set(VELKARO_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${VELKARO_SANITIZE_FLAGS} -fno-omit-frame-pointer -g)
  add_link_options(${VELKARO_SANITIZE_FLAGS})
  if(VELKARO_FUZZ)
    # Coverage for libFuzzer everywhere; only the fuzz target links its main.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
