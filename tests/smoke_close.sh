#!/usr/bin/env bash
# Starts the real program under a virtual X server, waits for its window,
# clicks the close button with xdotool and requires exit code 0.
set -u
bin=${1:?usage: smoke_close.sh path/to/vorlix}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "" "$bin"

x11_start "$bin" || { echo "the main window did not appear"; exit 1; }
echo "main window $WIDTH x $HEIGHT at $X,$Y"
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || { echo "wrong window size"; kill "$pid"; exit 1; }
x11_click_close
x11_wait_exit || { echo "the program did not end after the close click"; kill "$pid"; exit 1; }
echo "exit code $rc"
exit "$rc"
