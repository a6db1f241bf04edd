# Release packages. A player unpacks one into the game folder, beside gorvex.exe:
#   Linux:   gorvex-launcher, gorvex-cmd, the icon, a desktop entry with the script that adds
#            it to the menu, and the players' read-me, as a tar.gz
#   Windows: gorvex-launcher.exe and the read-me, as a zip
# `cmake --install BUILD --prefix GAME_FOLDER` puts the same files into a game folder.

set(GORVEX_PLAYERS_README ${CMAKE_SOURCE_DIR}/docs/PLAYERS.md)
set(GORVEX_PLAYERS_README_NAME gorvex-launcher-README.txt)

if(TARGET gorvex-launcher)
  install(TARGETS gorvex-launcher RUNTIME DESTINATION .)
endif()
if(NOT WIN32 AND TARGET gorvex-cmd)
  install(TARGETS gorvex-cmd RUNTIME DESTINATION .)
endif()
# Linux desktops: the icon, a desktop entry (a template: an entry needs absolute paths) and
# the script that writes the entry for the folder the files were unpacked in.
if(NOT WIN32 AND TARGET gorvex-launcher)
  install(FILES ${GORVEX_ICON_PNG} ${CMAKE_SOURCE_DIR}/tools/desktop/gorvex-launcher.desktop
          DESTINATION .)
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/desktop/gorvex-launcher-menu.sh DESTINATION .)
endif()
if(WIN32)
  # Windows' own text viewers want CR LF line ends.
  file(READ ${GORVEX_PLAYERS_README} readme_text)
  string(REPLACE "\r\n" "\n" readme_text "${readme_text}")
  string(REPLACE "\n" "\r\n" readme_text "${readme_text}")
  file(WRITE ${CMAKE_BINARY_DIR}/${GORVEX_PLAYERS_README_NAME} "${readme_text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${GORVEX_PLAYERS_README})
  install(FILES ${CMAKE_BINARY_DIR}/${GORVEX_PLAYERS_README_NAME} DESTINATION .)
else()
  install(FILES ${GORVEX_PLAYERS_README} DESTINATION . RENAME ${GORVEX_PLAYERS_README_NAME})
endif()

set(CPACK_PACKAGE_NAME gorvex-launcher)
set(CPACK_PACKAGE_VENDOR "Gorvex")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Launcher of the DOS game Gorvex and its bundled DOSBox")
set(CPACK_RESOURCE_FILE_README ${GORVEX_PLAYERS_README})
# The files unpack straight into the game folder, with no folder of their own around them.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)  # players get no debugging information
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-${CMAKE_SYSTEM_PROCESSOR})
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
# The same commit gives the same bytes: CPack runs cmake/package_archive.cmake before staging
# the files (the package's date) and after making the archive (made again in a fixed way).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_GORVEX_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_GORVEX_PYTHON ${Python3_EXECUTABLE})
set(CPACK_INSTALL_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package_archive.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package_archive.cmake)
include(CPack)

# The Linux package, built and opened by a test (the Windows one is checked by the stage
# script tests/stages/zz-package-windows.sh after the Windows build).
if(GORVEX_TESTS AND NOT WIN32 AND TARGET gorvex-launcher)
  add_test(NAME package.linux
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/demo/package_test.sh linux
                   ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/package-test)
  set_tests_properties(package.linux PROPERTIES LABELS package TIMEOUT 120)
endif()
