#!/usr/bin/env bash
# Fails unless every program carries a well-formed manifest that declares
# UTF-8 as its process code page.
set -euo pipefail
status=0
for exe in "$@"; do
  if ! wrestool -x --raw -t 24 "$exe" 2>/dev/null | python3 -c '
import sys, xml.etree.ElementTree as ET
ns = "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}activeCodePage"
found = [e.text for e in ET.fromstring(sys.stdin.buffer.read()).iter(ns)]
sys.exit(0 if found == ["UTF-8"] else 1)' 2>/dev/null; then
    echo "$exe: no manifest declaring the UTF-8 code page"; status=1
  fi
done
[ $status -eq 0 ] && echo "all $# programs declare the UTF-8 code page"
exit $status
