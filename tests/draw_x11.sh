#!/usr/bin/env bash
# The real program under a virtual X server without a window manager: zoom
# "Play" to 8, draw with the pencil and the rectangle by mouse and keys,
# undo three strokes and redo them one at a time, then Image -> Capture Image... over a known screen picture
# and Esc on a second capture. What the view holds is read through Select
# All, Ctrl+C and the system clipboard, pixel for pixel.
set -u
bin=${1:?usage: draw_x11.sh path/to/vorlix path/to/resources}
res=${2:?usage: draw_x11.sh path/to/vorlix path/to/resources}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "xclip convert compare import display" "$bin" "$res"

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config  # leave the user's settings alone
pid=""
fail() {
  echo "FAIL: $*"
  import -window root "$work/failure.png" 2>/dev/null && echo "screen kept in $work/failure.png"
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  exit 1
}

# A picture of our own lies on the screen, in a window at the top left that
# the editor's window leaves uncovered at (100, 100): red across, green
# down, and a blue that changes from every pixel to the next, so a capture
# one pixel off shows.
convert -size 300x200 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' \
  -channel B -fx '((i*37+j*91)%256)/255' +channel -depth 8 "PNG24:$work/screen.png"
display -borderwidth 0 -geometry +0+0 "$work/screen.png" & shown=$!
trap 'kill $shown 2>/dev/null' EXIT
for _ in $(seq 1 50); do
  import -window root -crop 300x200+0+0 +repage "$work/shown.png" 2>/dev/null
  [ "$(compare -metric AE "$work/shown.png" "$work/screen.png" null: 2>&1)" = 0 ] && break
  sleep 0.1
done
[ "$(compare -metric AE "$work/shown.png" "$work/screen.png" null: 2>&1)" = 0 ] \
  || fail "cannot show the known picture"

x11_start "$bin" || fail "the main window did not appear"
at() { xdotool mousemove $((X + $1)) $((Y + $2)); }
# Client point of picture pixel (x, y) of the view at zoom 8: the view is at
# (279, 120) of the window; a little inside the 8 x 8 block.
px() { at $((279 + 8 * $1 + 3)) $((120 + 8 * $2 + 5)); }

# "Play" lies under (30, 60) of the miniature, which sits at (8, 257).
at 38 317; sleep 0.1; at 39 317; sleep 0.5
for _ in 1 2 3 4 5 6 7; do at 584 289; xdotool click 1; sleep 0.15; done

# The view's picture through the clipboard; Select All switches to Select
# Mode, so each check ends there.
view_picture() { # $1: file
  echo "not a picture" | xclip -selection clipboard -i; sleep 0.2
  xdotool key ctrl+a; sleep 0.2; xdotool key ctrl+c; sleep 0.4
  xclip -selection clipboard -t image/png -o > "$1" 2>/dev/null || fail "no picture on the clipboard"
}
same() { # $1 $2 pictures, $3 what
  local d
  d=$(compare -metric AE "$1" "$2" null: 2>&1)
  [ "$d" = 0 ] || fail "$d pixels differ: $3"
  echo "ok: $3"
}

# State 0 of "Play" lies at (23, 0) of the default CBUTTONS sheet, 23 x 18.
convert "$res/CBUTTONS.bmp" -crop 23x18+23+0 +repage -type TrueColor "PNG24:$work/play.png"
view_picture "$work/v0.png"
same "$work/v0.png" "$work/play.png" "the view shows Play"

# Pencil (key P): a dot at (3, 3) in the foreground white, a drag from
# (6, 2) to (10, 6) in one jump; then the rectangle (key R) with the right
# button in the background black from (20, 16) back to (15, 12), wandering
# past the picture's edge on the way.
xdotool key p; sleep 0.2
px 3 3; xdotool click 1; sleep 0.2
px 6 2; xdotool mousedown 1; sleep 0.1; px 10 6; sleep 0.1; xdotool mouseup 1; sleep 0.2
xdotool key r; sleep 0.2
px 20 16; xdotool mousedown 3; sleep 0.1; px 40 30; sleep 0.1; px 15 12; sleep 0.1; xdotool mouseup 3; sleep 0.3
import -window root "$work/drawn.png"
convert "$work/play.png" -fill white \
  -draw 'point 3,3' -draw 'point 6,2' -draw 'point 7,3' -draw 'point 8,4' -draw 'point 9,5' -draw 'point 10,6' \
  -fill black \
  -draw 'point 15,12' -draw 'point 16,12' -draw 'point 17,12' -draw 'point 18,12' -draw 'point 19,12' -draw 'point 20,12' \
  -draw 'point 15,16' -draw 'point 16,16' -draw 'point 17,16' -draw 'point 18,16' -draw 'point 19,16' -draw 'point 20,16' \
  -draw 'point 15,13' -draw 'point 15,14' -draw 'point 15,15' -draw 'point 20,13' -draw 'point 20,14' -draw 'point 20,15' \
  -type TrueColor "PNG24:$work/expected-drawn.png"
