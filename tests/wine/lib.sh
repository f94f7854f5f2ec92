# Shared by the Wine checks: a prefix of the build's own, headless, and small
# assertion helpers. Source it from a test_*.sh script.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY

failures=0
checks=0

# Creates the prefix once; later runs reuse it. Fails when Wine cannot.
wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  [ -f "$WINEPREFIX/system.reg" ]
}

# Ends the script when the program under test is not built or Wine cannot
# make its prefix; those are failures of the set-up, not of the program.
require_exe_and_prefix() {  # require_exe_and_prefix EXE
  [ -f "$1" ] || { echo "FAIL - $1 is missing (build the win32 or win64 preset)"; exit 1; }
  wine_prefix_ready || { echo "FAIL - Wine could not create its prefix"; exit 1; }
}

# False where Wine's 32-bit loader cannot run (a kernel without 32-bit ELF
# support): no 32-bit Windows program starts there.
wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# The programs under test: the 32-bit build where this machine can run it.
# Where the kernel cannot execute 32-bit programs, the same sources built
# for 64-bit Windows run under Wine's 64-bit loader instead, so the Windows
# code paths are still exercised; the 32-bit build is then only inspected.
if wine_runs_32bit; then
  WIN_BUILD=${WIN_BUILD:-$ROOT/build/win32}
  WINE_LOADER_PATH=/usr/lib/wine/wine
  REG_VIEW=/reg:32  # what a 32-bit program sees under HKLM\Software
else
  WIN_BUILD=${WIN_BUILD:-$ROOT/build/win64}
  WINE_LOADER_PATH=/usr/lib/wine/wine64
  REG_VIEW=/reg:64
  export WINELOADER=$WINE_LOADER_PATH
  echo "note: this kernel cannot execute 32-bit programs; running the 64-bit build under Wine"
fi
WIN32_BUILD=${WIN32_BUILD:-$ROOT/build/win32}
wine() { "$WINE_LOADER_PATH" "$@"; }
wineboot() { "$WINE_LOADER_PATH" wineboot "$@"; }

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
