#!/bin/sh
# Runs a scripted session of every console key on the virtual module under valgrind: any memory
# error or definite leak fails, and the transcript must equal that of a plain run.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/default}
console="$build/app/zel-console-virtual"
session=tests/app/session.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$console" <"$session" >"$work/plain.txt"
valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  "$console" <"$session" >"$work/valgrind.txt"
cmp "$work/plain.txt" "$work/valgrind.txt"
echo "check-console-valgrind: no errors, no definite leaks, identical transcript"
