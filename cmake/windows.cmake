# The Windows launcher: Win32 window, common dialogs, cmd.exe for batch files. One exe that
# needs nothing beside it.
add_library(gorvex_win32 OBJECT screen/backend_win32.cpp app/dialogs_win32.cpp)
target_link_libraries(gorvex_win32 PUBLIC gorvex_core user32 gdi32 comdlg32)
target_compile_options(gorvex_win32 PRIVATE ${GORVEX_WARNINGS})

add_executable(gorvex-launcher WIN32 app/main.cpp)
target_link_libraries(gorvex-launcher PRIVATE gorvex_core gorvex_win32)
target_compile_options(gorvex-launcher PRIVATE ${GORVEX_WARNINGS})

# The stand-in emulator of the Wine checks: records how it was started.
add_executable(gorvex-stand-in WIN32 tests/wine/stand_in.cpp)
target_compile_options(gorvex-stand-in PRIVATE ${GORVEX_WARNINGS})
