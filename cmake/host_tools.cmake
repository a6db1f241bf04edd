# Programs of this project that the build runs (the icon generator), built for the build
# machine in ${CMAKE_BINARY_DIR}/host when the build itself is for another one. Sets
# gorvex_host_icon_tool to the program and gorvex_host_tools to the target that builds it.
# GORVEX_HOST_ICON_TOOL (a cache entry, or the environment's at the first configure) names a
# gorvex-icon already built for the build machine from this source: it is used as it is.
set(GORVEX_HOST_ICON_TOOL "$ENV{GORVEX_HOST_ICON_TOOL}" CACHE FILEPATH
    "gorvex-icon of this source built for the build machine (empty: build one)")
if(GORVEX_HOST_ICON_TOOL)
  if(NOT EXISTS "${GORVEX_HOST_ICON_TOOL}")
    message(FATAL_ERROR "GORVEX_HOST_ICON_TOOL names no file: ${GORVEX_HOST_ICON_TOOL}")
  endif()
  set(gorvex_host_icon_tool ${GORVEX_HOST_ICON_TOOL})
  add_custom_target(gorvex_host_tools)
  return()
endif()
include(ExternalProject)
set(gorvex_host_dir ${CMAKE_BINARY_DIR}/host)
set(gorvex_host_icon_tool ${gorvex_host_dir}/bin/gorvex-icon${CMAKE_HOST_EXECUTABLE_SUFFIX})
ExternalProject_Add(gorvex_host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${gorvex_host_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DGORVEX_TESTS=OFF -DGORVEX_HEADLESS=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${gorvex_host_dir} --target gorvex-icon
  BUILD_BYPRODUCTS ${gorvex_host_icon_tool}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
