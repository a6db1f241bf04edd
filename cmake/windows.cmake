# The Windows launcher: Win32 window, common dialogs, cmd.exe for batch files. One exe that
# needs nothing beside it.
enable_language(RC)
# The resource script is UTF-8; the version texts reach the exe as UTF-16.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --codepage=65001")
add_library(gorvex_win32 OBJECT screen/window/win32/driver_win32.cpp app/dialogs_win32.cpp)
target_link_libraries(gorvex_win32 PUBLIC gorvex_core user32 gdi32 comdlg32 shell32)
target_compile_options(gorvex_win32 PRIVATE ${GORVEX_WARNINGS})

# The icon is drawn by gorvex-icon, a program of this project built for the build machine.
include(${CMAKE_CURRENT_LIST_DIR}/host_tools.cmake)

set(GORVEX_ICON_FILE ${CMAKE_BINARY_DIR}/gorvex-launcher.ico)
set(GORVEX_MANIFEST_FILE ${CMAKE_SOURCE_DIR}/app/launcher_win32.manifest)
add_custom_command(
  OUTPUT ${GORVEX_ICON_FILE}
  COMMAND ${gorvex_host_icon_tool} ${GORVEX_ICON_FILE}
  DEPENDS gorvex_host_tools ${gorvex_host_icon_tool}
  COMMENT "Drawing the launcher's icon")
configure_file(app/launcher_win32.rc.in ${CMAKE_BINARY_DIR}/launcher_win32.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/launcher_win32.rc PROPERTIES
  OBJECT_DEPENDS "${GORVEX_ICON_FILE};${GORVEX_MANIFEST_FILE}")

add_executable(gorvex-launcher WIN32 app/main.cpp ${CMAKE_BINARY_DIR}/launcher_win32.rc)
target_link_libraries(gorvex-launcher PRIVATE gorvex_core gorvex_win32)
target_compile_options(gorvex-launcher PRIVATE ${GORVEX_WARNINGS})

# The stand-in emulator of the Wine checks: records how it was started.
add_executable(gorvex-stand-in WIN32 tests/wine/stand_in.cpp)
target_compile_options(gorvex-stand-in PRIVATE ${GORVEX_WARNINGS})

# The Wine checks' hostile program: posts the launcher's window what only the system should.
add_executable(gorvex-hostile tests/wine/hostile.cpp)
target_compile_options(gorvex-hostile PRIVATE ${GORVEX_WARNINGS})
