#!/usr/bin/env bash
# Checks a built Windows plug-in: it may import only Windows system DLLs (the
# C++ runtime is linked in) and must export exactly VSTPluginMain, main, MAIN.
# Usage: check-windows-dll.sh <preset> [path/to/Sorrel.dll]
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:?preset}
dll=${2:-build/$preset/Sorrel.dll}
case $preset in
  win32) objdump=i686-w64-mingw32-objdump ;;
  *) objdump=x86_64-w64-mingw32-objdump ;;
esac

if [ ! -f "$dll" ]; then
  echo "FAIL: $dll missing" >&2
  exit 1
fi

dump=$("$objdump" -p "$dll")
status=0

allowed='^(kernel32|user32|gdi32|msvcrt|ucrtbase|ole32|oleaut32|oleacc|shell32|advapi32|comctl32|comdlg32|msimg32|shlwapi|winmm|version|uxtheme|dwmapi|imm32|api-ms-win-.*)\.dll$'
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
while read -r name; do
  [ -n "$name" ] || continue
  if ! tr '[:upper:]' '[:lower:]' <<<"$name" | grep -Eq "$allowed"; then
    echo "FAIL: $dll imports $name, which is not a Windows system DLL" >&2
    status=1
  fi
done <<<"$imports"

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "$exports" != "MAIN VSTPluginMain main " ]; then
  echo "FAIL: $dll exports '$exports', expected exactly MAIN VSTPluginMain main" >&2
  status=1
fi

[ $status -eq 0 ] && echo "ok: $dll imports only system DLLs ($(tr '\n' ' ' <<<"$imports")) and exports $exports"
exit $status
