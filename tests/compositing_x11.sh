#!/usr/bin/env bash
# The real program on an X server with a compositing manager (xcompmgr):
# without a window manager there is no system move to ask for, so our
# outline still moves the window; with one (openbox) the window manager moves
# the window live while the button is down, and no outline is drawn.
set -u
bin=${1:?usage: compositing_x11.sh path/to/vorlix path/to/x11probe}
probe=${2:?usage: compositing_x11.sh path/to/vorlix path/to/x11probe}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "xcompmgr openbox" "$bin" "$probe"

status=0
fail() { echo "FAIL: $*"; status=1; }
waitfor() { for _ in $(seq 1 50); do eval "$1" && return 0; sleep 0.1; done; return 1; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$win" | sed 's/^/NEW_/')"; }
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config
pid=""; cm=""; wm=""
cleanup() {
  for p in $pid $wm $cm; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

xcompmgr >/dev/null 2>&1 & cm=$!
# xcompmgr announces itself by owning _NET_WM_CM_S0.
waitfor '"$probe" owner _NET_WM_CM_S0 | grep -qv "^none$"' || { echo "xcompmgr took no _NET_WM_CM_S0"; exit 1; }

drag() { # dx dy, from 450,12 of the window; leaves the button down
  xdotool mousemove $((X + 450)) $((Y + 12)) mousedown 1
  sleep 0.2
  for step in 1 2 3 4; do xdotool mousemove $((X + 450 + $1 * step / 4)) $((Y + 12 + $2 * step / 4)); sleep 0.15; done
  sleep 0.2
}
# The outline's top edge would run along the title band at row 25 + dy:
# neighbouring pixels of two colours there.
dotted_at() { [ "$("$probe" pixel $((X + 340)) $((Y + $1)))" != "$("$probe" pixel $((X + 341)) $((Y + $1)))" ]; }

start() {
  QT_LOGGING_RULES="vorlix.display.info=true" x11_start "$bin" 2>"$work/log" || { echo "the main window did not appear"; exit 1; }
  sleep 0.5
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null; pid=""; }

# 1. A compositing manager but no window manager.
start
grep -q "display: X11, compositing manager" "$work/log" || fail "the compositing manager went unseen: $(cat "$work/log")"
drag 40 25
waitfor 'dotted_at 25' || fail "no outline while dragging without a window manager"
xdotool mouseup 1
waitfor 'geometry; [ "$NEW_X,$NEW_Y" = "$((X + 40)),$((Y + 25))" ]' \
  || fail "without a window manager the drag moved the window to $NEW_X,$NEW_Y, not by 40,25"
echo "ok: without a window manager the outline moved the window"
stop

# 2. And a window manager that moves windows.
openbox >/dev/null 2>&1 & wm=$!
waitfor '"$probe" owner WM_S0 | grep -qv "^none$"' || { echo "openbox did not start"; exit 1; }
start
drag 60 40
waitfor 'geometry; [ "$NEW_X,$NEW_Y" = "$((X + 60)),$((Y + 40))" ]' \
  || fail "while the button is down the window is at $NEW_X,$NEW_Y, not moved live by 60,40"
[ -z "$(xdotool search --onlyvisible --name '^drag outline$' 2>/dev/null)" ] || fail "an outline is shown"
xdotool mouseup 1
sleep 0.3
geometry
[ "$NEW_X,$NEW_Y" = "$((X + 60)),$((Y + 40))" ] || fail "after the release the window is at $NEW_X,$NEW_Y"
echo "ok: the window manager moved the window live, without an outline"
# Clicks still reach the controls after the window manager's move: the
# close button ends the program.
X=$NEW_X; Y=$NEW_Y
x11_click_close
x11_wait_exit && [ "$rc" = 0 ] || fail "the close button did not end the program after the move"
pid=""

[ $status -eq 0 ] && echo "all passed"
exit $status
