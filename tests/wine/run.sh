#!/usr/bin/env bash
# End-to-end checks of the Windows launcher: builds the `windows` preset, then runs the exe
# under Wine in a private Xvfb and drives it with xdotool, the way a player would. The
# emulator is tests/wine/stand_in.cpp, which records its command line and current folder.
# Ends with "N passed, N failed" and a non-zero status when a check failed.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
pixels=$root/tests/wine/pixels.py

passed=0
failed=0
pass() {
  echo "PASS: $1"
  passed=$((passed + 1))
}
fail() {
  echo "FAIL: $1${2:+ ($2)}"
  failed=$((failed + 1))
}

# until_ok SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds, at most SECONDS.
until_ok() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# --- Set-up: locale, build, X server, Wine prefix ---

# Wine takes the ANSI code page from the locale variables: ru_RU gives 1251, en_US 1252.
for loc in ru_RU en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$loc\\.utf-\\?8"; then
    echo "== generating the $loc.UTF-8 locale"
    localedef -i $loc -f UTF-8 $loc.UTF-8 || { echo "cannot generate $loc.UTF-8"; exit 1; }
  fi
done

# The release exe is 32-bit: Wine's 32-bit side runs it. A kernel without 32-bit support
# (booted with ia32_emulation off) cannot start that side; the checks then run the 64-bit
# build of the same sources and say so at the end.
preset=windows
note=
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows-x64
  note=" (the 64-bit build: this kernel runs no 32-bit programs)"
  echo "== Wine's 32-bit side cannot start here: checking the windows-x64 build instead"
fi
bin=$root/build-$preset/bin

echo "== build (build-$preset/)"
if ! (cd "$root" && cmake --preset $preset >/dev/null && cmake --build --preset $preset); then
  echo "0 passed, 1 failed (the Windows build)"
  exit 1
fi

work=$(mktemp -d /tmp/gorvex-wine.XXXXXX)
if [ $preset = windows-x64 ]; then
  # `wine` (also for timeout and subshells) is the 64-bit loader.
  mkdir -p "$work/bin"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$work/bin/wine"
  chmod +x "$work/bin/wine"
  export PATH=$work/bin:$PATH WINELOADER=/usr/lib/wine/wine64
fi
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ru_RU.UTF-8
xvfb_pid=
big_xvfb_pid=
cleanup() {
  timeout 20 wineserver -k >/dev/null 2>&1
  for pid in $xvfb_pid $big_xvfb_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
until_ok 15 test -s "$work/display" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")

echo "== Wine prefix"
timeout 180 wine wineboot.exe -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; echo "wineboot failed"; exit 1; }
# Wine draws the frame itself and closes windows promptly.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
timeout 60 wineserver -w

"$pixels" picture "$work/INTERPIC.bmp" || exit 1

# --- Helpers ---

# The Wine path of a Unix path (drive Z: is the Unix root).
wpath() { printf 'Z:%s' "${1//\//\\}"; }

# A game folder: the launcher, the snapshot tool, the stand-in as gorvex.exe, a picture.
make_game() {
  mkdir -p "$1/CFG" "$1/roms"
  cp "$work/INTERPIC.bmp" "$1/CFG/"
  cp "$bin/gorvex-launcher.exe" "$bin/gorvex-snapshot.exe" "$1/"
  cp "$bin/gorvex-stand-in.exe" "$1/gorvex.exe"
}

find_window() {
  found=$(xdotool search --name "$1" 2>/dev/null | head -1)
  [ -n "$found" ]
}
no_window() { ! find_window "$1"; }

# Sets cx, cy to the screen position of the window's client area, client_w x client_h:
# Wine's frame is as wide left, right and below, and the caption sits on top.
client_w=640 client_h=480
client_origin() {
  local geo x y w h
  geo=$(xwininfo -id "$win" 2>/dev/null) || return 1
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$geo")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$geo")
  w=$(awk '/Width:/ {print $2}' <<<"$geo")
  h=$(awk '/Height:/ {print $2}' <<<"$geo")
  window_size=${w}x$h
  cx=$((x + (w - client_w) / 2))
  cy=$((y + h - client_h - (w - client_w) / 2))
}

