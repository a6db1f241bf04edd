#!/usr/bin/env bash
# Builds a release package with CPack and checks what a player gets from it.
#   package_test.sh linux   CPackConfig.cmake OUT_DIR   the tar.gz: gorvex-launcher and
#                                                       gorvex-cmd, executables for this
#                                                       machine, and the players' read-me
#   package_test.sh windows CPackConfig.cmake OUT_DIR   the zip: gorvex-launcher.exe, a PE32+
#                                                       file importing only Windows' own
#                                                       DLLs, and the read-me
set -euo pipefail

kind=$1
config=$2
out=$(realpath -m "$3")
readme=gorvex-launcher-README.txt

fail() {
  echo "FAIL: $*"
  exit 1
}

rm -rf "$out"
mkdir -p "$out"
case $kind in
  linux) generator=TGZ suffix=tar.gz expected="gorvex-cmd gorvex-launcher $readme" ;;
  windows) generator=ZIP suffix=zip expected="gorvex-launcher.exe $readme" ;;
  *) echo "unknown package kind $kind"; exit 2 ;;
esac

cpack --config "$config" -G "$generator" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack could not build the $kind package"; }
packages=("$out"/*."$suffix")
if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then fail "expected one .$suffix in $out"; fi
package=${packages[0]}
echo "package: $(basename "$package"), $(stat -c %s "$package") bytes"

# The names, straight in the archive's top level so that they unpack beside gorvex.exe.
names=$(cmake -E tar tf "$package" | sed 's|^\./||; /\/$/d; /^$/d' | sort | tr '\n' ' ')
[ "$names" = "$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')" ] ||
  fail "the package holds [$names], expected [$expected]"

unpacked=$out/unpacked
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$package")
[ -s "$unpacked/$readme" ] || fail "the read-me is empty"

if [ "$kind" = linux ]; then
  # Each program: an ELF executable of this machine's class and architecture, marked
  # executable, whose shared libraries all resolve here.
  machine=$(readelf -h /bin/sh | sed -n 's/^ *Machine: *//p')
  class=$(readelf -h /bin/sh | sed -n 's/^ *Class: *//p')
  for program in gorvex-launcher gorvex-cmd; do
    file=$unpacked/$program
    [ -x "$file" ] || fail "$program is not marked executable"
    header=$(readelf -h "$file" 2>/dev/null) || fail "$program is not an ELF file"
    grep -q "Machine: *$machine\$" <<<"$header" || fail "$program is not built for $machine"
    grep -q "Class: *$class\$" <<<"$header" || fail "$program is not $class"
    grep -Eq "Type: *(EXEC|DYN)" <<<"$header" || fail "$program is not an executable"
    if ldd "$file" | grep -q "not found"; then fail "$program needs missing libraries"; fi
  done
else
  exe=$unpacked/gorvex-launcher.exe
  headers=$(x86_64-w64-mingw32-objdump -p "$exe") || fail "gorvex-launcher.exe is not a PE file"
  grep -Eq "^Magic[[:space:]]+020b[[:space:]]+\(PE32\+\)" <<<"$headers" ||
    fail "gorvex-launcher.exe is not PE32+"
  grep -Eq "^Subsystem[[:space:]]+0+2[[:space:]]" <<<"$headers" ||
    fail "gorvex-launcher.exe is not a windowed (GUI) program"
  # Windows' own DLLs only: nothing of the compiler's run time or of any library beside it.
  own="kernel32 user32 gdi32 comdlg32 advapi32 shell32 msvcrt ole32 comctl32 imm32 winmm"
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: *//p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sed 's/\.dll$//')
  [ -n "$dlls" ] || fail "gorvex-launcher.exe imports no DLL at all"
  for dll in $dlls; do
    [[ " $own " == *" $dll "* ]] || fail "gorvex-launcher.exe imports $dll.dll"
  done
  echo "imports:" $dlls
fi
echo "PASS: the $kind package holds $expected"
