#!/usr/bin/env bash
# Builds the Debian package from the default build and checks what a user gets: the programs,
# their desktop entries (desktop-file-validate) and icons, the declared Qt 6 dependencies, no
# stray files, and that the unpacked Folioscribe_pro, started by its desktop entry's command on
# a demo installation, is still running a few seconds later and has written nothing there.
# Usage: scripts/check-package.sh   (after the default build, as scripts/test.sh runs it)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default

fail() {
  echo "Package check failed: $*" >&2
  exit 1
}

rm -rf "$build/package"
cpack --preset default >/dev/null
debs=("$build"/package/folioscribe_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6; do
  [[ "$depends" == *"$library "* || "$depends" == *"$library," || "$depends" == *"$library" ]] ||
    fail "the package does not depend on $library (Depends: $depends)"
done

stray=$(cd "$root" && find . -type f | grep -v -E '^\./usr/(bin/[^/]+|share/applications/[^/]+\.desktop|share/icons/hicolor/scalable/apps/[^/]+\.svg)$' || true)
[ -z "$stray" ] || fail "unexpected files in the package: $stray"

programs=0
while read -r program entry; do
  programs=$((programs + 1))
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is missing"
  desktop=$root/usr/share/applications/$entry.desktop
  [ -f "$desktop" ] || fail "the desktop entry $entry.desktop is missing"
  desktop-file-validate "$desktop" || fail "$entry.desktop is not a valid desktop entry"
  grep -q "^Exec=.*exec $program\" " "$desktop" || fail "$entry.desktop does not start $program"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the icon $icon of $entry.desktop is missing"
done <"$build/packaged-programs.txt"
[ "$programs" -ge 1 ] || fail "no program listed in $build/packaged-programs.txt"

# The desktop entry's command, as a launcher runs it: string escapes undone, %f the folder.
stand=$work/stand
"$build/demo/generator/folio_demo" "$stand" >/dev/null
state_before=$(cd "$stand" && find . -type f -exec md5sum {} + | sort)
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/folioscribe.desktop" | sed 's/\\\\/\\/g')
command=${exec_line//%f/\"\$stand\"}
libraries=$root/usr/lib/$(gcc -print-multiarch 2>/dev/null || true)
(
  cd /
  export PATH="$root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen
  export LD_LIBRARY_PATH="$libraries:$root/usr/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  eval "exec $command"
) >"$work/output.txt" 2>&1 &
pid=$!
sleep 4
kill -0 "$pid" 2>/dev/null || fail "Folioscribe_pro ended at once: $(cat "$work/output.txt")"
[ "$(readlink "/proc/$pid/exe")" = "$(realpath "$root/usr/bin/Folioscribe_pro")" ] ||
  fail "the desktop entry started $(readlink "/proc/$pid/exe"), not the packaged program"
[ "$(readlink "/proc/$pid/cwd")" = "$(realpath "$stand")" ] ||
  fail "Folioscribe_pro runs in $(readlink "/proc/$pid/cwd"), not in the chosen folder"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
state_after=$(cd "$stand" && find . -type f -exec md5sum {} + | sort)
[ "$state_before" = "$state_after" ] || fail "starting Folioscribe_pro changed the stand's folder"

echo "Package $(basename "$deb") checked: $programs program(s), Depends: $depends"
