# Shared by the Wine checks: a prefix of the build's own, headless, and small
# assertion helpers. Source it from a test_*.sh script.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WIN32_BUILD=${WIN32_BUILD:-$ROOT/build/win32}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY

failures=0
checks=0

# Creates the prefix once; later runs reuse it.
wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

wine_stop_all() { wineserver -k >/dev/null 2>&1 || true; }

check() {  # check "what" command...
  local what=$1; shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok   - $what"
  else
    echo "FAIL - $what"
    failures=$((failures + 1))
  fi
}

check_eq() {  # check_eq "what" expected actual
  checks=$((checks + 1))
  if [ "$2" == "$3" ]; then
    echo "ok   - $1"
  else
    echo "FAIL - $1"
    echo "  expected: $(printf '%q' "$2")"
    echo "  actual:   $(printf '%q' "$3")"
    failures=$((failures + 1))
  fi
}

# Waits until something listens on 127.0.0.1:$1 (at most $2 seconds).
wait_for_port() {
  local port=$1 limit=${2:-60} i
  for ((i = 0; i < limit * 5; i++)); do
    if (exec 3<>/dev/tcp/127.0.0.1/"$port") 2>/dev/null; then return 0; fi
    sleep 0.2
  done
  return 1
}

# Ends a test script: one summary line the runner adds up.
finish() {
  echo "wine: $((checks - failures)) passed, $failures failed"
  [ "$failures" -eq 0 ]
}

# Starts CUPS (once) with a cups-pdf queue named $1 (default ORVI) whose
# PDFs land in /root/PDF (the cups-pdf default for root's jobs).
cups_ready() {
  local queue=${1:-ORVI}
  if ! pgrep -x cupsd >/dev/null; then
    /usr/sbin/cupsd
    for _ in $(seq 50); do lpstat -r >/dev/null 2>&1 && break; sleep 0.2; done
  fi
  if ! lpstat -p "$queue" >/dev/null 2>&1; then
    lpadmin -p "$queue" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  fi
}

# The real program's port 6780 is also used by native tests that run the
# built program; they take the same lock.
exec 8>/tmp/orvi-6780.lock
flock 8
