#!/usr/bin/env bash
# Settings survive a restart of the real program: under a virtual X server
# (with openbox, so the dialog has a close box and Alt+F4 works), set the
# output folder through Options -> "Set Output Directory...", close with the
# close button, start again and read the folder back out of the dialog's box
# through the clipboard.
set -u
bin=${1:?usage: settings_restart.sh path/to/vorlix}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "openbox xclip" "$bin"

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

export XDG_CONFIG_HOME="$work/config"
reg="$XDG_CONFIG_HOME/Tarnby/Vorlix.reg"
target="$work/my skins"
mkdir -p "$target"

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5

start_program() { # sets pid, win, X, Y
  x11_start "$bin" || fail "the main window did not appear"
  xdotool windowactivate --sync "$win" 2>/dev/null
  x11_geometry # again: the window manager may have placed it elsewhere
}

open_output_dialog() { # Options button at (228, 28), 57 x 17
  xdotool mousemove $((X + 256)) $((Y + 36)) click 1
  sleep 0.5
  xdotool key Down Down Return # the second item: "Set Output Directory..."
  x11_wait_window '^Select Directory$' >/dev/null || fail "the directories dialog did not open"
  sleep 0.3
}

close_program() {
  x11_click_close
  x11_wait_exit || fail "the program did not end after the close click"
  pid=""
  [ "$rc" = 0 ] || fail "exit code $rc"
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