# The launcher's window (win) and its client area; Wine may replace the X window early on.
locate_launcher() {
  find_window '^Gorvex Launcher$' && win=$found && client_origin
}

# start_launcher FROM GAME: starts GAME's launcher with FROM as current folder and waits for
# its window (win, cx, cy). Its exit status lands in $work/status.
start_launcher() {
  rm -f "$work/status"
  (
    cd "$1" && wine "$2/gorvex-launcher.exe" >>"$work/launcher.log" 2>&1
    echo $? >"$work/status"
  ) &
  until_ok 30 locate_launcher || return 1
  sleep 0.7  # Wine may still report one move to the screen's centre
}

# ended SECONDS: the launcher process ended within SECONDS; its status in `status`.
ended() {
  until_ok "$1" test -s "$work/status" || return 1
  status=$(cat "$work/status")
}

# A human-length left click at client coordinates.
click() {
  xdotool mousemove $((cx + $1 + 1)) $((cy + $2))
  sleep 0.1
  xdotool mousemove $((cx + $1)) $((cy + $2))
  sleep 0.2
  xdotool mousedown 1
  sleep 0.1
  xdotool mouseup 1
}

# Waits for every Wine process (the stand-in too); stops them when they hang.
settle() {
  if ! timeout 30 wineserver -w; then
    echo "   (Wine processes still running: stopped)"
    timeout 20 wineserver -k
    sleep 0.5
  fi
}

# focus_and WINDOW KEYS...: focuses a window and presses keys.
focus_and() {
  local w=$1
  shift
  timeout 5 xdotool windowfocus --sync "$w" >/dev/null 2>&1
  sleep 0.3
  xdotool key "$@"
}

# The stand-in's record (UTF-8).
expect_record() {
  printf 'command line: %s\r\ncurrent folder: %s\r\n' "$1" "$2"
}

# same_bytes NAME EXPECTED-FILE ACTUAL-FILE
same_bytes() {
  if cmp -s "$2" "$3"; then
    pass "$1"
  else
    fail "$1" "expected $(od -c "$2" | head -c 400 | tr -s ' ') got $( (od -c "$3" 2>&1 || true) | head -c 400 | tr -s ' ')"
  fi
}

# Button tops of the main screen; a click goes 15 pixels below.
top_game=150 top_editor=195 top_setup=240 top_mods=285
exit_x=40 exit_y=467

# --- The window: pixels, close request, full screen, EXIT ---

echo "== window"
game="$work/игра Gorvex"
make_game "$game"
(cd "$game" && timeout 60 wine ./gorvex-snapshot.exe snap.bmp) || fail "snapshot" "gorvex-snapshot.exe failed"
if start_launcher "$game" "$game"; then
  pass "the window opens"
  [ "$window_size" = 646x505 ] || echo "   (frame $window_size: the client area is assumed centred above the bottom border)"
  xdotool mousemove 1 1
  sleep 1
  timeout 20 import -window root "$work/shot.png"
  if "$pixels" compare "$work/shot.png" "$game/snap.bmp" "$cx" "$cy"; then
    pass "client area equals the snapshot"
  else
    fail "client area equals the snapshot"
  fi

  focus_and "$win" alt+F4
  sleep 1.5
  if [ ! -e "$work/status" ] && find_window '^Gorvex Launcher$'; then
    pass "Alt+F4 leaves the window open"
  else
    fail "Alt+F4 leaves the window open"
  fi

  focus_and "$win" alt+Return
  sleep 1
  client_origin
  timeout 20 import -window root "$work/full.png"
  if [ "$window_size" = 1024x768 ] &&
    "$pixels" compare "$work/full.png" "$game/snap.bmp" $(((1024 - 640) / 2)) $(((768 - 480) / 2)); then
    pass "Alt+Enter shows the picture full screen"
  else
    fail "Alt+Enter shows the picture full screen" "window $window_size"
  fi
  focus_and "$win" alt+Return
  sleep 1
  client_origin
  [ "$window_size" = 646x505 ] && pass "Alt+Enter again restores the window" ||
    fail "Alt+Enter again restores the window" "window $window_size"

  click $exit_x $exit_y
  if ended 15 && [ "$status" = 0 ] && until_ok 5 no_window '^Gorvex Launcher$'; then
    pass "EXIT ends with status 0"
  else
    fail "EXIT ends with status 0" "status ${status:-none}"
  fi
