# Reproducible builds: the same source gives the same programs, whatever folder it was built
# in and whenever. Paths of the source and build folders become "." in debugging information
# and file names the compiler writes into code (an ELF build ID hashes both, so they matter
# even in stripped programs); a gdb started in the source folder still finds the sources.
# The Windows exe's header carries no link time. The packages' dates come from the last
# commit (cmake/package_archive.cmake).
option(GORVEX_REPRODUCIBLE "Builds free of folder paths and link times" ON)
if(NOT GORVEX_REPRODUCIBLE)
  return()
endif()
# The build folder may lie inside the source folder: its mapping comes last, which wins.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
