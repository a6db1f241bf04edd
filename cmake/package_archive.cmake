# Run twice by CPack, so that a package is the same bytes wherever and whenever it is made:
# - before the files are staged (CPACK_INSTALL_SCRIPTS), it settles the package's date in
#   SOURCE_DATE_EPOCH, which strip also reads for the Windows exe's header: the variable as
#   given, else the last commit's time when the source is a git checkout of its own, else the
#   time of the source's CMakeLists.txt;
# - once the archive is made (CPACK_POST_BUILD_SCRIPTS), it makes it again from the same files
#   with cmake/package_archive.py: name order, fixed owners and modes, that date.
set(source ${CPACK_GORVEX_SOURCE_DIR})

if(NOT DEFINED CPACK_PACKAGE_FILES)
  if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    find_program(git git)
    if(git)
      execute_process(COMMAND ${git} -C ${source} rev-parse --show-toplevel
                      OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE status ERROR_QUIET)
      if(status EQUAL 0)
        file(REAL_PATH "${top}" top)
        file(REAL_PATH "${source}" real_source)
        if(top STREQUAL real_source)
          execute_process(COMMAND ${git} -C ${source} log -1 --format=%ct
                          OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        endif()
      endif()
    endif()
    if(NOT epoch)
      file(TIMESTAMP ${source}/CMakeLists.txt epoch "%s" UTC)
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  endif()
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "no date for the package: SOURCE_DATE_EPOCH is '$ENV{SOURCE_DATE_EPOCH}'")
  endif()
  return()
endif()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_GORVEX_PYTHON} ${source}/cmake/package_archive.py
                          ${package} ${CPACK_TEMPORARY_DIRECTORY} $ENV{SOURCE_DATE_EPOCH}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not make ${package} again in a fixed order")
  endif()
  message(STATUS "${package}: files in name order, dated $ENV{SOURCE_DATE_EPOCH}")
endforeach()
