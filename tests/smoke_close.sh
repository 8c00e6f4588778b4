#!/usr/bin/env bash
# Starts the real program under a virtual X server, waits for its window,
# clicks the close button with xdotool and requires exit code 0.
set -u
bin=${1:?usage: smoke_close.sh path/to/vorlix}
if [ -z "${VORLIX_SMOKE_INNER:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is missing"; exit 1; }
  command -v xdotool >/dev/null || { echo "xdotool is missing"; exit 1; }
  VORLIX_SMOKE_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$bin"
fi

export QT_QPA_PLATFORM=xcb
"$bin" & pid=$!
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --onlyvisible --name '^Vorlix$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "the main window did not appear"; kill "$pid" 2>/dev/null; exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$win")"   # X, Y, WIDTH, HEIGHT
echo "main window $WIDTH x $HEIGHT at $X,$Y"
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || { echo "wrong window size"; kill "$pid"; exit 1; }
# closebut lies at (615, 8), 18 x 18.
xdotool mousemove $((X + 624)) $((Y + 17)) click 1
for _ in $(seq 1 50); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"; rc=$?
    echo "exit code $rc"
    exit "$rc"
  fi
  sleep 0.1
done
echo "the program did not end after the close click"; kill "$pid"; exit 1
