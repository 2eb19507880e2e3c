#!/usr/bin/env bash
# Names the Windows build whose tests this machine can run under Wine: the
# shipped 32-bit one ("windows") where the kernel runs 32-bit programs, else
# the same code built for 64-bit ("windows64"). Some virtual machines' kernels
# have no 32-bit support at all, and Debian's Wine then cannot run 32-bit
# programs either.
set -uo pipefail
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo windows
else
  echo windows64
fi
