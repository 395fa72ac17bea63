#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
set -euo pipefail
# qt6-translations-l10n: Qt's own dialogs in Russian. xvfb ... x11-utils: the
# tests of the real programs on a virtual display (a window manager, key and
# mouse input, screen captures). libasmjit-dev: the code generator behind
# Vorn's machine code.
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libmuparser-dev qt6-translations-l10n
          xvfb xauth openbox xdotool imagemagick x11-utils
          clang libclang-rt-14-dev valgrind libasmjit-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
