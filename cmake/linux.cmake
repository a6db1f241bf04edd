# The Linux launcher: its own X11 and Wayland windows, zenity dialogs, gorvex-cmd for batch
# files.
if(GORVEX_HEADLESS)
  return()
endif()
find_package(X11)
if(NOT X11_FOUND)
  message(FATAL_ERROR "Xlib not found: install libx11-dev (Debian) to build gorvex-launcher, "
                      "or configure with -DGORVEX_HEADLESS=ON for the headless tools and tests only")
endif()
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

# The X11 window driver, spoken through Xlib (MIT-SHM from libXext, the screen saver's
# suspension from libXss).
find_library(GORVEX_XSS_LIBRARY Xss)
if(NOT X11_Xext_FOUND OR NOT GORVEX_XSS_LIBRARY)
  message(FATAL_ERROR "libXext or libXss not found: install libxext-dev and libxss-dev (Debian)")
endif()
add_library(gorvex_x11 OBJECT
  screen/window/x11/window.cpp screen/window/x11/present.cpp screen/window/x11/input.cpp
  screen/window/x11/xdnd.cpp screen/window/x11/box.cpp screen/window/x11/intake.cpp
  screen/window/linux/bootstrap_linux.cpp screen/window/linux/wake_linux.cpp
  app/dialogs_linux.cpp ${GORVEX_ICON_DIR}/window_icon.cpp)
target_link_libraries(gorvex_x11 PUBLIC gorvex_core X11::X11 X11::Xext ${GORVEX_XSS_LIBRARY})
target_compile_options(gorvex_x11 PRIVATE ${GORVEX_WARNINGS})
add_executable(gorvex-launcher app/main.cpp)
target_link_libraries(gorvex-launcher PRIVATE gorvex_core gorvex_x11 gorvex_wayland)
target_compile_options(gorvex-launcher PRIVATE ${GORVEX_WARNINGS})