view_picture "$work/v1.png"
same "$work/v1.png" "$work/expected-drawn.png" "pencil dot, pencil drag and rectangle"
# On the screen too: the dot's 8 x 8 block at zoom 8 is white.
dot=$(convert "$work/drawn.png" -crop "8x8+$((X + 279 + 24))+$((Y + 120 + 24))" +repage -format '%[fx:minima.r*255] %[fx:minima.g*255] %[fx:minima.b*255]' info:)
[ "$dot" = "255 255 255" ] || fail "the dot's block on the screen is not white ($dot)"
echo "ok: the zoomed view shows the dot as an 8 x 8 block"

# Ctrl+Z takes the rectangle back (one stroke, one step); twice more, the
# drag and the dot, and the view is Play as it was. Ctrl+Y brings the dot
# back alone, Ctrl+Shift+Z the drag.
xdotool key ctrl+z; sleep 0.3
convert "$work/expected-drawn.png" -fill none -stroke none \
  \( "$work/play.png" -crop 6x5+15+12 \) -geometry +15+12 -composite "PNG24:$work/expected-undone.png"
view_picture "$work/v2.png"
same "$work/v2.png" "$work/expected-undone.png" "Ctrl+Z takes the rectangle back"
xdotool key ctrl+z; sleep 0.3
xdotool key ctrl+z; sleep 0.3
view_picture "$work/v3.png"
same "$work/v3.png" "$work/play.png" "Ctrl+Z three times: Play as before the strokes"
xdotool key ctrl+y; sleep 0.3
convert "$work/play.png" -fill white -draw 'point 3,3' -type TrueColor "PNG24:$work/expected-dot.png"
view_picture "$work/v3b.png"
same "$work/v3b.png" "$work/expected-dot.png" "Ctrl+Y: the dot again, one stroke"
xdotool key ctrl+shift+z; sleep 0.3
view_picture "$work/v3c.png"
same "$work/v3c.png" "$work/expected-undone.png" "Ctrl+Shift+Z: the drag again"

# Image -> Capture Image...: the window goes, the screen picture comes up
# under a cross-hair, a drag from (100, 100) to (139, 129) takes 40 x 30
# pixels, and the view takes its top-left 23 x 18 like a paste.
open_capture() {
  at 30 36; xdotool click 1; sleep 0.4
  xdotool key Down Down Down Return
  for _ in $(seq 1 50); do
    [ -z "$(xdotool search --onlyvisible --name ' - Vorlix$' 2>/dev/null)" ] && \
      [ -n "$(xdotool search --onlyvisible --name '^Capture Image$' 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}
wait_back() {
  win=$(x11_wait_window ' - Vorlix$') || fail "the main window did not come back"
  sleep 0.3
}
open_capture || fail "Capture Image did not hide the window and show the screen"
echo "ok: Capture Image hides the window and shows the screen"
xdotool mousemove 100 100; xdotool mousedown 1; sleep 0.1
xdotool mousemove 120 115; sleep 0.1; xdotool mousemove 139 129; sleep 0.1; xdotool mouseup 1
wait_back
convert "$work/screen.png" -crop 23x18+100+100 +repage -type TrueColor "PNG24:$work/expected-capture.png"
view_picture "$work/v4.png"
same "$work/v4.png" "$work/expected-capture.png" "the captured part of the screen is in the view"

# Esc on the screen picture takes nothing.
open_capture || fail "Capture Image did not open a second time"
xdotool mousemove 300 300; sleep 0.1; xdotool key Escape
wait_back
view_picture "$work/v5.png"
same "$work/v5.png" "$work/expected-capture.png" "Esc cancels the capture"

kill "$pid"
wait "$pid" 2>/dev/null
rm -rf "$work"
echo "all passed"
