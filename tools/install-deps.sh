#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and this
# machine lacks. Says nothing when everything is there.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev zlib1g-dev
  googletest libcli11-dev libstb-dev fonts-dejavu-core
  wine wine64 xvfb xauth x11-utils
  fp-utils tidy icoutils python3
  osslsigncode openssl
  # Only the benchmark links cairo, to compare our rasteriser with it.
  libcairo2-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then; the others still
# serve, so retry a little and then let the install itself decide.
for attempt in 1 2 3; do
  $SUDO apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -eq 3 ] || sleep $((attempt * 5))
done
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
