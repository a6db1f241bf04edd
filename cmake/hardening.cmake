# Release hardening: the compiler's and linker's protections for programs that read pictures
# and batch files from outside, each where the toolchain has it for the target. GORVEX_HARDEN
# switches it on; the release presets set it, and a preset inheriting from one of them gets it.
# The sanitizer builds bring checks of their own and leave it off.
option(GORVEX_HARDEN "Release hardening: stack protector, fortified functions, RELRO, ..." OFF)
if(NOT GORVEX_HARDEN)
  return()
endif()
if(GORVEX_SANITIZE)
  message(FATAL_ERROR "GORVEX_HARDEN and GORVEX_SANITIZE do not go together: the sanitizers "
                      "replace the fortified functions")
endif()

include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

# Adds each compile flag the compiler takes for this target.
function(gorvex_harden_compile)
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "GORVEX_HAS${flag}" var)
    check_cxx_compiler_flag(${flag} ${var})
    if(${var})
      add_compile_options(${flag})
    endif()
  endforeach()
endfunction()

# Adds each link flag the linker takes for this target.
function(gorvex_harden_link)
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "GORVEX_LINKS${flag}" var)
    check_linker_flag(CXX ${flag} ${var})
    if(${var})
      add_link_options(${flag})
    endif()
  endforeach()
endfunction()

# Both systems: a stack protector, and the fortified versions of the C library's copying
# functions. Those check only what the optimiser can see, so not in a Debug build; a compiler
# that defines the macro already gets ours instead. On Windows both come from mingw's libssp,
# linked into the exe (about 4 KB of it).
gorvex_harden_compile(-fstack-protector-strong)
if(GORVEX_HAS_fstack_protector_strong)
  add_link_options(-fstack-protector-strong)  # mingw: links libssp
endif()
add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")

if(WIN32)
  # Address space layout randomisation (with 64-bit addresses in a 64-bit exe) and
  # non-executable data. Windows probes large stack frames itself.
  gorvex_harden_link(-Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    gorvex_harden_link(-Wl,--high-entropy-va)
  endif()
  return()
endif()

# Position independent programs, stack clash protection and control flow protection.
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# Each control flow flag only for its own processor: clang takes the other one too and only
# warns that it goes unused, on every file.
gorvex_harden_compile(-fstack-clash-protection)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86|x86)$")
  gorvex_harden_compile(-fcf-protection)  # CET
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  gorvex_harden_compile(-mbranch-protection=standard)  # PAC and BTI
endif()
# Full RELRO: the relocated tables become read-only once every symbol is bound at start.
gorvex_harden_link(-Wl,-z,relro -Wl,-z,now)
