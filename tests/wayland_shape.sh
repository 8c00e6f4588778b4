#!/usr/bin/env bash
# The real program on a Wayland compositor (Weston, Qt's wayland plugin):
# the desktop shows through the window's cut-away parts, which take no input
# (the input region told to the compositor), dragging the body moves the
# window, the clipboard carries pictures both ways with another
# Wayland program (wl-copy, wl-paste), Capture Image says it can't read the
# screen without the window leaving its place, and the shortcuts still work
# after the about box, the open dialog and that message have closed.
set -u
bin=${1:?usage: wayland_shape.sh path/to/vorlix path/to/resources}
res=${2:?usage: wayland_shape.sh path/to/vorlix path/to/resources}
. "$(dirname "$0")/weston_common.sh"
wl_reexec "wl-copy wl-paste compare identify" "$bin" "$res"

wl_begin wayland

wl_start_weston "$work"
wl_shot "$work/desktop.png"
export XDG_CONFIG_HOME=$work/config # leave the user's settings alone
# WAYLAND_DEBUG: what the program tells the compositor, on its error output.
WAYLAND_DEBUG=client QT_QPA_PLATFORM=wayland QT_LOGGING_RULES="vorlix.display.info=true" "$bin" \
  >"$work/vorlix.log" 2>&1 & pid=$!
# The window less its cut-away parts is 637 x 477.
wl_wait_bounds "$work/shot.png" 637 477 || fail "the main window did not appear as 637 x 477"
grep -q "display: Wayland; moved by the system's move" "$work/vorlix.log" \
  || fail "the program did not see Wayland: $(cat "$work/vorlix.log")"
echo "main window at $WX,$WY"

# 1. Cut-away parts (the lower left corner, the gap between the panels, the
#    right edge and the bottom row) show the desktop as it was before the
#    window came; the body is the window's own.
for p in "100 400" "5 476" "196 200" "638 100" "300 479"; do
  set -- $p
  got=$(pixel_of "$work/shot.png" $((WX + $1)) $((WY + $2)))
  want=$(pixel_of "$work/desktop.png" $((WX + $1)) $((WY + $2)))
  [ "$got" = "$want" ] || fail "at $1,$2 of the window the screen shows $got, not the desktop's $want"
done
[ "$(pixel_of "$work/shot.png" $((WX + 450)) $((WY + 12)))" != "$(wl_desktop_rgb)" ] \
  || fail "the title band shows the desktop"
