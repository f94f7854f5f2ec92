#!/usr/bin/env bash
# The cross-built programs are 32-bit PE files of the GUI subsystem.
set -u
build=${1:-build/win32}
status=0
for exe in "$build/print_service/ORVIPrintService.exe" "$build/detect_service/ORVIDetectService.exe"; do
  desc=$(file -b "$exe" 2>/dev/null)
  case "$desc" in
    "PE32 executable (GUI) Intel 80386"*) echo "ok   - $(basename "$exe"): $desc" ;;
    *) echo "FAIL - $(basename "$exe"): ${desc:-missing}"; status=1 ;;
  esac
done
exit $status
