#!/usr/bin/env bash
# Builds a release package with CPack and checks what a player gets from it.
#   package_test.sh linux   CPackConfig.cmake OUT_DIR   the tar.gz: gorvex-launcher and
#                                                       gorvex-cmd, executables for this
#                                                       machine, and the players' read-me
#   package_test.sh linux-aarch64 CPackConfig.cmake OUT_DIR   the same files, the programs
#                                                       64-bit ARM executables whose libraries
#                                                       the arm64 side of multiarch holds
#   package_test.sh windows CPackConfig.cmake OUT_DIR   the zip: gorvex-launcher.exe, a 32-bit
#                                                       PE32 file of at most 640 KB importing
#                                                       only Windows' own DLLs, with icon,
#                                                       version and manifest, and the read-me
#                                                       with CR LF line ends
set -euo pipefail

kind=$1
config=$2
out=$(realpath -m "$3")
readme=gorvex-launcher-README.txt

fail() {
  echo "FAIL: $*"
  exit 1
}

# Built as Debian builds its packages: position independent, stack protector, fortified
# functions, read-only relocations bound at start; on 64-bit ARM also branch protection (PAC
# and BTI), which Debian's arm64 toolchain gives every program. hardening-check's own verdict
# is not used: Debian 13's counts branch protection on x86-64 too, where nothing has it (the
# CET mark, its x86 side, the linker sets only when every object carries it, and Debian 12's
# crtbeginS.o does not). Its lines are read instead, those that mean something on MACHINE; a
# version that has no branch protection line yet (Debian 12's) cannot check that part.
#   check_hardening NAME FILE MACHINE
check_hardening() {
  local report wanted line value
  report=$(hardening-check "$2" 2>&1) || true
  wanted=("Position Independent Executable" "Stack protected" "Fortify Source functions"
    "Read-only relocations" "Immediate binding")
  if [ "$3" = AArch64 ]; then
    if grep -q "^ *Branch Protection:" <<<"$report"; then
      wanted+=("Branch Protection")
    else
      echo "note: this hardening-check does not report branch protection"
    fi
  fi
  for line in "${wanted[@]}"; do
    value=$(sed -n "s/^ *$line: *//p" <<<"$report")
    [[ $value == yes* ]] || { echo "$report"; fail "$1: $line: ${value:-not reported}"; }
  done
}

rm -rf "$out"
mkdir -p "$out"
case $kind in
  linux | linux-aarch64)
    generator=TGZ suffix=tar.gz
    expected="gorvex-cmd gorvex-launcher $readme gorvex-launcher.png gorvex-launcher.desktop"
    expected="$expected gorvex-launcher-menu.sh"
    ;;
  windows) generator=ZIP suffix=zip expected="gorvex-launcher.exe $readme" ;;
  *) echo "unknown package kind $kind"; exit 2 ;;
esac