echo "ok: the desktop shows through the cut-away parts"
# Input is taken inside the five rectangles of the shape only: the region
# the main window's surface (the first to get one) was given, as x y width
# height.
awk '/wl_region@[0-9]+\.add\(/ { match($0, /wl_region@[0-9]+/); id = substr($0, RSTART, RLENGTH)
                                   sub(/.*add\(/, ""); sub(/\).*/, ""); gsub(/,/, ""); rects[id] = rects[id] $0 "\n" }
     /set_input_region\(wl_region@/ && !seen++ { match($0, /wl_region@[0-9]+/); first = rects[substr($0, RSTART, RLENGTH)] }
     END { printf "%s", first }' "$work/vorlix.log" >"$work/input"
printf '%s\n' "0 0 636 48" "0 48 637 25" "0 73 193 278" "201 73 436 278" "201 351 436 126" >"$work/expected-input"
diff -u "$work/expected-input" "$work/input" || fail "the window's input region is not the five rectangles of its shape"
echo "ok: input is taken inside the shape only"

# 2. Dragging the title band moves the window with the pointer.
xdotool mousemove $((WX + 450)) $((WY + 12)) mousedown 1
sleep 0.2
for step in 1 2 3 4; do xdotool mousemove $((WX + 450 + 15 * step)) $((WY + 12 + 10 * step)); sleep 0.1; done
xdotool mouseup 1
x0=$WX; y0=$WY
wl_wait_bounds "$work/shot.png" 637 477 && [ "$WX,$WY" = "$((x0 + 60)),$((y0 + 40))" ] \
  || fail "after a drag by 60,40 the window is at $WX,$WY, not $((x0 + 60)),$((y0 + 40))"
echo "ok: the drag moved the window to $WX,$WY"
xdotool mousemove 1023 767
at() { xdotool mousemove $((WX + $1)) $((WY + $2)); }

# 3. A picture from another Wayland program: "Play" chosen on the miniature,
#    Ctrl+V puts the picture's top-left part in, Ctrl+A and Ctrl+C take the
#    whole element out, and wl-paste reads exactly that part back.
convert -size 30x20 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx 0.4 +channel \
  "PNG24:$work/outside.png"
convert "$work/outside.png" -crop 23x18+0+0 +repage "PNG24:$work/expected.png"
# "Play" lies under (30, 60) of the miniature, which sits at (8, 257).
at 38 317; sleep 0.1; at 39 317; sleep 0.5
# Weston has no clipboard protocol for programs without a window: wl-copy
# and wl-paste take the keyboard for a moment with a surface of their own.
# A click on the label under the tree, which does nothing, gives it back.
refocus() { at 155 248; xdotool click 1; sleep 0.3; }
reset_clipboard() { wl-copy "not a picture" 2>/dev/null; sleep 0.3; refocus; }
wl-copy -t image/png <"$work/outside.png" 2>/dev/null
sleep 0.3; refocus
xdotool key ctrl+v; sleep 0.3
reset_clipboard
# The keys first, with nothing between them and what happened before; then
# the clipboard read from outside, and cleared for the next check.
check_copy() { # $1: what happened before
  xdotool key ctrl+a ctrl+c; sleep 0.5
  timeout 5 wl-paste --no-newline -t image/png >"$work/clip.png" 2>/dev/null \
    || fail "no picture on the clipboard after Ctrl+C ($1): $(timeout 5 wl-paste -l | tr '\n' ' ')"
  [ "$(identify -format '%wx%h' "$work/clip.png")" = 23x18 ] \
    || fail "the clipboard's picture is $(identify -format '%wx%h' "$work/clip.png"), not 23x18 ($1)"
  diff=$(compare -metric AE "$work/clip.png" "$work/expected.png" null: 2>&1)
  [ "$diff" = 0 ] || fail "$diff pixels of the clipboard's picture differ ($1)"
  echo "ok: Ctrl+C put the pasted picture on the clipboard ($1)"
  reset_clipboard
}
check_copy "pasted from wl-copy"

# 4. The about box opens from the small logo and closes on a click; the open
#    dialog opens with Ctrl+O and closes with Esc. Each time the keys reach
#    the main window again without a click on it.
changed() { # something on the screen differs from $work/before.png
  wl_shot "$work/now.png"
  [ "$(compare -metric AE "$work/now.png" "$work/before.png" null: 2>&1)" -gt 500 ]
}
wait_changed() { for _ in $(seq 1 50); do changed && return 0; sleep 0.1; done; return 1; }
wait_same() { for _ in $(seq 1 50); do changed || return 0; sleep 0.1; done; return 1; }
# Where the screen differs from before.png: "W H X Y".
changed_bounds() {
  convert "$work/before.png" "$work/now.png" -compose difference -composite -threshold 0 \
    -bordercolor black -border 1 -format '%@' info: \
    | sed -n 's/^\([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/p'
}
wl_shot "$work/before.png"
at 610 35; xdotool click 1
wait_changed || fail "the about box did not open"
sleep 0.3; wl_shot "$work/now.png"
read -r bw bh bx by <<<"$(changed_bounds)"
echo "the about box opened at $((bx - 1)),$((by - 1)), $bw x $bh"
xdotool mousemove $((bx + bw / 2)) $((by + bh / 2)) click 1
wait_same || fail "the about box did not close"
check_copy "after the about box"

wl_shot "$work/before.png"
xdotool key ctrl+o
wait_changed || wait_changed || fail "Ctrl+O opened nothing"
wl_shot "$work/open-dialog.png"
xdotool key Escape
wait_same || fail "the open dialog did not close with Esc"
check_copy "after the open dialog"

# 5. Image -> Capture Image... says at once that the screen can't be read:
#    the window is not hidden first, so it stays where it is (a hidden
#    window comes back wherever Weston puts it). The message box closes
#    with Enter and the keys still work.
at 30 36; sleep 0.3
wl_shot "$work/before.png"
# The logo at the window's top left, which the message box leaves clear.
convert "$work/before.png" -crop "140x20+$((WX + 4))+$((WY + 2))" +repage "$work/band.png"
xdotool click 1; sleep 0.5
xdotool key Down Down Down Return # the disabled "Scan Image..." is passed over too
wait_changed || fail "Capture Image showed nothing"
sleep 0.5
wl_shot "$work/now.png"
convert "$work/now.png" -crop "140x20+$((WX + 4))+$((WY + 2))" +repage "$work/band-now.png"
[ "$(compare -metric AE "$work/band-now.png" "$work/band.png" null: 2>&1)" = 0 ] \
  || fail "the main window left its place when Capture Image was chosen"
read -r bw bh bx by <<<"$(changed_bounds)"
echo "Capture Image's message at $((bx - 1)),$((by - 1)), $bw x $bh"
[ "$bw" -gt 150 ] && [ "$bh" -gt 60 ] || fail "Capture Image's message box did not show"
xdotool key Return
check_copy "after Capture Image's message"

echo "all passed"
