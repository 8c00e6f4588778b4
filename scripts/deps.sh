#!/usr/bin/env bash
# Installs the Debian packages Vorlix needs to build, run and test, when any
# is missing. Uses sudo unless already root.
set -eu
packages=(g++ cmake make qt6-base-dev qt6-qpa-plugins fonts-wine)
if [ "${1:-}" = "--test" ]; then
  packages+=(xvfb xauth xdotool valgrind clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
