#!/usr/bin/env bash
# The real main window at Qt's scale factor 2 under a virtual X server: the
# window is 1280 x 960 screen pixels, its shape is the five rectangles at
# twice their size, the miniature and the zoomed view are blocks of 2 x 2
# equal pixels (no smoothing), text is drawn finer than those blocks, and the
# drag outline follows the pointer at the doubled size.
set -u
bin=${1:?usage: scale2_x11.sh path/to/vorlix path/to/x11probe path/to/resources}
probe=${2:?usage: scale2_x11.sh path/to/vorlix path/to/x11probe path/to/resources}
res=${3:?usage: scale2_x11.sh path/to/vorlix path/to/x11probe path/to/resources}
export VORLIX_X11_SCREEN=1600x1200
. "$(dirname "$0")/x11_common.sh"
x11_reexec "convert compare import" "$bin" "$probe" "$res"
export QT_SCALE_FACTOR=2

status=0
fail() { echo "FAIL: $*"; status=1; }
waitfor() { for _ in $(seq 1 50); do eval "$1" && return 0; sleep 0.1; done; return 1; }
tmp=$(mktemp -d)
pid=""; catcher=""
cleanup() {
  if [ $status -ne 0 ] && [ -f "$tmp/screen.png" ]; then
    cp "$tmp/screen.png" "${TMPDIR:-/tmp}/scale2_x11-failure.png" && echo "screen kept in ${TMPDIR:-/tmp}/scale2_x11-failure.png"
  fi
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$catcher" ] && kill "$catcher" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

"$probe" catcher 0 0 1600 1200 >"$tmp/presses" & catcher=$!
for _ in $(seq 1 50); do grep -q ready "$tmp/presses" 2>/dev/null && break; sleep 0.1; done

x11_start "$bin" || { echo "the main window did not appear"; exit 1; }
echo "main window $WIDTH x $HEIGHT at $X,$Y"
[ "$WIDTH x $HEIGHT" = "1280 x 960" ] || fail "the window is $WIDTH x $HEIGHT screen pixels, not 1280 x 960"
# The tree takes the focus and outlines its first element on the miniature.
sleep 1

# 1. The shape, every edge at twice its place.
"$probe" shape "$win" >"$tmp/shape"
printf '%s\n' "0 0 1272 96" "0 96 1274 146" "0 146 386 702" "402 146 1274 702" "402 702 1274 954" >"$tmp/expected"
diff -u "$tmp/expected" "$tmp/shape" || fail "the window's shape is not the five rectangles at twice their size"
for p in "200 800" "393 400" "1276 200" "600 956" "1273 50"; do
  set -- $p
  colour=$("$probe" pixel $((X + $1)) $((Y + $2)))
  [ "$colour" = "255 255 255" ] || fail "at $1,$2 of the window the screen shows $colour, not the window below"
done

import -window root "$tmp/screen.png"
# crop W H X Y OUT: the part of the screen at X,Y of the window.
crop() { convert "$tmp/screen.png" -crop "$1x$2+$((X + $3))+$((Y + $4))" +repage "PNG24:$5"; }
# Differing pixels between two pictures of one size.
differ() { compare -metric AE "$1" "$2" null: 2>&1; }
# The picture made of 2 x 2 blocks of its own top-left pixels: equal to the
# picture only where every block is one colour.
blocks() { convert "$1" -sample 50% -sample 200% "PNG24:$2"; }

# 2. The miniature (175 x 74 at 8,257) is the built-in picture with each pixel
#    a 2 x 2 block. Its outermost pixels carry the outline of the element
#    chosen, so two are left off on every side.
crop 342 140 20 518 "$tmp/mini.png"
convert "$res/WINAMPMINI.bmp" -crop 171x70+2+2 +repage -sample 200% "PNG24:$tmp/mini-expected.png"
d=$(differ "$tmp/mini.png" "$tmp/mini-expected.png")
[ "$d" = 0 ] || fail "the miniature differs from the built-in picture at 2x in $d pixels (smoothed?)"

# 3. The zoomed view (290 x 178 at 279,120) shows the element in blocks too.
crop 576 352 560 242 "$tmp/view.png"
blocks "$tmp/view.png" "$tmp/view-blocks.png"
d=$(differ "$tmp/view.png" "$tmp/view-blocks.png")
[ "$d" = 0 ] || fail "the zoomed view has $d pixels that are not in 2 x 2 blocks (smoothed?)"
colours=$(convert "$tmp/view.png" -unique-colors txt:- | grep -c '^[0-9]')
[ "$colours" -gt 16 ] || fail "the zoomed view shows only $colours colours: no element drawn"

# 4. Text is drawn at the screen's resolution: the "State Changer" caption
#    has detail finer than 2 x 2 blocks.
crop 150 24 786 604 "$tmp/text.png"
blocks "$tmp/text.png" "$tmp/text-blocks.png"
d=$(differ "$tmp/text.png" "$tmp/text-blocks.png")
[ "$d" -gt 0 ] || fail "the caption is made of 2 x 2 blocks: text drawn at the lower resolution"

# 5. Dragging the title band by 80,50 screen pixels (40,25 of the window):
#    a dotted outline, dots of 2 x 2, follows; the window moves by as much.
xdotool mousemove $((X + 900)) $((Y + 24)) mousedown 1
sleep 0.2
xdotool mousemove $((X + 940)) $((Y + 49))
sleep 0.2
xdotool mousemove $((X + 980)) $((Y + 74))
px() { "$probe" pixel $((X + $1)) $((Y + $2)); }
# The outline's top edge: rows 50 and 51 of the old place, dots 2 wide.
dotted() { [ "$(px 680 50)" != "$(px 682 50)" ] && [ "$(px 680 50)" = "$(px 681 51)" ]; }
waitfor dotted || fail "no dotted outline of 2 x 2 dots at the pointer"
xdotool mouseup 1
new() { eval "$(xdotool getwindowgeometry --shell "$win" | sed 's/^/NEW_/')"; }
waitfor 'new; [ "$NEW_X,$NEW_Y" = "$((X + 80)),$((Y + 50))" ]' \
  || fail "the drag moved the window to $NEW_X,$NEW_Y, not by 80,50"
[ "$NEW_WIDTH x $NEW_HEIGHT" = "1280 x 960" ] || fail "the drag changed the window's size"

[ $status -eq 0 ] && echo "scale 2 OK"
exit $status