cpack --config "$config" -G "$generator" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack could not build the $kind package"; }
packages=("$out"/*."$suffix")
if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then fail "expected one .$suffix in $out"; fi
package=${packages[0]}
echo "package: $(basename "$package"), $(stat -c %s "$package") bytes"
# The ARM package names its architecture, so that players tell it from the x86_64 one.
if [ "$kind" = linux-aarch64 ] && [[ $(basename "$package") != gorvex-launcher-*-linux-aarch64.tar.gz ]]; then
  fail "the package is named $(basename "$package"), not gorvex-launcher-VERSION-linux-aarch64.tar.gz"
fi

# The names, straight in the archive's top level so that they unpack beside gorvex.exe.
names=$(cmake -E tar tf "$package" | sed 's|^\./||; /\/$/d; /^$/d' | sort | tr '\n' ' ')
[ "$names" = "$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')" ] ||
  fail "the package holds [$names], expected [$expected]"

unpacked=$out/unpacked
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$package")
[ -s "$unpacked/$readme" ] || fail "the read-me is empty"

if [ "$kind" != windows ]; then
  # Each program: an ELF executable of the package's class and architecture (this machine's,
  # or 64-bit ARM), marked executable, whose shared libraries all resolve here: through the
  # loader for this machine's, in the arm64 library folders of multiarch for ARM.
  if [ "$kind" = linux-aarch64 ]; then
    machine=AArch64 class=ELF64
  else
    machine=$(readelf -h /bin/sh | sed -n 's/^ *Machine: *//p')
    class=$(readelf -h /bin/sh | sed -n 's/^ *Class: *//p')
  fi
  for program in gorvex-launcher gorvex-cmd; do
    file=$unpacked/$program
    [ -x "$file" ] || fail "$program is not marked executable"
    header=$(readelf -h "$file" 2>/dev/null) || fail "$program is not an ELF file"
    grep -q "Machine: *$machine\$" <<<"$header" || fail "$program is not built for $machine"
    grep -q "Class: *$class\$" <<<"$header" || fail "$program is not $class"
    grep -Eq "Type: *(EXEC|DYN)" <<<"$header" || fail "$program is not an executable"
    # ldd reads only this machine's programs (of an ARM one it says "not a dynamic
    # executable"): an ARM program's loader and libraries are looked up here instead.
    if [ "$kind" = linux-aarch64 ]; then
      readelf -l "$file" | grep -qF '[Requesting program interpreter: /lib/ld-linux-aarch64.so.1]' ||
        fail "$program does not ask for the aarch64 loader /lib/ld-linux-aarch64.so.1"
      for library in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        [ -e "/lib/aarch64-linux-gnu/$library" ] || [ -e "/usr/lib/aarch64-linux-gnu/$library" ] ||
          fail "$program needs $library, which no arm64 package here holds"
      done
    fi
    if ldd "$file" | grep -q "not found"; then fail "$program needs missing libraries"; fi
    # Only libraries that every desktop distribution installs: the C and C++ runtimes, and
    # for the window Xlib with its MIT-SHM and screen saver extensions, and libwayland-client.
    # libdecor and libwayland-cursor are loaded only by a Wayland window that needs them, so
    # an X11 desktop without them starts the launcher too.
    for library in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
      case $library in
        libc.so.6 | libm.so.6 | libstdc++.so.6 | libgcc_s.so.1 | ld-linux*) ;;
        libX11.so.6 | libXext.so.6 | libXss.so.1) ;;
        libwayland-client.so.0) ;;
        *) fail "$program needs $library, which not every desktop distribution installs" ;;
      esac
    done
    check_hardening "$program" "$file" "$machine"
  done
  # The menu entry for a folder whose name a desktop entry must escape: the desktop's own
  # launcher (gio) starts the program in it, in its folder.
  odd="$out/Игры & 100% \"fun\" \$HOME \\s x"
  mkdir -p "$odd"
  cp -a "$unpacked"/. "$odd"/
  printf '#!/bin/sh\npwd -P > "$0.ran"\n' >"$odd/gorvex-launcher"
  HOME=$out/home XDG_DATA_HOME= "$odd/gorvex-launcher-menu.sh" >/dev/null ||
    fail "gorvex-launcher-menu.sh failed"
  entry=$out/home/.local/share/applications/gorvex-launcher.desktop
  [ -f "$entry" ] || fail "no menu entry written"
  grep -qx 'StartupWMClass=gorvex-launcher' "$entry" || fail "the entry names no window class"
  if command -v gio >/dev/null; then
    HOME=$out/home gio launch "$entry" 2>"$out/gio.log" || { cat "$out/gio.log"; fail "gio launch"; }
    for _ in $(seq 50); do [ -s "$odd/gorvex-launcher.ran" ] && break; sleep 0.1; done
    [ "$(cat "$odd/gorvex-launcher.ran" 2>/dev/null)" = "$(cd "$odd" && pwd -P)" ] ||
      fail "the menu entry did not start the launcher in its folder"
  fi
  icon=$(sed -n 's/^Icon=//p' "$entry" | sed 's/\\\\/\\/g')
  [ -s "$icon" ] || fail "the entry's icon $icon is not there"
