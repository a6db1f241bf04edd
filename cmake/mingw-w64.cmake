# Cross build for Windows with Debian's mingw-w64: 32-bit x86 (i686), the one release exe,
# which also runs on 64-bit Windows. cmake/mingw-w64-x64.cmake includes this file for a
# 64-bit build. The posix thread model is the one with std::thread and std::mutex;
# everything is linked in, so the programs need no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT GORVEX_MINGW_PREFIX)
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(GORVEX_MINGW_PREFIX i686-w64-mingw32)
endif()

set(CMAKE_C_COMPILER ${GORVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GORVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${GORVEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
