#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need. As root it
# installs what is missing; otherwise it prints the exact install line and stops.
# Usage: scripts/ensure-deps.sh [demo]
set -euo pipefail

packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev qt6-base-dev qt6-pdf-dev qpdf libgl-dev
          libfontconfig-dev libxxhash-dev libgtest-dev libgmock-dev libbenchmark-dev nodejs
          dpkg-dev file desktop-file-utils lintian appstream man-db groff-base xdg-utils
          g++-mingw-w64-x86-64-posix wine64)
if [ "${1:-}" = "demo" ]; then
  packages+=(fonts-dejavu-core)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Folioscribe needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..."
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
