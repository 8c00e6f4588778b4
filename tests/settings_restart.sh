#!/usr/bin/env bash
# Settings survive a restart of the real program: under a virtual X server
# (with openbox, so the dialog has a close box and Alt+F4 works), set the
# output folder through Options -> "Set Output Directory...", close with the
# close button, start again and read the folder back out of the dialog's box
# through the clipboard.
set -u
bin=${1:?usage: settings_restart.sh path/to/vorlix}
if [ -z "${VORLIX_RESTART_INNER:-}" ]; then
  for tool in xvfb-run xdotool openbox xclip; do
    command -v "$tool" >/dev/null || { echo "$tool is missing"; exit 1; }
  done
  VORLIX_RESTART_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$bin"
fi

work=$(mktemp -d)
wm=""
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"
reg="$XDG_CONFIG_HOME/Tarnby/Vorlix.reg"
target="$work/my skins"
mkdir -p "$target"

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5

wait_window() { # name -> window id
  local w=""
  for _ in $(seq 1 100); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

start_program() { # sets pid, X, Y
  "$bin" & pid=$!
  local main
  main=$(wait_window '^Vorlix$') || fail "the main window did not appear"
  xdotool windowactivate --sync "$main" 2>/dev/null
  eval "$(xdotool getwindowgeometry --shell "$main")"
}

open_output_dialog() { # Options button at (228, 28), 57 x 17
  xdotool mousemove $((X + 256)) $((Y + 36)) click 1
  sleep 0.5
  xdotool key Down Down Return # the second item: "Set Output Directory..."
  wait_window '^Select Directory$' >/dev/null || fail "the directories dialog did not open"
  sleep 0.3
}

close_program() { # the close button at (615, 8), 18 x 18
  xdotool mousemove $((X + 624)) $((Y + 17)) click 1
  for _ in $(seq 1 50); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"; local rc=$?
      pid=""
      [ "$rc" = 0 ] || fail "exit code $rc"
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end after the close click"
}

# First run: no settings yet; the key is there as soon as the window shows.
start_program
[ -f "$reg" ] || fail "no settings file after start-up"
open_output_dialog
xdotool key ctrl+a
xdotool type --delay 20 "$target"
xdotool key alt+F4 # the dialog takes the box's text as it closes
sleep 0.5
xdotool search --onlyvisible --name '^Select Directory$' >/dev/null 2>&1 && fail "the dialog did not close"
close_program
grep -qxF "\"OutputDir_Caption\"=\"$target\"" "$reg" || { cat "$reg"; fail "the output folder was not saved"; }

# Second run: the folder comes back; the dialog's box shows what OutputDir
# holds.
start_program
open_output_dialog
xdotool key ctrl+a ctrl+c
sleep 0.3
shown=$(xclip -o -selection clipboard 2>/dev/null)
xdotool key alt+F4
sleep 0.3
close_program
[ "$shown" = "$target" ] || fail "after the restart the output folder is '$shown', not '$target'"
grep -qxF "\"OutputDir_Caption\"=\"$target\"" "$reg" || fail "the second run did not keep the folder"
echo "output folder kept across a restart: $shown"