else
  fail "the window opens"
fi
settle

# --- Buttons 1 to 3 hand over to the emulator ---

echo "== buttons"
for button in "$top_game gorvex" "$top_editor editor" "$top_setup setup"; do
  read -r top config <<<"$button"
  name="button $config hands over"
  rm -f "$game/stand-in.txt"
  # Started from another folder: the launcher makes its own folder current.
  if ! start_launcher "$work" "$game"; then
    fail "$name" "no window"
    settle
    continue
  fi
  click 300 $((top + 15))
  if ! ended 15; then
    fail "$name" "the launcher is still running"
  elif [ "$status" != 0 ] || ! until_ok 5 no_window '^Gorvex Launcher$'; then
    fail "$name" "status $status, or the window stayed"
  else
    settle
    expect_record "gorvex.exe -noconsole -conf CFG\\$config.cnf" "$(wpath "$game")" >"$work/expected"
    same_bytes "$name" "$work/expected" "$game/stand-in.txt"
  fi
  settle
done

# --- What does not click, and a click shorter than one loop pass ---

still_running() { sleep 1; [ ! -e "$work/status" ] && find_window '^Gorvex Launcher$'; }

echo "== pointer"
rm -f "$game/stand-in.txt"
if start_launcher "$game" "$game"; then
  xdotool mousemove $((cx + 100)) $((cy + 100))
  sleep 0.2
  xdotool mousedown 1
  for x in 150 200 250 300; do
    sleep 0.1
    xdotool mousemove $((cx + x)) $((cy + 165))
  done
  sleep 0.3
  xdotool mouseup 1
  still_running && pass "a press beside a button slid onto it does nothing" ||
    fail "a press beside a button slid onto it does nothing"
  xdotool mousedown 3
  sleep 0.1
  xdotool mouseup 3
  still_running && pass "a right-button click does nothing" ||
    fail "a right-button click does nothing"
  click 170 160
  still_running && pass "a click on a button's border pixel does nothing" ||
    fail "a click on a button's border pixel does nothing"
  xdotool mousemove $((cx + 300)) $((cy + top_game + 15))
  sleep 0.3
  xdotool click 1
  if ended 15 && [ "$status" = 0 ]; then
    settle
    grep -q 'gorvex.cnf' "$game/stand-in.txt" 2>/dev/null &&
      pass "a quick click on a button still acts" ||
      fail "a quick click on a button still acts" "no hand-over recorded"
  else
    fail "a quick click on a button still acts" "the launcher is still running"
  fi
else
  fail "the window opens for the pointer checks"
fi
settle

# --- Mods: the dialog, temp.bat, roms\temp.wad ---

# mod_run GAME KEYS...: clicks the mod button, waits for the dialog and types KEYS into it.
mod_run() {
  local g=$1
  shift
  start_launcher "$g" "$g" || return 1
  click 300 $((top_mods + 15))
  until_ok 20 find_window '^Выбири WAD-ник под Gorvex$' || return 2
  timeout 5 xdotool windowfocus --sync "$found" >/dev/null 2>&1
  sleep 0.5
  "$@"
  ended 30 || return 3
}

type_and_return() {
  xdotool type --delay 30 "$1"
  xdotool key Return
}

echo "== mods"
mods="$work/mod folder"
make_game "$mods"
wad_dir="$work/wads/50% off & more"
mkdir -p "$wad_dir"
head -c 3000 /dev/urandom >"$wad_dir/level one.wad"
printf 'old level' >"$mods/roms/temp.wad"
mod_run "$mods" type_and_return "$(wpath "$wad_dir/level one.wad")"
result=$?
settle
if [ $result != 0 ]; then
  fail "the chosen WAD is installed" "step $result"
else
  cmp -s "$wad_dir/level one.wad" "$mods/roms/temp.wad" &&
    pass "the chosen WAD is copied to roms\\temp.wad" ||
    fail "the chosen WAD is copied to roms\\temp.wad"
  [ ! -e "$mods/temp.bat" ] && pass "temp.bat is removed" || fail "temp.bat is removed"
  expect_record "gorvex.exe -noconsole -conf CFG\\plusmod.cnf" "$(wpath "$mods")" >"$work/expected"
  same_bytes "the emulator starts with plusmod.cnf" "$work/expected" "$mods/stand-in.txt"
