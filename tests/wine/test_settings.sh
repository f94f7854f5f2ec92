#!/usr/bin/env bash
# The settings store and the resolution lookup under Wine: the print service
# writes "Data Directory" into the 32-bit registry view and creates the
# directory, a stored "Resolution" wins over the device's figures, and a
# stored value answers for a name that has no queue.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
trap wine_stop_all EXIT

QUEUE=ORVIRes
EXE=$WIN_BUILD/print_service/ORVIPrintService.exe
DATA_DIR=$WINEPREFIX/drive_c/ProgramData/ORVI
LOG=$(mktemp)

require_exe_and_prefix "$EXE"
cups_ready "$QUEUE"
wine reg delete 'HKLM\Software\ORVI' /f /reg:32 >/dev/null 2>&1
wine reg delete 'HKLM\Software\ORVI' /f /reg:64 >/dev/null 2>&1
rm -rf "$DATA_DIR"
wineserver -w

ask() {  # ask NAME: the JSON answer for one queue name
  curl -s -X POST "http://127.0.0.1:6780/ovapi/GetPrinterResolution?printName=$1" --data-binary ''
}
field() {  # field NAME JSON: one integer member of the answer
  echo "$2" | tr -d '\t\r' | sed -n "s/^\"$1\":\(-\{0,1\}[0-9]*\),\{0,1\}$/\1/p"
}

wine "$EXE" >"$LOG" 2>/dev/null &
check "the print service listens on 6780" wait_for_port 6780 90

first=$(ask "$QUEUE")
check_eq "without a settings file the device's dpi is reported" "300 300 300" \
  "$(field xDPI "$first") $(field yDPI "$first") $(field printQuality "$first")"
width=$(field physicalWidth "$first")
height=$(field physicalHeight "$first")
check "the device reports a page size" test "${width:-0}" -gt 0 -a "${height:-0}" -gt 0

reg_value=$(wine reg query 'HKLM\Software\ORVI' /v "Data Directory" "$REG_VIEW" 2>/dev/null | tr -d '\r' |
  sed -n 's/.*REG_SZ[[:space:]]*//p')
check_eq "the default data directory is written in the programs' registry view" 'C:\ProgramData\ORVI' "$reg_value"
check "the default data directory is created" test -d "$DATA_DIR"

printf '[Print Settings]\r\nResolution=306\r\nPrinttype=1\r\n' >"$DATA_DIR/$QUEUE.ini"
second=$(ask "$QUEUE")
check_eq "a stored 306 wins and the page size stays the device's" "306 306 $width $height 306" \
  "$(field xDPI "$second") $(field yDPI "$second") $(field physicalWidth "$second") $(field physicalHeight "$second") $(field printQuality "$second")"

printf '[Print Settings]\r\nResolution=306\r\n' >"$DATA_DIR/NoSuchQueue.ini"
third=$(ask NoSuchQueue)
check_eq "a stored 306 answers for a name without a queue" "306 306 0 0 306" \
  "$(field xDPI "$third") $(field yDPI "$third") $(field physicalWidth "$third") $(field physicalHeight "$third") $(field printQuality "$third")"

check_eq "a name with neither queue nor file fails to open" \
  "$(printf '{\n\t"statusCode":\t"10002",\n\t"resultInfo":\t"Failed to open printer"\n}')" "$(ask NothingHere)"

wine_stop_all
log=$(tr -d '\r' <"$LOG")
check_eq "the lookup logs what it found" \
  "$(printf 'GetPrinterResolution: Found custom resolution: 0\nGetPrinterResolution: Found custom resolution: 306\nGetPrinterResolution: Found custom resolution: 306\nGetPrinterResolution: Found custom resolution: 0')" \
  "$(echo "$log" | grep '^GetPrinterResolution: Found')"
rm -f "$LOG" "$DATA_DIR/NoSuchQueue.ini" "$DATA_DIR/$QUEUE.ini"
finish
