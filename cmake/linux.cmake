# The Linux launcher: SDL2 window, zenity dialogs, gorvex-cmd for batch files.
if(GORVEX_HEADLESS)
  return()
endif()
find_package(SDL2 QUIET)
if(NOT SDL2_FOUND)
  message(FATAL_ERROR "SDL2 not found: install libsdl2-dev (Debian) to build gorvex-launcher, "
                      "or configure with -DGORVEX_HEADLESS=ON for the headless tools and tests only")
endif()
find_package(X11 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
include(${CMAKE_CURRENT_LIST_DIR}/wayland.cmake)

# The icon, drawn by gorvex-icon (tools/icon): a PNG for desktop entries and the pixels of
# the window's own icon. A cross build (cmake/aarch64-linux-gnu.cmake) draws it with a
# gorvex-icon built for the build machine.
if(CMAKE_CROSSCOMPILING)
  include(${CMAKE_CURRENT_LIST_DIR}/host_tools.cmake)
  set(gorvex_icon_tool ${gorvex_host_icon_tool})
  set(gorvex_icon_depends gorvex_host_tools ${gorvex_host_icon_tool})
else()
  set(gorvex_icon_tool gorvex-icon)
  set(gorvex_icon_depends gorvex-icon)
endif()
set(GORVEX_ICON_DIR ${CMAKE_BINARY_DIR}/icon)
set(GORVEX_ICON_PNG ${GORVEX_ICON_DIR}/gorvex-launcher.png)
add_custom_command(
  OUTPUT ${GORVEX_ICON_PNG} ${GORVEX_ICON_DIR}/window_icon.cpp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GORVEX_ICON_DIR}
  COMMAND ${gorvex_icon_tool} ${GORVEX_ICON_DIR}/gorvex-launcher.ico ${GORVEX_ICON_PNG}
          ${GORVEX_ICON_DIR}/window_icon.cpp
  DEPENDS ${gorvex_icon_depends}
  COMMENT "Drawing the launcher's icon")

add_library(gorvex_sdl OBJECT screen/window/linux/choice_linux.cpp
            screen/window/sdl/driver_sdl.cpp screen/window/sdl/x11_sdl.cpp
            screen/window/sdl/wayland_sdl.cpp app/dialogs_linux.cpp ${GORVEX_ICON_DIR}/window_icon.cpp)
target_link_libraries(gorvex_sdl PUBLIC gorvex_core SDL2::SDL2 X11::X11 PkgConfig::WAYLAND_CLIENT)
# Where libdecor looks for the plugins that draw title bars on Wayland.
target_compile_definitions(gorvex_sdl PRIVATE
  GORVEX_LIBDECOR_PLUGINS="/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/libdecor/plugins-1")
target_compile_options(gorvex_sdl PRIVATE ${GORVEX_WARNINGS})
# On Wayland the launcher speaks the protocol itself (cmake/wayland.cmake).
target_compile_definitions(gorvex_sdl PRIVATE GORVEX_NATIVE_WAYLAND)
add_executable(gorvex-launcher app/main.cpp)
target_link_libraries(gorvex-launcher PRIVATE gorvex_core gorvex_sdl gorvex_wayland)
target_compile_options(gorvex-launcher PRIVATE ${GORVEX_WARNINGS})