fi

rm -f "$mods/stand-in.txt"
printf 'old level' >"$mods/roms/temp.wad"
mod_run "$mods" xdotool key Escape
result=$?
settle
if [ $result = 0 ] && [ ! -e "$mods/roms/temp.wad" ] && [ ! -e "$mods/temp.bat" ] &&
  grep -q 'plusmod.cnf' "$mods/stand-in.txt" 2>/dev/null; then
  pass "a cancelled dialog removes the old roms\\temp.wad and still hands over"
else
  fail "a cancelled dialog removes the old roms\\temp.wad and still hands over" "step $result"
fi

# A WAD dropped onto the window, through the X drag-and-drop that Wine turns into
# WM_DROPFILES: installed as if chosen in the dialog.
rm -f "$mods/stand-in.txt"
printf 'old level' >"$mods/roms/temp.wad"
if start_launcher "$mods" "$mods"; then
  /usr/bin/python3 "$root/tests/e2e/xdnd.py" "$win" $((cx + 600)) $((cy + 400)) \
    "$wad_dir/level one.wad" >"$work/xdnd.log" 2>&1
  ended 30
  settle
  if cmp -s "$wad_dir/level one.wad" "$mods/roms/temp.wad" &&
    grep -q 'plusmod.cnf' "$mods/stand-in.txt" 2>/dev/null; then
    pass "a WAD dropped onto the window is installed and the game starts"
  else
    fail "a WAD dropped onto the window is installed and the game starts" "$(cat "$work/xdnd.log")"
  fi
else
  fail "a WAD dropped onto the window is installed and the game starts" "no window"
fi

# Wine's cmd reads batch lines in the OEM code page whatever chcp says, so the Cyrillic case
# checks the bytes of temp.bat: the stand-in takes cmd.exe's place and keeps a copy.
echo "== temp.bat bytes in a Cyrillic folder"
system32=$WINEPREFIX/drive_c/windows/system32
cyr="$work/моя игра 100%"
make_game "$cyr"
cp "$system32/cmd.exe" "$work/cmd.exe.saved"
cp "$bin/gorvex-stand-in.exe" "$system32/cmd.exe"
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;cmd.exe=n" mod_run "$cyr" xdotool key Escape
result=$?
settle
cp "$work/cmd.exe.saved" "$system32/cmd.exe"
if [ $result != 0 ]; then
  fail "temp.bat holds the CP1251 folder with %% doubled" "step $result"
