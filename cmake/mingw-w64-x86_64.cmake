# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
# Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELKARO_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "mingw-w64 tool prefix")

# The win32 thread model: the posix one would pull in winpthread.
find_program(VELKARO_MINGW_CXX NAMES ${VELKARO_MINGW_PREFIX}-g++-win32 ${VELKARO_MINGW_PREFIX}-g++ REQUIRED)
find_program(VELKARO_MINGW_CC NAMES ${VELKARO_MINGW_PREFIX}-gcc-win32 ${VELKARO_MINGW_PREFIX}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${VELKARO_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VELKARO_MINGW_CXX})
set(CMAKE_RC_COMPILER ${VELKARO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKARO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing but system DLLs at run time: the C++ runtime is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
