#!/usr/bin/env bash
# The real program as an X program on a Wayland compositor (Weston's
# Xwayland): it sees Xwayland, the desktop shows through the window's
# cut-away parts (not black), and dragging the body moves the window live,
# through the window manager's move, with no outline slab on the screen.
set -u
bin=${1:?usage: xwayland_shape.sh path/to/vorlix path/to/resources}
res=${2:?usage: xwayland_shape.sh path/to/vorlix path/to/resources}
. "$(dirname "$0")/weston_common.sh"
wl_reexec "Xwayland compare" "$bin" "$res"

wl_begin xwayland

wl_start_weston "$work" --xwayland
xdisplay=""
for _ in $(seq 1 50); do
  xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n 1)
  [ -n "$xdisplay" ] && break
  sleep 0.1
done
[ -n "$xdisplay" ] || wl_skip "Weston started no Xwayland"
wl_shot "$work/desktop.png"
export XDG_CONFIG_HOME=$work/config # leave the user's settings alone
DISPLAY=$xdisplay QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="vorlix.display.info=true" "$bin" >"$work/vorlix.log" 2>&1 &
pid=$!
# Xwayland's word on where the window is says only roughly where Weston
# shows it (Weston frames X windows); the screen itself is searched there
# for the logo of the window's background picture.
win=""
for _ in $(seq 1 100); do
  win=$(DISPLAY=$xdisplay xdotool search --onlyvisible --name ' - Vorlix$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "the main window did not appear"
grep -q "display: XWayland, .*; moved by the system's move" "$work/vorlix.log" \
  || fail "the program did not see Xwayland: $(cat "$work/vorlix.log")"
convert "$res/BACKGROUND.bmp" -crop 140x22+2+2 +repage -type TrueColor "PNG24:$work/logo.png"
locate() { # FILE: sets X and Y to where the window is shown, near Xwayland's word
  local found
  eval "$(DISPLAY=$xdisplay xdotool getwindowgeometry --shell "$win")"
  convert "$1" -crop "220x102+$((X - 38))+$((Y - 38))" +repage "$work/area.png"
  found=$(compare -metric AE -subimage-search "$work/area.png" "$work/logo.png" null: 2>&1 | sed -n 's/^0 @ \([0-9]*\),\([0-9]*\)$/\1 \2/p')
  [ -n "$found" ] || return 1
  set -- $found
  X=$((X - 40 + $1)); Y=$((Y - 40 + $2))
}
# Weston draws the window's shadow under its whole rectangle, darkening the
# desktop near its edges; these cut-away points lie far enough inside.
cutaway_is_desktop() { # FILE X Y: the window's corner
  local p
  for p in "100 400" "150 440" "196 200"; do
    set -- "$1" "$2" "$3" $p
    got=$(pixel_of "$1" $(($2 + $4)) $(($3 + $5)))
    want=$(pixel_of "$work/desktop.png" $(($2 + $4)) $(($3 + $5)))
    [ "$got" = "$want" ] || { echo "at $4,$5 of the window the screen shows $got, not the desktop's $want"; return 1; }
  done
}
located=""
for _ in $(seq 1 50); do
  wl_shot "$work/shot.png"
  locate "$work/shot.png" && { located=1; break; }
  sleep 0.1
done
[ -n "$located" ] || fail "the window's picture is nowhere near where Xwayland has the window"
echo "main window shown at $X,$Y on Xwayland $xdisplay"
why=$(cutaway_is_desktop "$work/shot.png" "$X" "$Y") || fail "$why"
echo "ok: the desktop shows through the cut-away parts"

# While the button is still down the window has followed the pointer and
# left its old place to the desktop: no slab, no outline.
x0=$X; y0=$Y
moved=""
# On a busy machine a press can reach the window manager before it has
# taken the window's move over, and the move then never starts: the press
# is let go and tried again, up to three times.
for attempt in 1 2 3; do
  xdotool mousemove $((x0 + 450)) $((y0 + 12)) mousedown 1
  sleep 0.3
  for step in 1 2 3 4; do xdotool mousemove $((x0 + 450 + 15 * step)) $((y0 + 12 + 10 * step)); sleep 0.15; done
  for _ in $(seq 1 20); do
    # A nudge and back gives a late move a motion to follow.
    xdotool mousemove $((x0 + 511)) $((y0 + 52)); xdotool mousemove $((x0 + 510)) $((y0 + 52))
    wl_shot "$work/during.png"
    locate "$work/during.png" && [ "$X,$Y" = "$((x0 + 60)),$((y0 + 40))" ] && { moved=1; break; }
    sleep 0.1
  done
  [ -n "$moved" ] && break
  echo "attempt $attempt: the window stayed at $X,$Y; pressing again"
  xdotool mousemove $((x0 + 450)) $((y0 + 12)) mouseup 1
  sleep 0.5
done
# Known: on a busy machine (the CI's parallel run) Weston may never start
# the window manager's move for Xwayland's press; the rest stands checked.
[ -n "$moved" ] || { kill "$pid" 2>/dev/null; wl_skip "the drag did not start a move under Weston's Xwayland here (window still at $X,$Y); shape checks passed"; }
[ "$(pixel_of "$work/during.png" $((x0 + 20)) $((y0 + 4)))" = "$(pixel_of "$work/desktop.png" $((x0 + 20)) $((y0 + 4)))" ] \
  || fail "while the button is down the window's old place does not show the desktop"
why=$(cutaway_is_desktop "$work/during.png" "$X" "$Y") || fail "during the drag: $why"
echo "ok: the window follows the pointer, nothing else shows"
xdotool mouseup 1
sleep 0.3
xdotool mousemove 1023 767
wl_shot "$work/after.png"
locate "$work/after.png" && [ "$X,$Y" = "$((x0 + 60)),$((y0 + 40))" ] \
  || fail "after a drag by 60,40 the window is at $X,$Y, not $((x0 + 60)),$((y0 + 40))"
echo "ok: the drag moved the window to $X,$Y"

# The program still takes a click: the close button ends it.
xdotool mousemove $((X + 624)) $((Y + 17)) click 1
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the close button did not end the program after the drag"
wait "$pid"; rc=$?; pid=""
[ "$rc" = 0 ] || fail "the program ended with code $rc"
echo "all passed"
