#!/usr/bin/env bash
# Starts the real program under a virtual X server with a .wsz skin (its
# files in a folder inside the archive) and Qt's -reverse option on its
# command line, selects "Background Image" and checks that the skin's own
# main.bmp shows in the element view, unmirrored.
set -u
bin=${1:?usage: skin_argument.sh path/to/vorlix}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "convert import zip" "$bin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/Demo"
for spec in titlebar:344x87 cbuttons:136x36 shufrep:92x85 playpaus:42x9 volume:68x433 \
            balance:68x433 monoster:58x24 posbar:307x10; do
  convert -size "${spec##*:}" xc:'#808080' "BMP3:$work/Demo/${spec%%:*}.bmp"
done
# Left part green, right part pink: a mirrored or shifted view shows.
convert -size 275x116 xc:'#12AB34' -fill '#C81E5A' -draw 'rectangle 140,0 274,115' "BMP3:$work/Demo/MAIN.BMP"
(cd "$work" && zip -q -r -X skin.wsz Demo) || { echo "zip failed"; exit 1; }

x11_start "$bin" -reverse "$work/skin.wsz" || { echo "the main window did not appear"; exit 1; }
sleep 1
# The tree holds the focus with "Main Window" selected; the next node is the
# background, shown 1:1 at the element view's top-left corner (279, 120).
xdotool key --window "$win" Down
status=1
for _ in $(seq 1 20); do
  sleep 0.3
  import -window root "$work/shot.png"
  pixel() { convert "$work/shot.png" -crop "1x1+$((X + 279 + $1))+$((Y + 120 + $2))" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
  left=$(pixel 20 20); right=$(pixel 200 100)
  if [ "$left" = "#12AB34" ] && [ "$right" = "#C81E5A" ]; then status=0; break; fi
done
echo "view at (20,20): ${left:-none}, at (200,100): ${right:-none}"
[ $status -eq 0 ] || { echo "the skin's main.bmp is not in the view"; cp "$work/shot.png" /tmp/vorlix-skin-argument.png 2>/dev/null; }
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
