# Pieces shared by the checks that run the real program under a virtual X
# server. Source it from such a script:  . "$(dirname "$0")/x11_common.sh"

# x11_reexec "TOOLS" ARGS...: outside the virtual server, checks that xvfb-run,
# xdotool and TOOLS are installed and runs the calling script again under
# xvfb-run with ARGS; inside it, only makes Qt use that server.
x11_reexec() {
  if [ -n "${VORLIX_X11_INNER:-}" ]; then
    export QT_QPA_PLATFORM=xcb
    # On a loaded machine the server may not answer at once: wait for it.
    for _ in $(seq 1 100); do
      xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    echo "the virtual X server $DISPLAY does not answer"
    exit 1
  fi
  local tools=$1 tool
  shift
  for tool in xvfb-run xdotool $tools; do
    command -v "$tool" >/dev/null || { echo "$tool is missing"; exit 1; }
  done
  # VORLIX_X11_SCREEN picks another screen size, for a window drawn larger.
  VORLIX_X11_INNER=1 exec xvfb-run -a -s "-screen 0 ${VORLIX_X11_SCREEN:-1024x768}x24" bash "$0" "$@"
}

# x11_wait_window NAME: prints the id of a visible window whose name matches
# the pattern NAME, waiting up to 10 seconds (the machine may be busy).
x11_wait_window() {
  local w
  for _ in $(seq 1 100); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

# x11_geometry: sets X, Y, WIDTH and HEIGHT from the window $win.
x11_geometry() { eval "$(xdotool getwindowgeometry --shell "$win")"; }

# x11_start PROGRAM ARGS...: starts the program in the background (pid) and
# waits for its main window (win, X, Y, WIDTH, HEIGHT). Without a window it
# ends the program and returns 1.
x11_start() {
  local try
  for try in 1 2; do
    "$@" & pid=$!
    if win=$(x11_wait_window ' - Vorlix$'); then
      x11_geometry
      return 0
    fi
    # A program that could not reach the display is given one more start.
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null
      return 1
    fi
    echo "the program ended before its window appeared; starting it again"
  done
  return 1
}

# x11_click_close: clicks the main window's close button at (615, 8), 18 x 18.
x11_click_close() { xdotool mousemove $((X + 624)) $((Y + 17)) click 1; }

# x11_wait_exit: waits up to 5 seconds for the program $pid to end and sets rc
# to its exit code; returns 1 while it still runs.
x11_wait_exit() {
  rc=""
  for _ in $(seq 1 50); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"; rc=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}
