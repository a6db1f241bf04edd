# Cross build for 64-bit Windows: a compile check beside the 32-bit release build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GORVEX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