else
  exe=$unpacked/gorvex-launcher.exe
  headers=$(i686-w64-mingw32-objdump -p "$exe") || fail "gorvex-launcher.exe is not a PE file"
  grep -Eq "^Magic[[:space:]]+010b[[:space:]]+\(PE32\)" <<<"$headers" ||
    fail "gorvex-launcher.exe is not PE32 (32-bit)"
  grep -q "file format pei-i386" <<<"$headers" || fail "gorvex-launcher.exe is not for x86"
  grep -Eq "^Subsystem[[:space:]]+0+2[[:space:]]" <<<"$headers" ||
    fail "gorvex-launcher.exe is not a windowed (GUI) program"
  # Address space layout randomisation and non-executable data: the flags under
  # DllCharacteristics, one an indented line.
  characteristics=$(sed -n '/^DllCharacteristics/,/^[^[:space:]]/p' <<<"$headers" | sed '1d')
  for flag in DYNAMIC_BASE NX_COMPAT; do
    grep -qx "[[:space:]]*$flag" <<<"$characteristics" || fail "gorvex-launcher.exe lacks $flag"
  done
  size=$(stat -c %s "$exe")
  # Debian 13's mingw-w64 (GCC 14) links a larger C++ run time than Debian 12's: 529 422 bytes.
  [ "$size" -le $((640 * 1024)) ] || fail "gorvex-launcher.exe has $size bytes, more than 640 KB"
  # Windows' own DLLs only: nothing of the compiler's run time or of any library beside it.
  own="kernel32 user32 gdi32 comdlg32 advapi32 shell32 msvcrt ole32 comctl32 imm32 winmm"
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: *//p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sed 's/\.dll$//')
  [ -n "$dlls" ] || fail "gorvex-launcher.exe imports no DLL at all"
  for dll in $dlls; do
    [[ " $own " == *" $dll "* ]] || fail "gorvex-launcher.exe imports $dll.dll"
  done
  # Resources: the icon group (type 14) with 16, 32, 48 and 256 px images, the version (16)
  # and the manifest (24).
  resources=$(wrestool -l "$exe" 2>&1) || fail "wrestool cannot read gorvex-launcher.exe"
  for type in 14 16 24; do
    grep -q -- "--type=$type " <<<"$resources" || fail "gorvex-launcher.exe has no resource of type $type"
  done
  mkdir -p "$out/icon"
  wrestool -x -t 14 "$exe" -o "$out/icon/group.ico" 2>/dev/null
  wrestool -x -t 14 "$exe" -o "$out/icon" 2>/dev/null
  icons=$(icotool -l "$out"/icon/*.ico 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | uniq | tr '\n' ' ')
  [ "$icons" = "16 32 48 256 " ] || fail "the icon's sizes are [$icons], expected [16 32 48 256]"
  manifest=$(wrestool -x --raw -t 24 "$exe" 2>/dev/null | tr -d '\r')
  for part in 'level="asInvoker"' '>PerMonitorV2' '>true/pm<' 'Microsoft.Windows.Common-Controls' \
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qF -- "$part" <<<"$manifest" || fail "the manifest lacks $part"
  done
  version=$(wrestool -x --raw -t 16 "$exe" 2>/dev/null | tr -d '\0')
  for part in "Gorvex Launcher" "1.0.0.0" "041904e3"; do
    grep -qiF -- "$part" <<<"$version" || fail "the version resource lacks $part"
  done
  # The read-me opens right in Notepad: CR LF at every line end, and it tells players to
  # unpack where they can write.
  lines=$(wc -l <"$unpacked/$readme")
  crlf=$(grep -c $'\r$' "$unpacked/$readme" || true)
  [ "$lines" -gt 0 ] && [ "$crlf" = "$lines" ] && ! grep -q $'\r\r' "$unpacked/$readme" ||
    fail "the read-me has $crlf CR LF line ends in $lines lines"
  grep -q "a folder you can write to" "$unpacked/$readme" ||
    fail "the read-me does not say to unpack into a folder the player can write to"
  echo "imports:" $dlls
fi
echo "PASS: the $kind package holds $expected"
