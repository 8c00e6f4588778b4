#!/usr/bin/env bash
# The real main window under a virtual X server: the shape the X server holds
# for it, a click through a cut-out part reaching the window below, and moving
# the window by dragging its body with xdotool.
set -u
bin=${1:?usage: shape_x11.sh path/to/vorlix path/to/x11probe}
probe=${2:?usage: shape_x11.sh path/to/vorlix path/to/x11probe}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "" "$bin" "$probe"

status=0
fail() { echo "FAIL: $*"; status=1; }
# Retries a condition for up to 5 seconds: the machine may be busy.
waitfor() { for _ in $(seq 1 50); do eval "$1" && return 0; sleep 0.1; done; return 1; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$win" | sed 's/^/NEW_/')"; }
tmp=$(mktemp -d)
pid=""; catcher=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$catcher" ] && kill "$catcher" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# A plain white window over the whole screen, below everything, that reports
# the presses it gets.
"$probe" catcher 0 0 1024 768 >"$tmp/presses" & catcher=$!
for _ in $(seq 1 50); do grep -q ready "$tmp/presses" 2>/dev/null && break; sleep 0.1; done

x11_start "$bin" || { echo "the main window did not appear"; exit 1; }
sleep 0.5
echo "main window $WIDTH x $HEIGHT at $X,$Y"

# 1. The shape as the X server holds it: exactly the five rectangles.
"$probe" shape "$win" >"$tmp/shape"
printf '%s\n' "0 0 636 48" "0 48 637 73" "0 73 193 351" "201 73 637 351" "201 351 637 477" >"$tmp/expected"
if ! diff -u "$tmp/expected" "$tmp/shape"; then fail "the window's shape is not the five rectangles"; fi

# 2. Cut-out parts show and pass clicks to the window below; the body doesn't.
for p in "100 400" "196 200" "638 100" "300 478"; do
  set -- $p
  colour=$("$probe" pixel $((X + $1)) $((Y + $2)))
  [ "$colour" = "255 255 255" ] || fail "at $1,$2 of the window the screen shows $colour, not the window below"
done
xdotool mousemove $((X + 250)) $((Y + 200)) click 1
xdotool mousemove $((X + 100)) $((Y + 400)) click 1
waitfor 'grep -q "^press $((X + 100)) $((Y + 400))$" "$tmp/presses"' \
  || fail "a click at 100,400 did not reach the window below"
# Presses arrive in order: the one on the body would be there by now.
grep -q "^press $((X + 250)) $((Y + 200))$" "$tmp/presses" && fail "a click on the body went through the window"

# 3. Dragging the title band: 5 pixels move nothing; 40,25 move the window by
#    as much, with the outline on the screen before the release.
drag() { # dx dy: press at 450,12 of the window and move in two steps
  xdotool mousemove $((X + 450)) $((Y + 12)) mousedown 1
  sleep 0.2
  xdotool mousemove $((X + 450 + $1 / 2)) $((Y + 12 + $2 / 2))
  sleep 0.2
  xdotool mousemove $((X + 450 + $1)) $((Y + 12 + $2))
  sleep 0.3
}
drag 5 5
xdotool mouseup 1; sleep 0.5
geometry
[ "$NEW_X,$NEW_Y" = "$X,$Y" ] || fail "a 5-pixel drag moved the window to $NEW_X,$NEW_Y"

drag 40 25
# The outline's top edge runs 25 pixels down the window's plain black title
# band: a dotted line of two colours there.
dotted() { [ "$("$probe" pixel $((X + 340)) $((Y + 25)))" != "$("$probe" pixel $((X + 341)) $((Y + 25)))" ]; }
waitfor dotted || fail "no dotted outline at the pointer"
xdotool mouseup 1
waitfor 'geometry; [ "$NEW_X,$NEW_Y" = "$((X + 40)),$((Y + 25))" ]' \
  || fail "the drag moved the window to $NEW_X,$NEW_Y, not by 40,25"
echo "after the drag: $NEW_WIDTH x $NEW_HEIGHT at $NEW_X,$NEW_Y"
[ "$NEW_WIDTH x $NEW_HEIGHT" = "640 x 480" ] || fail "the drag changed the window's size"
# The outline is gone: the window's own picture is there again.
waitfor '! dotted' || fail "the outline stayed on the screen after the release"

[ $status -eq 0 ] && echo "shape and drag OK"
exit $status
