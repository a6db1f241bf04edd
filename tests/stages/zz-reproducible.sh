#!/usr/bin/env bash
# Both release packages once more, from a copy of the source in another folder, built in
# folders of other names, compared byte for byte with those of build/ and build-windows/:
# what a distributor does to check that a package was built from this source. The second
# builds make only what the packages hold. GORVEX_LINUX_BUILD and GORVEX_WINDOWS_BUILD name
# other first builds of the presets `linux` and `windows`.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
linux_build="${GORVEX_LINUX_BUILD:-$root/build}"
windows_build="${GORVEX_WINDOWS_BUILD:-$root/build-windows}"

# The copy is no git checkout: both sides take the date of the last commit from here.
SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct)"
export SOURCE_DATE_EPOCH
work="$(mktemp -d /tmp/gorvex-again.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# The files git knows, as they are now, so that changes not yet committed count on both sides.
copy="$work/elsewhere/gorvex"
mkdir -p "$copy"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
  tar --null -T - -cf -) | tar -C "$copy" -xf -

# package BUILD OUT: the package of that build, made by CPack into OUT.
package() {
  cpack --config "$1/CPackConfig.cmake" -B "$2" >"$2.log" 2>&1 || { cat "$2.log"; exit 1; }
}

start=$SECONDS
# The first builds, as the earlier stages left them (made here when missing).
[ -f "$linux_build/CPackConfig.cmake" ] || (cd "$root" && cmake --preset linux -B "$linux_build" >/dev/null)
[ -f "$windows_build/CPackConfig.cmake" ] || (cd "$root" && cmake --preset windows -B "$windows_build" >/dev/null)
cmake --build "$linux_build" --target gorvex-launcher gorvex-cmd >/dev/null
cmake --build "$windows_build" --target gorvex-launcher >/dev/null
package "$linux_build" "$work/first-linux"
package "$windows_build" "$work/first-windows"

# The second builds: only the packaged programs (CPack builds nothing itself), each with
# everything built from the copy, its own icon program too.
unset GORVEX_HOST_ICON_TOOL
again=(-DGORVEX_TESTS=OFF)
(cd "$copy" && cmake --preset linux -B "$work/out-linux" "${again[@]}" >/dev/null &&
  cmake --build "$work/out-linux" --target gorvex-launcher gorvex-cmd >/dev/null)
(cd "$copy" && cmake --preset windows -B "$work/out-windows" "${again[@]}" >/dev/null &&
  cmake --build "$work/out-windows" --target gorvex-launcher >/dev/null)
package "$work/out-linux" "$work/second-linux"
package "$work/out-windows" "$work/second-windows"
echo "second builds and packages: $((SECONDS - start)) s"

failed=0
for kind in linux windows; do
  for first in "$work/first-$kind"/*.tar.gz "$work/first-$kind"/*.zip; do
    [ -f "$first" ] || continue
    name=$(basename "$first")
    second="$work/second-$kind/$name"
    if cmp -s "$first" "$second"; then
      echo "same bytes: $name ($(sha256sum <"$first" | cut -c1-16)…)"
    else
      echo "FAIL: $name differs between the two builds"
      mkdir -p "$work/a" "$work/b"
      (cd "$work/a" && cmake -E tar xf "$first") && (cd "$work/b" && cmake -E tar xf "$second") &&
        diff -r "$work/a" "$work/b" || true
      cmp -l "$first" "$second" | head -5 || true
      rm -rf "$work/a" "$work/b"
      failed=1
    fi
  done
done
exit "$failed"
