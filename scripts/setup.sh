#!/usr/bin/env bash
# Installs what the build and the tests need (Debian, as root), when it is missing.
set -euo pipefail
packages=(cmake make g++ clang libclang-rt-dev gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 wine64 fonts-wine googletest gettext xvfb xauth gnuplot-nox zip unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]} (apt-get; a few minutes on a fresh machine)" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >&2
  apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi
