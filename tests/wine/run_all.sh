#!/usr/bin/env bash
# Runs every Wine check (tests/wine/test_*.sh) against the win32 build.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# One Wine run at a time on this machine: the programs use the fixed port 6780.
exec 9>/tmp/orvi-wine.lock
flock 9
passed=0; failed=0; status=0
for t in "$here"/test_*.sh; do
  [ -e "$t" ] || continue
  echo "== $(basename "$t")"
  out=$(bash "$t" 2>&1); rc=$?
  echo "$out"
  line=$(echo "$out" | grep -E '^wine: [0-9]+ passed, [0-9]+ failed$' | tail -1)
  if [ -n "$line" ]; then
    p=$(echo "$line" | sed -E 's/^wine: ([0-9]+) passed.*/\1/')
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) failed$/\1/')
    passed=$((passed + p)); failed=$((failed + f))
  fi
  if [ "$rc" -ne 0 ]; then
    status=1
    [ -z "$line" ] && failed=$((failed + 1))
  fi
done
echo "wine: $passed passed, $failed failed"
exit $status
