# The launcher's own Wayland window driver: libwayland-client with shared-memory buffers,
# libdecor for title bars where the compositor draws none, protocol code generated here.
# libdecor and libwayland-cursor are loaded at run time, only by a Wayland window that needs
# them: their headers are needed to build, the libraries are not linked.
enable_language(C)  # the generated protocol code
pkg_check_modules(WAYLAND_LOADED REQUIRED wayland-cursor libdecor-0)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT WAYLAND_PROTOCOLS_DIR OR NOT WAYLAND_SCANNER)
  message(FATAL_ERROR "wayland-protocols and wayland-scanner are needed: install "
                      "wayland-protocols and libwayland-dev (Debian)")
endif()

# gorvex_protocol_code(SIDE DIR SOURCES): the code of the protocols the launcher speaks, for
# the client or the server SIDE (the tests' fake compositor), generated into DIR; the files
# are listed in the variable SOURCES.
function(gorvex_protocol_code side dir sources)
  set(files)
  foreach(protocol stable/xdg-shell/xdg-shell.xml
                   unstable/xdg-decoration/xdg-decoration-unstable-v1.xml
                   stable/viewporter/viewporter.xml
                   staging/fractional-scale/fractional-scale-v1.xml)
    get_filename_component(name ${protocol} NAME_WE)
    set(xml ${WAYLAND_PROTOCOLS_DIR}/${protocol})
    add_custom_command(
      OUTPUT ${dir}/${name}-${side}-protocol.h ${dir}/${name}.c
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${WAYLAND_SCANNER} ${side}-header ${xml} ${dir}/${name}-${side}-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${dir}/${name}.c
      DEPENDS ${xml}
      COMMENT "Generating the ${name} protocol code (${side})")
    list(APPEND files ${dir}/${name}.c ${dir}/${name}-${side}-protocol.h)
  endforeach()
  set(${sources} ${files} PARENT_SCOPE)
endfunction()

set(gorvex_protocol_dir ${CMAKE_BINARY_DIR}/wayland-protocols)
gorvex_protocol_code(client ${gorvex_protocol_dir} gorvex_protocol_sources)

# The protocols' code, for the driver and the benchmark's Wayland floor.
add_library(gorvex_wayland_protocols STATIC ${gorvex_protocol_sources})
target_include_directories(gorvex_wayland_protocols PUBLIC ${gorvex_protocol_dir})
target_link_libraries(gorvex_wayland_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)

add_library(gorvex_wayland OBJECT
  screen/window/wayland/connection.cpp screen/window/wayland/window.cpp
  screen/window/wayland/present.cpp screen/window/wayland/input.cpp
  screen/window/wayland/drop.cpp
  screen/window/wayland/loaded.cpp)
target_link_libraries(gorvex_wayland PUBLIC gorvex_core gorvex_wayland_protocols)
target_include_directories(gorvex_wayland PRIVATE ${WAYLAND_LOADED_INCLUDE_DIRS})
# Where libdecor looks for the plugins that draw title bars.
target_compile_definitions(gorvex_wayland PRIVATE
  GORVEX_LIBDECOR_PLUGINS="/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/libdecor/plugins-1")
foreach(source connection window present input drop loaded)
  set_source_files_properties(screen/window/wayland/${source}.cpp PROPERTIES
                              COMPILE_OPTIONS "${GORVEX_WARNINGS}")
endforeach()
