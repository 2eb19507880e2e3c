#!/usr/bin/env bash
# Fails when a program is not a PE executable of the build's architecture
# (pei-i386 for the shipped build) or imports a DLL that is not part of
# Windows itself.
set -euo pipefail
objdump=$1; format=$2; shift 2
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msvcrt|shlwapi|uuid|version|winmm|ws2_32|imm32|uxtheme)\.dll$'
status=0
for exe in "$@"; do
  if ! "$objdump" -f "$exe" | grep -q "file format $format\$"; then
    echo "$exe: not a $format executable"; status=1; continue
  fi
  while read -r dll; do
    if ! [[ "${dll,,}" =~ $allowed ]]; then
      echo "$exe imports $dll, which is not a system DLL"; status=1
    fi
  done < <("$objdump" -p "$exe" | awk '/DLL Name:/ {print $3}')
done
[ $status -eq 0 ] && echo "all $# programs import system DLLs only"
exit $status
