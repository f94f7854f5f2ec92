#!/usr/bin/env bash
# ORVIDetectService under Wine's service manager, with no USB printer
# attached. A CUPS queue stands for the driver's queue; it is already named
# as the service names it, since Wine's renames and non-CUPS queues on CUPS
# ports do not survive. With Position 1 and no printer, the service keeps
# it, writes its settings from an all-zero block and marks it offline; STOP
# ends in STOPPED; started from a console the program exits with 0.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SERVICE="USB Printer Service ORVI"
QUEUE=ORVI
EXE=$WIN_BUILD/detect_service/ORVIDetectService.exe
INSTALL_DIR=$WINEPREFIX/drive_c/orvi
DATA_DIR=$WINEPREFIX/drive_c/ProgramData/ORVI
PRINTER_KEY="HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$QUEUE"
keeper=""
keep_dir=$(mktemp -d)

cleanup() {
  exec 7>&- 2>/dev/null  # end of input ends the keeper
  [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
  wine_stop_all
  rm -rf "$keep_dir"
}
trap cleanup EXIT

require_exe_and_prefix "$EXE"
cups_ready "$QUEUE"
mkdir -p "$INSTALL_DIR"
cp "$EXE" "$INSTALL_DIR/"
rm -rf "$DATA_DIR"
wine reg delete 'HKLM\Software\ORVI' /f "$REG_VIEW" >/dev/null 2>&1

# One Wine process stays alive for the whole script: the service lives as
# long as the prefix's wineserver.
# It reads a pipe that this script holds open; it must not inherit the
# script's output or its locks, or the runner would wait for it.
mkfifo "$keep_dir/input"
wine cmd <"$keep_dir/input" >/dev/null 2>&1 7>&- 8>&- 9>&- &
keeper=$!
exec 7>"$keep_dir/input"

reg_value() {  # reg_value KEY NAME [VIEW]: the data of one value (VIEW e.g. /reg:32)
  wine reg query "$1" /v "$2" ${3:+$3} 2>/dev/null | tr -d '\r' |
    sed -n "s/^[[:space:]]*$2[[:space:]]\{1,\}REG_[A-Z_]*[[:space:]]*//p"
}

service_state() {
  wine sc query "$SERVICE" 2>/dev/null | tr -d '\r' | sed -n 's/.*STATE[[:space:]]*:[[:space:]]*[0-9]*[[:space:]]*//p' |
    awk '{print $1}'
}

wait_for_state() {  # wait_for_state STATE SECONDS
  local i
  for ((i = 0; i < $2 * 2; i++)); do
    [ "$(service_state)" == "$1" ] && return 0
    sleep 0.5
  done
  return 1
}

# Started from a console, the dispatcher fails and the program returns 0.
# This first start also lets Wine's spooler take in the CUPS queue.
wine "C:\\orvi\\ORVIDetectService.exe" >/dev/null 2>&1
check_eq "started from a console the program exits with 0" 0 "$?"

driver=$(reg_value "$PRINTER_KEY" "Printer Driver")
check "Wine lists the CUPS queue with a driver" test -n "$driver"

key="HKLM\\SOFTWARE\\$SERVICE"
wine reg add "$key" /v PrinterName /t REG_SZ /d "$QUEUE" /f "$REG_VIEW" >/dev/null
wine reg add "$key" /v DriverName /t REG_SZ /d "$driver" /f "$REG_VIEW" >/dev/null
wine reg add "$key" /v PrinterPort /t REG_SZ /d "CUPS:$QUEUE" /f "$REG_VIEW" >/dev/null
# Position 1: the queue stands for the first printer, which is not attached.
wine reg add "$PRINTER_KEY\\PrinterDriverData" /v Position /t REG_DWORD /d 1 /f >/dev/null
attributes=$(reg_value "$PRINTER_KEY" Attributes)
wine reg add "$PRINTER_KEY" /v Attributes /t REG_DWORD /d $((${attributes:-0} & ~0x400)) /f >/dev/null

wine sc create "$SERVICE" binpath= "C:\\orvi\\ORVIDetectService.exe" >/dev/null 2>&1
wine net start "$SERVICE" >/dev/null 2>&1
check "the service reaches RUNNING after its first reconciliation" wait_for_state RUNNING 60

check "the queue of the driver is kept under its name" test -n "$(reg_value "$PRINTER_KEY" "Printer Driver")"
check_eq "its Position stays 1" 0x1 "$(reg_value "$PRINTER_KEY\\PrinterDriverData" Position)"
ini=$(tr -d '\r' <"$DATA_DIR/$QUEUE.ini" 2>/dev/null)
check_eq "its settings file is written from an all-zero block" \
  "$(printf '[Print Settings]\nResolution=203\nPrinttype=0\nThickness=0\nSpeed=0')" "$ini"
check_eq "its configuration file holds 63 zero bytes" \
  "$(head -c 63 /dev/zero | od -An -tx1)" "$(od -An -tx1 "$DATA_DIR/$QUEUE.bin" 2>/dev/null)"
check_eq "the data directory is the default, in the programs' registry view" 'C:\ProgramData\ORVI' \
  "$(reg_value 'HKLM\Software\ORVI' 'Data Directory' "$REG_VIEW")"
attributes=$(reg_value "$PRINTER_KEY" Attributes)
check "the queue without a printer is marked offline" test $((${attributes:-0} & 0x400)) -ne 0

wine net stop "$SERVICE" >/dev/null 2>&1
check "STOP ends in STOPPED" wait_for_state STOPPED 30

wine sc delete "$SERVICE" >/dev/null 2>&1
finish
