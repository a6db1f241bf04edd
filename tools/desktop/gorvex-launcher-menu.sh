#!/bin/sh
# Adds the launcher of this game folder to the desktop's applications menu: writes
# ~/.local/share/applications/gorvex-launcher.desktop with this folder's absolute paths, as a
# desktop entry needs them. Run it again after moving the folder.
#   ./gorvex-launcher-menu.sh            add (or renew) the menu entry
#   ./gorvex-launcher-menu.sh --remove   take it away again
set -eu

here=$(cd "$(dirname "$0")" && pwd -P)
entries=${XDG_DATA_HOME:-$HOME/.local/share}/applications
entry=$entries/gorvex-launcher.desktop

if [ "${1:-}" = --remove ]; then
  rm -f "$entry"
  echo "removed $entry"
  exit 0
fi
case $here in
  *'
'* | *'	'*)
    echo "gorvex-launcher-menu.sh: the folder's name holds a line break or tab, which a menu" \
      "entry cannot carry; rename the folder and run this again" >&2
    exit 1
    ;;
esac
[ -x "$here/gorvex-launcher" ] || {
  echo "gorvex-launcher-menu.sh: no gorvex-launcher in $here; unpack the package there" >&2
  exit 1
}

# A value of the entry: "\" is written "\\".
value() { printf '%s' "$1" | sed 's/\\/\\\\/g'; }

mkdir -p "$entries"
temporary=$(mktemp "$entries/.gorvex-launcher.XXXXXX")
{
  printf '[Desktop Entry]\n'
  printf 'Type=Application\n'
  printf 'Name=Gorvex Launcher\n'
  printf 'Name[ru]=Gorvex: запускалка\n'
  printf 'Comment=Start Gorvex, its map editor, the controls setup or an add-on level\n'
  printf 'Comment[ru]=Мега игра Gorvex\n'
  # The folder is the program's working folder (Path); Exec names no path at all, since
  # menus read "%" and quotes in Exec their own ways.
  printf 'Exec=sh -c "exec ./gorvex-launcher"\n'
  printf 'Path=%s\n' "$(value "$here")"
  printf 'Icon=%s\n' "$(value "$here/gorvex-launcher.png")"
  printf 'Terminal=false\n'
  printf 'Categories=Game;\n'
  printf 'StartupWMClass=gorvex-launcher\n'
} >"$temporary"
mv -f "$temporary" "$entry"
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$entries" || true
echo "added $entry"
