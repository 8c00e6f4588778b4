#!/usr/bin/env bash
# The real program under a virtual X server: on "Background Image" at zoom
# 1, seven Ctrl+wheel notches over a known pixel reach zoom 8 with that
# pixel still under the pointer; the pixel grid (key G) then shows between
# picture pixels, and the status line is the readout, not the version.
set -u
bin=${1:?usage: view_x11.sh path/to/vorlix path/to/resources}
res=${2:?usage: view_x11.sh path/to/vorlix path/to/resources}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "xdotool convert import" "$bin" "$res"

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config
pid=""
fail() {
  echo "FAIL: $*"
  import -window root "$work/failure.png" 2>/dev/null && echo "screen kept in $work/failure.png"
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  exit 1
}
x11_start "$bin" || fail "the main window did not appear"
at() { xdotool mousemove $((X + $1)) $((Y + $2)); }
# The colour of a screen pixel, as "r g b".
screen_rgb() { # $1 x $2 y (root)
  import -window root "$work/s.png"
  convert "$work/s.png" -crop "1x1+$1+$2" +repage -format '%[fx:int(r*255)] %[fx:int(g*255)] %[fx:int(b*255)]' info:
}
sheet_rgb() { # $1 x $2 y of the default main.bmp
  convert "$res/MAIN.bmp" -crop "1x1+$1+$2" +repage -format '%[fx:int(r*255)] %[fx:int(g*255)] %[fx:int(b*255)]' info:
}

# "Background Image": the tree's first node (which opens when chosen),
# then its first child.
at 40 78; xdotool click 1; sleep 0.3
xdotool key Home Down; sleep 0.6

# The view is at (279, 120) of the window; its client point (171, 58) is
# picture pixel (171, 58) at zoom 1, a pixel whose four neighbours all
# differ from it.
vx=$((X + 279 + 171)); vy=$((Y + 120 + 58))
xdotool mousemove "$vx" "$vy"; sleep 0.2
want=$(sheet_rgb 171 58)
got=$(screen_rgb "$vx" "$vy")
[ "$got" = "$want" ] || fail "at zoom 1 the pointer is over $got, not main.bmp (171, 58) $want"
echo "ok: zoom 1, main.bmp (171, 58) under the pointer"
xdotool keydown ctrl
for _ in 1 2 3 4 5 6 7; do xdotool click 4; sleep 0.15; done
xdotool keyup ctrl; sleep 0.4
got=$(screen_rgb "$vx" "$vy")
[ "$got" = "$want" ] || fail "at zoom 8 the pointer is over $got, not $want"
# At zoom 8 the pixel is an 8 x 8 block: the pointer at 171 - 8 * 21 = 3 of
# the block's 8 columns, so five columns to the right is the next pixel.
next=$(sheet_rgb 172 58)
got=$(screen_rgb $((vx + 5)) "$vy")
[ "$got" = "$next" ] || fail "five columns right of the pointer is $got, not main.bmp (172, 58) $next"
echo "ok: Ctrl+wheel reached zoom 8 with the same pixel under the pointer"

# The grid: key G, then the block's first column is grey.
xdotool key g; sleep 0.4
got=$(screen_rgb $((vx + 5)) "$vy")
[ "$got" = "128 128 128" ] || fail "no grid line between two pixels at zoom 8 ($got)"
echo "ok: the pixel grid shows at zoom 8"
kill "$pid"
wait "$pid" 2>/dev/null
rm -rf "$work"
echo "all passed"
