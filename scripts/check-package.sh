#!/usr/bin/env bash
# Builds the Debian package from the default build and checks what a user gets: lintian reports
# no error and no warning, the programs, their desktop entries (desktop-file-validate) and
# icons, manual pages that man renders without a warning, AppStream metadata that
# appstreamcli validates, the declared Qt 6 dependencies, no stray files, no entry that makes
# Folioscribe a default folder opener, and that the unpacked Folioscribe_pro, started by its
# desktop entry's command on a demo installation, is still running a few seconds later, has
# opened that stand and written nothing there.
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
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6pdf6 libqt6printsupport6; do
  [[ "$depends" == *"$library "* || "$depends" == *"$library," || "$depends" == *"$library" ]] ||
    fail "the package does not depend on $library (Depends: $depends)"
done

# Debian's own checks; the reason for any override is in packaging/lintian-overrides.
lintian --fail-on error,warning --show-overrides "$deb" >"$work/lintian.txt" 2>&1 ||
  fail "lintian reports errors or warnings: $(cat "$work/lintian.txt")"

allowed='bin/[^/]+|share/applications/[^/]+\.desktop|share/icons/hicolor/scalable/apps/[^/]+\.svg'
allowed+='|share/man/man1/[^/]+\.1\.gz|share/metainfo/[^/]+\.metainfo\.xml'
allowed+='|share/doc/folioscribe/(copyright|changelog\.gz)|lib/folioscribe/modules/libfolio_pdf\.so'
stray=$(cd "$root" && find . -type f | grep -v -E "^\./usr/($allowed)\$" || true)
[ -z "$stray" ] || fail "unexpected files in the package: $stray"

for metainfo in "$root"/usr/share/metainfo/*.metainfo.xml; do
  [ -f "$metainfo" ] || fail "the package holds no AppStream metadata"
  appstreamcli validate --pedantic --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
    fail "$(basename "$metainfo") is not valid AppStream metadata: $(cat "$work/appstream.txt")"
  launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
  [ -f "$root/usr/share/applications/$launchable" ] ||
    fail "$(basename "$metainfo") names the desktop entry '$launchable', which is not in the package"
done

# Opening a folder must not start Folioscribe: with no default set in a clean XDG setting, the
# default for folders is the same before and after the package's entries are there.
default_folder_opener() {
  env -i PATH="$PATH" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_CONFIG_DIRS="$work/home/config" XDG_DATA_HOME="$work/home/data" \
    XDG_DATA_DIRS="$work/desktop/share" xdg-mime query default inode/directory
}
mkdir -p "$work/home" "$work/desktop/share/applications"
folder_opener_before=$(default_folder_opener)
cp "$root"/usr/share/applications/*.desktop "$work/desktop/share/applications/"
update-desktop-database "$work/desktop/share/applications"
folder_opener_after=$(default_folder_opener)
[ "$folder_opener_before" = "$folder_opener_after" ] ||
  fail "installing the package makes $folder_opener_after the default folder opener"

programs=0
while read -r program entry; do
  programs=$((programs + 1))
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is missing"
  page=$root/usr/share/man/man1/$program.1.gz
  [ -f "$page" ] || fail "the manual page of $program is missing"
  # What lintian runs: groff's warnings (-ww) on a rendering into UTF-8.
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings=w -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "the manual page of $program has warnings: $warnings"
  [ -n "$entry" ] || continue
  desktop=$root/usr/share/applications/$entry.desktop
  [ -f "$desktop" ] || fail "the desktop entry $entry.desktop is missing"
  desktop-file-validate "$desktop" || fail "$entry.desktop is not a valid desktop entry"
  grep -q "^Exec=$program %f$" "$desktop" || fail "$entry.desktop does not start $program on %f"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the icon $icon of $entry.desktop is missing"
done <"$build/packaged-programs.txt"
[ "$programs" -ge 1 ] || fail "no program listed in $build/packaged-programs.txt"

# The desktop entry's command, as a launcher runs it: string escapes undone, %f the folder.
stand=$work/stand
"$build/demo/generator/folio_demo" "$stand" >/dev/null
# The stand's lock is the one file a running Folioscribe adds; a killed one leaves it behind,
# stale, for the next start to take over.
state_of_stand() {
  (cd "$stand" && find . -type f ! -path ./spartiti/.folioscribe.lock -exec md5sum {} + | sort)
}
state_before=$(state_of_stand)
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/folioscribe.desktop" | sed 's/\\\\/\\/g')
command=${exec_line//%f/\"\$stand\"}
libraries=$root/usr/lib/$(gcc -print-multiarch 2>/dev/null || true)
(
  cd /
  export PATH="$root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/home/config"
  export LD_LIBRARY_PATH="$libraries:$root/usr/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  eval "exec $command"
) >"$work/output.txt" 2>&1 &
pid=$!
sleep 4
kill -0 "$pid" 2>/dev/null || fail "Folioscribe_pro ended at once: $(cat "$work/output.txt")"
[ "$(readlink "/proc/$pid/exe")" = "$(realpath "$root/usr/bin/Folioscribe_pro")" ] ||
  fail "the desktop entry started $(readlink "/proc/$pid/exe"), not the packaged program"
# Started in /, it opened the folder it was given, and keeps it among the recent stands.
grep -qF "$stand" "$work/home/config/Folioscribe/Folioscribe_pro.conf" ||
  fail "Folioscribe_pro did not open the chosen folder"
[ "$(head -n 1 "$stand/spartiti/.folioscribe.lock" 2>/dev/null)" = "$pid" ] ||
  fail "Folioscribe_pro does not hold the lock of the stand it opened"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
state_after=$(state_of_stand)
[ "$state_before" = "$state_after" ] || fail "starting Folioscribe_pro changed the stand's folder"

# The packaged program finds its PDF engine where the package puts it.
[ -f "$root/usr/lib/folioscribe/modules/libfolio_pdf.so" ] || fail "the PDF engine folio_pdf is missing"

echo "Package $(basename "$deb") checked: $programs program(s), Depends: $depends"
