# Cross build for 64-bit ARM Linux (Raspberry Pi OS 64-bit, other aarch64 Debian and Ubuntu)
# with Debian's cross compiler (g++-aarch64-linux-gnu) and the arm64 libraries installed
# beside this machine's through multiarch (libx11-dev:arm64, libxext-dev:arm64,
# libxss-dev:arm64). Programs the build runs are built for the build machine
# (cmake/host_tools.cmake).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(GORVEX_CROSS_TRIPLET aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${GORVEX_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${GORVEX_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${GORVEX_CROSS_TRIPLET})

# Multiarch keeps the arm64 libraries under /usr/lib/aarch64-linux-gnu of this very system:
# libraries and packages come only from there, programs only from the build machine.
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${GORVEX_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
