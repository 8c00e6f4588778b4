#!/usr/bin/env bash
# Installs the Debian packages Vorlix needs to build, run and test, when any
# is missing. Uses sudo unless already root.
set -eu
packages=(g++ cmake make qt6-base-dev qt6-qpa-plugins fonts-wine pkg-config libzip-dev libfontconfig-dev qt6-image-formats-plugins
          libxcb1-dev) # asks the X server whether it is Xwayland and who composites
if [ "${1:-}" = "--test" ]; then
  packages+=(xvfb xauth xdotool valgrind libx11-dev libxext-dev)
  packages+=(libxdamage-dev) # the start-up benchmark times the first frame from outside
fi
# The Debian package (scripts/package.sh), and the checks of the installed
# desktop files in the tests.
if [ "${1:-}" = "--test" ] || [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev file)
fi
if [ "${1:-}" = "--test" ]; then
  packages+=(desktop-file-utils appstream shared-mime-info)
  packages+=(xclip imagemagick) # the clipboard test; screenshots
  packages+=(openbox) # the settings restart check closes a dialog by its close box
  # A real Wayland compositor, nested in the virtual X server, with the Qt
  # plugin that draws there, its X server for X programs, and another
  # program's clipboard.
  packages+=(weston qt6-wayland xwayland wl-clipboard)
  packages+=(xcompmgr) # an X compositing manager
  packages+=(zip unzip) # skin archives made and listed by the tests
  packages+=(audacious-plugins-data) # real skins, made outside this project
  packages+=(clang libclang-rt-14-dev) # the sanitizer stage and the fuzz target
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