else
  d=$(wpath "$cyr")
  d=${d//%/%%}
  printf 'chcp 1251\r\ndel /f /q "%s\\roms\\temp.wad"\r\ncopy /y "" "%s\\roms\\temp.wad"\r\n' "$d" "$d" |
    iconv -f UTF-8 -t CP1251 >"$work/expected"
  same_bytes "temp.bat holds the CP1251 folder with %% doubled" "$work/expected" "$system32/batch-copy.bat"
  expect_record 'cmd.exe /s /c ".\temp.bat"' "$(wpath "$cyr")" >"$work/expected"
  same_bytes "temp.bat runs through cmd.exe in the launcher folder" "$work/expected" "$system32/stand-in.txt"
fi

# --- Failures: message boxes ---

# box_check NAME GAME TITLE: clicks TOP's button, expects a box titled TITLE, dismisses it
# with Return and expects the launcher to end with 0.
box_check() {
  local name=$1 g=$2 title=$3 top=$4
  if ! start_launcher "$g" "$g"; then
    fail "$name" "no window"
    return
  fi
  click 300 $((top + 15))
  if ! until_ok 20 find_window "^$title\$"; then
    fail "$name" "no box titled $title"
    return
  fi
  focus_and "$found" Return
  if ended 15 && [ "$status" = 0 ]; then
    pass "$name"
  else
    fail "$name" "status ${status:-none}"
  fi
}

# --- Names outside the code page ---

# snapshot_in FOLDER: gorvex-snapshot's picture of start-up in FOLDER, as FOLDER/snap.bmp.
snapshot_in() {
  mkdir -p "$1/CFG"
  cp "$work/INTERPIC.bmp" "$1/CFG/"
  cp "$bin/gorvex-snapshot.exe" "$1/"
  (cd "$1" && timeout 60 wine ./gorvex-snapshot.exe snap.bmp >>"$work/launcher.log" 2>&1)
}

echo "== a game folder outside every code page"
uni="$work/ゲーム Café 🎮"
make_game "$uni"
# Letters without a CP1251 form show as '?': a twin folder with other such letters (one of
# them Windows turns into a look-alike) draws the same about line, a folder of plain
# letters in their places another.
snapshot_in "$uni"
snapshot_in "$work/ムーゲ Cafñ 🎲"
snapshot_in "$work/XXX CafX X"
if [ -s "$uni/snap.bmp" ] && cmp -s "$uni/snap.bmp" "$work/ムーゲ Cafñ 🎲/snap.bmp" &&
  ! cmp -s "$uni/snap.bmp" "$work/XXX CafX X/snap.bmp"; then
  pass "the about line shows '?' for the letters CP1251 lacks"
else
  fail "the about line shows '?' for the letters CP1251 lacks"
fi
if start_launcher "$uni" "$uni"; then
  xdotool mousemove 1 1
  sleep 1
  timeout 20 import -window root "$work/shot.png"
  "$pixels" compare "$work/shot.png" "$uni/snap.bmp" "$cx" "$cy" &&
    pass "the window there equals its snapshot" || fail "the window there equals its snapshot"
  click $exit_x $exit_y
  ended 15
else
  fail "the window opens in a folder outside every code page"
fi
settle
for button in "$top_game gorvex" "$top_setup setup"; do
  read -r top config <<<"$button"
  name="button $config hands over from a folder outside every code page"
  rm -f "$uni/stand-in.txt"
  if start_launcher "$work" "$uni"; then
    click 300 $((top + 15))
    if ended 15 && [ "$status" = 0 ]; then
      settle
      expect_record "gorvex.exe -noconsole -conf CFG\\$config.cnf" "$(wpath "$uni")" >"$work/expected"
      same_bytes "$name" "$work/expected" "$uni/stand-in.txt"
    else
      fail "$name" "status ${status:-none}"
    fi
  else
    fail "$name" "no window"
  fi
  settle
done

# A WAD named outside CP1251 beside a decoy that a wildcard would match: either its exact
# bytes arrive (through its short name), or the launcher refuses and changes nothing.
echo "== a WAD named outside CP1251"
wads="$work/wad names"
mkdir -p "$wads"
printf 'level\032after the end-of-file byte' >"$wads/レベル.wad"
head -c 2000 /dev/urandom >>"$wads/レベル.wad"
printf 'decoy' >"$wads/abc.wad"
rm -f "$mods/stand-in.txt"
printf 'old level' >"$mods/roms/temp.wad"
refused=
end_or_refusal() {
  [ -s "$work/status" ] && return 0
  find_window '^Такая вышла бОтва!$' && refused=$found
}
name="a WAD named outside CP1251 arrives exactly or is refused"
if ! start_launcher "$mods" "$mods"; then
  fail "$name" "no window"
else
  click 300 $((top_mods + 15))
  if ! until_ok 20 find_window '^Выбири WAD-ник под Gorvex$'; then
    fail "$name" "no dialog"
  else
    # xdotool cannot type the name: the dialog opens the folder, and the name sorts first.
    dialog=$found
    timeout 5 xdotool windowfocus --sync "$dialog" >/dev/null 2>&1
    sleep 0.5
    type_and_return "$(wpath "$wads")\\"
    sleep 1
    geo=$(xwininfo -id "$dialog")
    dx=$(awk '/Absolute upper-left X/ {print $4}' <<<"$geo")
    dy=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$geo")
    xdotool mousemove $((dx + 300)) $((dy + 120)) click 1  # on the list, below its names
    sleep 0.3
    xdotool key Home
    sleep 0.3
    xdotool key Return
    if ! until_ok 30 end_or_refusal; then
      fail "$name" "neither an end nor a refusal"
    elif [ -n "$refused" ]; then
      if [ "$(cat "$mods/roms/temp.wad")" = "old level" ] && [ ! -e "$mods/temp.bat" ] &&
        [ ! -e "$mods/stand-in.txt" ]; then
        pass "$name (refused, nothing changed)"
      else
        fail "$name" "refused, but something changed"
      fi
      focus_and "$refused" Return
      ended 15
    else
      settle
      if cmp -s "$wads/レベル.wad" "$mods/roms/temp.wad" && grep -q plusmod "$mods/stand-in.txt"; then
        pass "$name (installed exactly)"
      else
        fail "$name" "roms\\temp.wad: $(head -c 40 "$mods/roms/temp.wad" | od -c | head -2 | tr -s ' ')"
      fi
    fi
  fi
fi
settle

# Where the ANSI code page is 1252, the Russian texts still read right.
echo "== code page 1252"
LC_ALL=en_US.UTF-8 mod_run "$mods" xdotool key Escape
result=$?
settle
[ $result = 0 ] && pass "the dialog's Cyrillic title reads right under code page 1252" ||
  fail "the dialog's Cyrillic title reads right under code page 1252" "step $result"

echo "== failures"
lost="$work/no emulator"
make_game "$lost"
rm "$lost/gorvex.exe"
box_check "a missing emulator shows the NoFile box and ends with 0" "$lost" \
  "ОЙ Игрушка потерялась!" $top_game
settle
LC_ALL=en_US.UTF-8 box_check "the NoFile box's Cyrillic title reads right under code page 1252" \
  "$lost" "ОЙ Игрушка потерялась!" $top_game
settle

stuck="$work/batch blocked"
make_game "$stuck"
mkdir "$stuck/temp.bat"
rm -f "$work/status"
start_launcher "$stuck" "$stuck" && click 300 $((top_mods + 15))
if until_ok 20 find_window '^Выбири WAD-ник под Gorvex$'; then
  focus_and "$found" Escape
  if until_ok 20 find_window '^Такая вышла бОтва!$'; then
    focus_and "$found" Return
    ended 15 && [ "$status" = 0 ] && pass "a temp.bat that cannot run shows the NoTRun box" ||
      fail "a temp.bat that cannot run shows the NoTRun box" "status ${status:-none}"
  else
    fail "a temp.bat that cannot run shows the NoTRun box" "no box"
  fi
else
  fail "a temp.bat that cannot run shows the NoTRun box" "no dialog"
fi
settle

# --- A monitor at 200 %: the page at twice its size, sharp, and clicks land where drawn ---

echo "== 200 %"
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp -noreset 3>"$work/big-display" 2>>"$work/xvfb.log" &
big_xvfb_pid=$!
if until_ok 15 test -s "$work/big-display"; then
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
  timeout 60 wineserver -w
  rm -f "$game/stand-in.txt"
  client_w=1280 client_h=960
  if DISPLAY=:$(cat "$work/big-display") start_launcher "$game" "$game"; then
    export DISPLAY=:$(cat "$work/big-display")
    xdotool mousemove 1 1
    sleep 1
    timeout 20 import -window root "$work/big.png"
    "$pixels" compare "$work/big.png" "$game/snap.bmp" "$cx" "$cy" 2 &&
      pass "at 200 % the window shows the page twice as large, pixel for pixel" ||
      fail "at 200 % the window shows the page twice as large, pixel for pixel" "window $window_size"
    # The right end of the game button: taken as a page point unscaled, it lies off the page.
    click $((2 * 460)) $((2 * (top_game + 15)))
    if ended 15 && [ "$status" = 0 ]; then
      settle
      grep -q 'gorvex.cnf' "$game/stand-in.txt" 2>/dev/null &&
        pass "at 200 % a click lands on the button drawn there" ||
        fail "at 200 % a click lands on the button drawn there" "no hand-over recorded"
    else
      fail "at 200 % a click lands on the button drawn there" "the launcher is still running"
    fi
    export DISPLAY=:$(cat "$work/display")
  else
    fail "at 200 % the window opens"
  fi
  client_w=640 client_h=480
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
else
  fail "a second X server for 200 %"
fi
settle

(cd "$game" && DISPLAY= timeout 60 wine ./gorvex-launcher.exe >>"$work/launcher.log" 2>&1)
status=$?
[ "$status" = 1 ] && pass "without a display the launcher ends with status 1" ||
  fail "without a display the launcher ends with status 1" "status $status"
settle

echo "$passed passed, $failed failed$note"
[ "$failed" = 0 ]
