#!/usr/bin/env bash
# Fails unless every program carries a well-formed manifest that declares
# UTF-8 as its process code page and binds the common controls for any
# processor: a manifest naming x86 keeps a 64-bit program from starting on
# 64-bit Windows (Wine lets it start, so only this check sees it).
set -euo pipefail
status=0
for exe in "$@"; do
  if ! why=$(wrestool -x --raw -t 24 "$exe" 2>/dev/null | python3 -c '
import sys, xml.etree.ElementTree as ET
try:
    root = ET.fromstring(sys.stdin.buffer.read())
except ET.ParseError:
    sys.exit("no well-formed manifest")
ns = "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}activeCodePage"
if [e.text for e in root.iter(ns)] != ["UTF-8"]:
    sys.exit("no manifest declaring the UTF-8 code page")
for e in root.iter("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity"):
    arch = e.get("processorArchitecture")
    if arch not in (None, "*"):
        sys.exit(e.get("name") + " is bound to processor " + arch)
' 2>&1); then
    echo "$exe: ${why:-no manifest}"; status=1
  fi
done
[ $status -eq 0 ] && echo "all $# programs declare the UTF-8 code page and any processor"
exit $status
