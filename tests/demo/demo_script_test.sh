#!/usr/bin/env bash
# scripts/demo.sh never replaces a folder it did not make: it refuses before building anything,
# says why in one sentence, and leaves the folder exactly as it was.
# Usage: demo_script_test.sh PATH/TO/scripts/demo.sh
set -uo pipefail
demo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Runs the script on the folder and checks that it refused, naming the reason, and that nothing
# below the folder changed.
expect_refused() {
  local what=$1 folder=$2 reason=$3
  local before after status
  before=$(cd "$work" && find . -printf '%p %y %s %l\n' | sort)
  "$demo" "$folder" >"$work.out" 2>"$work.err"
  status=$?
  after=$(cd "$work" && find . -printf '%p %y %s %l\n' | sort)
  if [ "$status" -ne 2 ]; then
    echo "FAIL $what: exit status $status, not 2"; failures=$((failures + 1))
  fi
  if ! grep -q "$reason" "$work.err" || [ "$(wc -l <"$work.err")" -ne 1 ]; then
    echo "FAIL $what: not one sentence naming \"$reason\":"; cat "$work.err"
    failures=$((failures + 1))
  fi
  if [ "$before" != "$after" ]; then
    echo "FAIL $what: the folder changed"; failures=$((failures + 1))
  fi
}

mkdir -p "$work/stand/spartiti"
echo 'var archivio = [' >"$work/stand/spartiti/archivio.js"
expect_refused "a stand's folder" "$work/stand" "is not empty and is no demo installation"

mkdir -p "$work/hidden"
touch "$work/hidden/.profile"
expect_refused "a folder holding only a hidden file" "$work/hidden" "is not empty"

mkdir -p "$work/linked"
echo kept >"$work/linked/notes.txt"
ln -s "$work/linked/notes.txt" "$work/linked/.folioscribe-demo"
expect_refused "a marker that is a link" "$work/linked" "is not empty"

echo "a file" >"$work/file.txt"
expect_refused "a file" "$work/file.txt" "is a file, not a folder"

rm -f "$work.out" "$work.err"
[ "$failures" -eq 0 ] && echo "demo.sh refuses every folder it did not make"
exit "$failures"
