#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under a prefix with a blank and
# a "$" in it, checks the installed desktop files with the freedesktop and
# AppStream validators, and starts the installed program.
set -u
cmake=${1:?usage: install_check.sh cmake build-dir}
build=${2:?usage: install_check.sh cmake build-dir}
here=$(cd "$(dirname "$0")" && pwd)
for tool in desktop-file-validate appstreamcli update-mime-database; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (bash scripts/deps.sh --test)"; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix='/opt/Vorlix $test'
root="$tmp/root"
fail=0
bad() { echo "FAIL: $*"; fail=1; }

DESTDIR="$root" "$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
  { cat "$tmp/install.log"; echo "FAIL: cmake --install"; exit 1; }
share="$root$prefix/share"
desktop="$share/applications/vorlix.desktop"

desktop-file-validate "$desktop" || bad "desktop-file-validate"
shopt -s nullglob
metainfo=("$share"/metainfo/*.metainfo.xml)
[ "${#metainfo[@]}" -eq 1 ] || bad "expected one metainfo file, found ${#metainfo[@]}"
for m in "${metainfo[@]}"; do appstreamcli validate --no-net "$m" || bad "appstreamcli validate"; done

# Exec must name the installed program by its absolute path, then %f. Undo
# the two levels of escaping of a quoted argument in a desktop entry.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
case "$exec_line" in *' %f') ;; *) bad "Exec does not end in %f: $exec_line" ;; esac
program=${exec_line% %f}
program=${program#\"}; program=${program%\"}
program=$(printf '%s' "$program" | sed -e 's/\\\\/\\/g' -e 's/\\\(["`$\\]\)/\1/g')
[ "$program" = "$prefix/bin/vorlix" ] || bad "Exec names '$program', not '$prefix/bin/vorlix'"
[ -x "$root$program" ] || bad "no program at $root$program"

# The desktop entry claims the type our MIME package defines, and the type
# really is a .wsz glob below application/zip once the database is built.
type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/vorlix.xml")
grep -q "^MimeType=.*$type;" "$desktop" || bad "the desktop entry does not name $type"
update-mime-database "$share/mime" >/dev/null || bad "update-mime-database"
grep -qx "[0-9]*:$type:\*\.wsz" "$share/mime/globs2" || bad "*.wsz is not a glob of $type"
grep -qx "$type application/zip" "$share/mime/subclasses" || bad "$type is not a sub-class of application/zip"

# Each hicolor icon is a PNG of its folder's size (width and height from IHDR).
for size in 16 32 48 128 256; do
  icon="$share/icons/hicolor/${size}x${size}/apps/vorlix.png"
  [ -f "$icon" ] || { bad "no ${size}px icon"; continue; }
  read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$icon")
  w=$(( (w0 << 24) | (w1 << 16) | (w2 << 8) | w3 )); h=$(( (h0 << 24) | (h1 << 16) | (h2 << 8) | h3 ))
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || bad "the ${size}px icon is $w x $h"
done
zcat "$share/man/man1/vorlix.1.gz" | grep -q '^\.TH VORLIX 1' || bad "no man page"
# The manual that Help shows, as a page of the documentation.
cmp -s "$share/doc/vorlix/manual.html" "$here/../docs/manual.html" || bad "the manual is not installed as docs/manual.html"

# The installed program starts, shows its window and closes with exit code 0;
# its settings go to a throw-away folder.
XDG_CONFIG_HOME="$tmp/config" bash "$here/smoke_close.sh" "$root$program" || bad "the installed program"
exit "$fail"
