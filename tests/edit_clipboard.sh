#!/usr/bin/env bash
# The real program under a virtual X server without a window manager: choose
# "Play" on the miniature, zoom to 4, Select Mode, drag a band backwards,
# Ctrl+C, and read the system clipboard from outside with xclip. Then close a
# colour dialog, the open dialog and a message box, and check that the
# shortcuts still work without a click.
set -u
bin=${1:?usage: edit_clipboard.sh path/to/vorlix path/to/resources}
res=${2:?usage: edit_clipboard.sh path/to/vorlix path/to/resources}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "xclip convert compare import" "$bin" "$res"

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config  # leave the user's settings alone
pid=""
fail() {
  echo "FAIL: $*"
  import -window root "$work/failure.png" 2>/dev/null && echo "screen kept in $work/failure.png"
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  exit 1
}
# Waits until the number of visible windows named $1 is $2.
wait_windows() {
  for _ in $(seq 1 50); do
    [ "$(xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l)" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}
# Esc closes the window titled $1 (leaving $2 of that title); a dialog that
# is on the screen but not yet taking keys (a loaded machine) gets it again.
close_with_escape() {
  for _ in 1 2 3; do
    xdotool key Escape
    wait_windows "$1" "$2" && return 0
  done
  return 1
}
x11_start "$bin" || fail "the main window did not appear"
at() { xdotool mousemove $((X + $1)) $((Y + $2)); }

# "Play" lies under (30, 60) of the miniature, which sits at (8, 257).
at 38 317; sleep 0.1; at 39 317; sleep 0.5
# Three clicks on the zoom bar's lower arrow: zoom 4.
for _ in 1 2 3; do at 584 289; xdotool click 1; sleep 0.2; done
at 256 136; xdotool click 1; sleep 0.2                  # Select Mode
# DesktopImg is at (279, 120). From client (60, 40) back to (10, 10): picture
# pixels (15, 10) to (2, 2) at zoom 4, a 13 x 8 block.
at 339 160; xdotool mousedown 1; sleep 0.1
at 320 150; sleep 0.1; at 289 130; sleep 0.1
xdotool mouseup 1; sleep 0.3

# State 0 of "Play" lies at (23, 0) of the default CBUTTONS sheet.
convert "$res/CBUTTONS.bmp" -crop 13x8+25+2 +repage -type TrueColor "PNG24:$work/expected.png"
convert -size 13x8 xc:white "PNG24:$work/white.png"

check_copy() { # $1: expected picture, $2: what happened before
  echo "not a picture" | xclip -selection clipboard -i; sleep 0.2
  xdotool key ctrl+c; sleep 0.4
  xclip -selection clipboard -t image/png -o > "$work/clip.png" 2>/dev/null \
    || fail "no picture on the clipboard after Ctrl+C ($2)"
  # PNG header: bit depth 8, colour type 2 (RGB without alpha), 24 bits.
  [ "$(od -An -tu1 -j24 -N2 "$work/clip.png" | tr -s ' ')" = " 8 2" ] \
    || fail "clipboard picture is not 24-bit RGB ($2)"
  [ "$(identify -format '%wx%h' "$work/clip.png")" = 13x8 ] \
    || fail "clipboard picture is $(identify -format '%wx%h' "$work/clip.png"), not 13x8 ($2)"
  diff=$(compare -metric AE "$work/clip.png" "$1" null: 2>&1)
  [ "$diff" = 0 ] || fail "$diff clipboard pixels differ ($2)"
  echo "ok: Ctrl+C copied the selection ($2)"
}
check_copy "$work/expected.png" "band dragged backwards"

# The marquee's top edge lies on client row 2 * 4 + 1 from column 9 on: along
# it every screen pixel shows the zoomed picture's pixel or its inverse, and
# the dashes invert many of them.
import -window root "$work/screen.png"
# One "r g b" line per pixel of a 1-pixel-high picture.
rgb_lines() { convert "$@" -depth 8 txt:- | sed -n 's/^[0-9]*,[0-9]*: *(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p'; }
# Client columns 9 .. 40 show picture columns 2 .. 10, expected.png's 0 .. 8.
verdict=$(paste -d ' ' <(rgb_lines "$work/screen.png" -crop "32x1+$((X + 288))+$((Y + 129))" +repage) \
                       <(rgb_lines "$work/expected.png" -crop 9x1+0+0 +repage -scale 400%x100% | sed -n 2,33p) \
  | awk 'NF == 6 { if ($1 == $4 && $2 == $5 && $3 == $6) same++;
                   else if ($1 == 255 - $4 && $2 == 255 - $5 && $3 == 255 - $6) inv++;
                   else odd++ }
         END { printf "%d %d %d", inv, same, odd }')
read -r inverted same odd <<<"$verdict"
[ "$odd" = 0 ] && [ "$inverted" -ge 12 ] \
  || fail "marquee row: $inverted inverted, $same plain, $odd other pixels"
echo "ok: the dashed marquee inverts the picture ($inverted of 32 pixels of its top edge)"

# A double click on the foreground swatch opens the colour dialog.
at 220 310; xdotool click --repeat 2 --delay 80 1
wait_windows '^Select Color$' 1 || fail "the colour dialog did not open"
close_with_escape '^Select Color$' 0 || fail "the colour dialog did not close"
check_copy "$work/expected.png" "after the colour dialog"

xdotool key ctrl+o
wait_windows '^Open Image...$' 1 || fail "Ctrl+O did not open the open dialog"
close_with_escape '^Open Image...$' 0 || fail "the open dialog did not close"
check_copy "$work/expected.png" "after the open dialog"

# Ctrl+Del whitens the block and enables "Apply Changes"; its question is
# cancelled with Escape.
xdotool key ctrl+Delete; sleep 0.3
at 432 392; xdotool click 1
wait_windows '^Vorlix$' 1 || fail "Apply Changes asked nothing"
close_with_escape '^Vorlix$' 0 || fail "the question did not close"
check_copy "$work/white.png" "after Ctrl+Del and the question"

# A PNG from another program, larger than "Play": Ctrl+V puts its top-left
# part into the view, so the selected block is now the PNG's block at (2, 2).
convert -size 30x20 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx 0.4 +channel \
  "PNG24:$work/outside.png"
xclip -selection clipboard -t image/png -i "$work/outside.png"; sleep 0.2
xdotool key ctrl+v; sleep 0.3
convert "$work/outside.png" -crop 13x8+2+2 +repage "PNG24:$work/outside-block.png"
check_copy "$work/outside-block.png" "after pasting a PNG from outside"

kill "$pid"
wait "$pid" 2>/dev/null
rm -rf "$work"
echo "all passed"
