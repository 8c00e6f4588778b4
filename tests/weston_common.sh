# Pieces shared by the checks that run the real program under a Wayland
# compositor: Weston, nested in a virtual X server (its X11 backend draws the
# desktop into one X window, so ImageMagick's import reads it and xdotool's
# pointer and keys reach Weston's seat). Source it from such a script:
#   . "$(dirname "$0")/weston_common.sh"
# A check that can't have its compositor ends with code 77 (skipped).

wl_skip() { echo "SKIP: $*"; exit 77; }

# wl_reexec "TOOLS" ARGS...: outside the virtual server, checks that Weston,
# Qt's Wayland plugin, xvfb-run, xdotool, import and TOOLS are there (else
# skips) and runs the calling script again under xvfb-run with ARGS.
wl_reexec() {
  [ -n "${VORLIX_WL_INNER:-}" ] && return 0
  local tools=$1 tool
  shift
  for tool in weston xvfb-run xdotool import convert $tools; do
    command -v "$tool" >/dev/null || wl_skip "$tool is not installed (scripts/deps.sh --test)"
  done
  ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 \
    || wl_skip "Qt's Wayland plugin (qt6-wayland) is not installed"
  VORLIX_WL_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
}

# The desktop's colour: plain, so that what shows through the window's
# cut-away parts can be told from the window.
WL_DESKTOP=3060a0

# wl_start_weston DIR [--xwayland]: starts Weston with its files in DIR
# (weston_pid; WAYLAND_DISPLAY exported) and waits until the desktop is
# drawn. Skips when Weston can't start here.
wl_start_weston() {
  local dir=$1 extra=${2:-}
  export XDG_RUNTIME_DIR=$dir/runtime
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  cat >"$dir/weston.ini" <<INI
[core]
idle-time=0
[shell]
background-color=0xff$WL_DESKTOP
panel-position=none
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none
INI
  # Pixman draws without a GPU; the keyboard on the screen is not wanted.
  weston --backend=x11-backend.so --width=1024 --height=768 --use-pixman --socket=vorlix-wl \
    --config="$dir/weston.ini" $extra >"$dir/weston.log" 2>&1 &
  weston_pid=$!
  export WAYLAND_DISPLAY=vorlix-wl
  local drawn=""
  for _ in $(seq 1 100); do
    kill -0 "$weston_pid" 2>/dev/null || break
    if [ -S "$XDG_RUNTIME_DIR/vorlix-wl" ] && [ "$(wl_pixel 100 100)" = "$(wl_desktop_rgb)" ]; then
      drawn=1
      break
    fi
    sleep 0.1
  done
  if [ -z "$drawn" ]; then
    tail -n 5 "$dir/weston.log"
    kill "$weston_pid" 2>/dev/null
    wl_skip "Weston could not start here"
  fi
  # The pointer away in the corner, off every window.
  xdotool mousemove 1023 767
}

wl_desktop_rgb() { printf '%d %d %d' 0x${WL_DESKTOP:0:2} 0x${WL_DESKTOP:2:2} 0x${WL_DESKTOP:4:2}; }

# wl_pixel X Y: "r g b" of the screen there, as Weston shows it.
wl_pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null \
    | sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# wl_shot FILE: the whole desktop.
wl_shot() { import -window root -crop 1024x768+0+0 +repage "$1"; }

# wl_bounds FILE: "W H X Y" of everything in the picture that is not the
# desktop (the pointer's corner left out); nothing when there is nothing.
# With WL_BOUNDS=black, of the pure black pixels only: Weston casts a shadow
# around X windows, which is neither the desktop nor the window.
wl_bounds() {
  local mark=(-fill white +opaque "#$WL_DESKTOP" -fill black -opaque "#$WL_DESKTOP")
  [ "${WL_BOUNDS:-}" = black ] && mark=(-fill red -opaque black -fill black +opaque red -fill white -opaque red)
  # Two colours, framed in black so that the frame is what is trimmed.
  convert "$1" -crop 1016x760+0+0 +repage "${mark[@]}" \
    -bordercolor black -border 1 -format '%@' info: 2>/dev/null \
    | sed -n 's/^\([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/p' \
    | awk '$1 > 0 && $2 > 0 && !($1 == 1018 && $2 == 762) { print $1, $2, $3 - 1, $4 - 1 }'
}

# wl_wait_bounds FILE W H: waits (10 s at most) until what is not desktop is
# W x H; sets WX and WY to its corner.
wl_wait_bounds() {
  local b
  for _ in $(seq 1 100); do
    wl_shot "$1"
    b=$(wl_bounds "$1")
    if [ -n "$b" ]; then
      set -- "$1" "$2" "$3" $b
      if [ "$4 $5" = "$2 $3" ]; then WX=$6; WY=$7; return 0; fi
    fi
    sleep 0.1
  done
  echo "on the screen: ${b:-nothing but the desktop}"
  return 1
}

# wl_begin NAME: a work folder ($work) that goes at exit with the program
# ($pid) and Weston; fail MESSAGE keeps the screen in
# /tmp/vorlix-NAME-failure.png and ends the check.
wl_begin() {
  work=$(mktemp -d)
  pid=""; weston_pid=""; wl_name=$1
  trap wl_cleanup EXIT
}
wl_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null
  rm -rf "$work"
}
fail() {
  echo "FAIL: $*"
  wl_shot "/tmp/vorlix-$wl_name-failure.png" 2>/dev/null && echo "screen kept in /tmp/vorlix-$wl_name-failure.png"
  exit 1
}

# pixel_of FILE X Y: "r g b" of the picture there.
pixel_of() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}
