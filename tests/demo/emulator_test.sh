#!/usr/bin/env bash
# The demo folder with the real emulator: in a private X server, clicks a button of the
# launcher and checks that Debian's DOSBox ran the configuration it names.
#   emulator_test.sh DEMO_DIR game   "Запустить GORVEX": DOSBox runs CFG/gorvex.cnf
#   emulator_test.sh DEMO_DIR editor "Редактор карт": CFG/editor.cnf
#   emulator_test.sh DEMO_DIR setup  "Настройка Управления": CFG/setup.cnf
#   emulator_test.sh DEMO_DIR mod    "Моды к игрухе": a WAD chosen in the dialog reaches
#                                    the emulator as roms/temp.wad, and CFG/plusmod.cnf runs
# The folder is copied, and a file autotest.flg in the copy makes the configurations write
# STARTED.TXT (the configuration's name) and, for the add-on level, WADSEEN.BIN (a copy of
# c:\roms\temp.wad as the emulator sees it), then end. DOSBox's exit status means nothing.
set -euo pipefail

demo=$(cd "$1" && pwd)
mode=$2
for tool in Xvfb xdotool dosbox zenity; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x "$demo/gorvex-launcher" ] || { echo "SKIP: no launcher in $demo"; exit 77; }

work=$(mktemp -d)
xvfb_pid=""
launcher_pid=""
cleanup() {
  # The launcher leads its own process group, which holds the dialog and the emulator.
  if [ -n "$launcher_pid" ]; then kill -- "-$launcher_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- launcher and emulator output:"
  cat "$work/launcher.log" 2>/dev/null || true
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# A human-length click at window coordinates.
click() {
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.1
  xdotool mousedown 1
  sleep 0.1
  xdotool mouseup 1
}

cp -a "$demo" "$work/game"
touch "$work/game/autotest.flg"
mkdir -p "$work/home"
export HOME=$work/home GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1

# -noreset: the server would otherwise reset when the launcher's connection closes at the
# hand-over, and an emulator connecting at that moment could not open the display.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
wait_for 100 grep -q . "$work/display" || fail "Xvfb did not start"
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

(cd "$work/game" && exec setsid ./gorvex-launcher) >"$work/launcher.log" 2>&1 &
launcher_pid=$!
wait_for 150 xdotool search --name '^Gorvex Launcher$' || fail "the launcher's window did not appear"
window=$(xdotool search --name '^Gorvex Launcher$' | head -n1)
sleep 0.3  # the first frame

case $mode in
  game | editor | setup)
    # Buttons 1 to 3 are 30 pixels high, 45 apart, the first at y 150.
    case $mode in
      game) row=0 expected=gorvex.cnf ;;
      editor) row=1 expected=editor.cnf ;;
      setup) row=2 expected=setup.cnf ;;
    esac
    click "$window" 320 $((165 + 45 * row))
    ;;
  mod)
    mkdir -p "$work/my wads"
    wad="$work/my wads/level one.wad"
    head -c 3000 /dev/urandom >"$wad"
    echo "an older add-on level" >"$work/game/roms/temp.wad"
    click "$window" 320 300
    wait_for 150 xdotool search --name 'WAD' || fail "the file dialog did not appear"
    dialog=$(xdotool search --name 'WAD' | head -n1)
    xdotool windowfocus --sync "$dialog"
    xdotool key ctrl+l
    sleep 0.3
    xdotool type --delay 20 "$wad"
    sleep 0.2
    xdotool key Return
    expected=plusmod.cnf
    ;;
  *)
    echo "unknown mode $mode"
    exit 2
    ;;
esac

marker=$work/game/STARTED.TXT
wait_for 300 test -s "$marker" || fail "the emulator wrote no STARTED.TXT"
# The marker may still be growing; the emulator ends right after writing it.
wait_for 50 grep -q "$expected" "$marker" || fail "STARTED.TXT names $(cat "$marker"), not $expected"
echo "the emulator ran CFG/$expected"

if [ "$mode" = mod ]; then
  wait_for 50 test -f "$work/game/WADSEEN.BIN" || fail "the emulator found no c:\\roms\\temp.wad"
  sleep 0.3
  cmp "$wad" "$work/game/WADSEEN.BIN" || fail "the emulator's temp.wad differs from the chosen file"
  cmp "$wad" "$work/game/roms/temp.wad" || fail "roms/temp.wad differs from the chosen file"
  [ ! -e "$work/game/temp.bat" ] || fail "temp.bat was left behind"
  echo "the emulator found the chosen file as c:\\roms\\temp.wad"
fi

# The emulator took the launcher's place and ends by itself.
ended() { ! ps -o stat= -p "$launcher_pid" | grep -qv Z; }
wait_for 100 ended || fail "the emulator did not end"
launcher_pid=""
echo "PASS"
