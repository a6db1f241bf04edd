# Test programs build quickly: GoogleTest's header is parsed once for all of a program's files,
# and the test code gets light optimisation and line tables only (enough for the stack of a
# failure or a sanitizer's report). The code under test keeps the build's own flags.
function(gorvex_test_program target)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <filesystem> <string> <vector>)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -O1 -g1)
  endif()
endfunction()
