#!/usr/bin/env bash
# Builds the Debian package from the already built tree, checks what it holds
# and declares, unpacks it (installing nothing into this machine) and starts
# the unpacked program.
set -u
cpack=${1:?usage: deb_check.sh cpack build-dir}
build=${2:?usage: deb_check.sh cpack build-dir}
here=$(cd "$(dirname "$0")" && pwd)
command -v dpkg-shlibdeps >/dev/null || { echo "dpkg-shlibdeps is missing (bash scripts/deps.sh --test)"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
shopt -s nullglob
debs=("$tmp"/out/*.deb)
[ "${#debs[@]}" -eq 1 ] || { echo "FAIL: expected one .deb, found ${#debs[@]}"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

dpkg-deb --contents "$deb" | awk '{print $6}' >"$tmp/contents" || bad "dpkg-deb --contents"
for path in ./usr/bin/vorlix ./usr/share/applications/vorlix.desktop \
            ./usr/share/mime/packages/vorlix.xml ./usr/share/man/man1/vorlix.1.gz \
            ./usr/share/doc/vorlix/manual.html \
            ./usr/share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/vorlix.png; do
  grep -qxF "$path" "$tmp/contents" || bad "the package lacks $path"
done
grep -qx '\./usr/share/metainfo/[^/]*\.metainfo\.xml' "$tmp/contents" || bad "the package lacks its metainfo"
# Everything under /usr: no staging or build folder, no /usr/local.
grep -v -e '^\./$' -e '^\./usr/' "$tmp/contents" | sed 's/^/outside \/usr: /' | grep . && bad "files outside /usr"
grep '^\./usr/local' "$tmp/contents" && bad "files under /usr/local"

# Libraries from the binary, the window-system plugin Qt loads at run time,
# and the fonts as a recommendation.
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6gui6 libc6 qt6-qpa-plugins; do
  [[ ",$depends," =~ [,\ ]$d[\ ,] ]] || bad "Depends lacks $d: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-wine, qt6-image-formats-plugins, qt6-wayland" ] \
  || bad "Recommends is not fonts-wine, qt6-image-formats-plugins, qt6-wayland"

dpkg-deb -x "$deb" "$tmp/root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
grep -qx 'Exec=/usr/bin/vorlix %f' "$tmp/root/usr/share/applications/vorlix.desktop" ||
  bad "Exec is not /usr/bin/vorlix %f: $(grep ^Exec= "$tmp/root/usr/share/applications/vorlix.desktop")"
XDG_CONFIG_HOME="$tmp/config" bash "$here/smoke_close.sh" "$tmp/root/usr/bin/vorlix" || bad "the unpacked program"
exit "$fail"
