#!/usr/bin/env bash
# The real program under a virtual X server: each of the six menu buttons
# opens its menu at the button, drawn black with orange text; Help -> About...
# and the small logo open the about box, a click on its background or logo
# closes it and a click on its notice does not; Image -> Exit ends the
# program with exit code 0.
set -u
bin=${1:?usage: menus_x11.sh path/to/vorlix}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "import convert" "$bin"

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

x11_start "$bin" || { echo "the main window did not appear"; exit 1; }
sleep 0.5

shot() { import -window root "$work/$1.png"; }
# Pixels near one colour (hex, e.g. 000000) in a WxH+X+Y part of a
# screenshot; the nearness allows for the text's smoothing.
count() {
  convert "$work/$1.png" -crop "$2" +repage -fuzz 6% -fill '#FF00FF' -opaque "#$3" txt:- | grep -ci "#FF00FF "
}
# Waits until a window named $1 is shown (or, with "gone", hidden).
await_window() {
  for _ in $(seq 1 40); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    if [ "${2:-}" = gone ]; then [ -z "$found" ] && return 0; else [ -n "$found" ] && return 0; fi
    sleep 0.1
  done
  return 1
}

# Buttons at y 28, 17 high, 57 wide; a menu's top overlaps their two lowest
# rows, so it starts at y 43 in window coordinates.
names=(Image Edit fxLab Vorlix Options Help)
lefts=(4 60 116 172 228 284)

# Where the screen differs between two screenshots: "w h x y".
changed() {
  local box
  box=$(convert "$work/$1.png" "$work/$2.png" -compose difference -composite \
          -threshold 0 -trim -format '%w %h %X %Y' info: 2>/dev/null)
  echo "${box//+/}"
}

# Clicks menu button $1 and waits until its menu is drawn; the screenshot
# before is "before$1", the one with the menu "open$1".
open_menu() {
  local i=$1 w h mx my
  # Nothing hovered in the picture before (the popup takes the hover away).
  xdotool mousemove $((X + 320)) $((Y + 10)); sleep 0.3
  shot "before$i"
  xdotool mousemove $((X + ${lefts[$i]} + 28)) $((Y + 36)) click 1
  for _ in $(seq 1 25); do
    sleep 0.2
    shot "open$i"
    read -r w h mx my <<<"$(changed "before$i" "open$i")"
    # Drawn and settled: a sizeable change that a later picture repeats.
    if [ "$h" -gt 30 ]; then
      sleep 0.2; shot "again$i"
      [ "$(changed "open$i" "again$i")" = "1 1 -1 -1" ] && return 0
    fi
  done
  return 1
}

for i in "${!names[@]}"; do
  name=${names[$i]}; bx=$((X + ${lefts[$i]}))
  open_menu "$i" || { fail "$name menu did not open"; xdotool key Escape; continue; }
  read -r w h mx my <<<"$(changed "before$i" "open$i")"
  # The change is the menu and nothing but the menu.
  if [ "$mx" != "$bx" ] || [ "$my" != $((Y + 43)) ]; then
    fail "$name menu opened at $mx,$my, not at its button's corner $bx,$((Y + 43))"
  fi
  # Inside the edge: black background and orange text over the items.
  black=$(count "open$i" "$((w - 6))x$((h - 6))+$((mx + 3))+$((my + 3))" 000000)
  orange=$(count "open$i" "$((w - 6))x$((h - 6))+$((mx + 3))+$((my + 3))" FF9E3E)
  echo "$name menu: ${w}x$h at $mx,$my; $black black and $orange orange pixels"
  [ "$black" -gt $((w * h / 3)) ] || fail "$name menu is not drawn on black"
  if [ "$name" = Edit ]; then
    # At start nothing can be edited, undone or redone: every item is the
    # grey of a disabled one, none orange.
    grey=$(count "open$i" "$((w - 6))x$((h - 6))+$((mx + 3))+$((my + 3))" 707070)
    [ "$orange" = 0 ] && [ "$grey" -gt 20 ] || fail "Edit menu's disabled items are not grey ($orange orange, $grey grey)"
  else
    [ "$orange" -gt 20 ] || fail "$name menu shows no orange text"
  fi
  xdotool key Escape; sleep 0.3
done

# Help -> About...: the fourth item, below Contents, a separator and
# Internet Links (edge 3, items 19, separator 9 pixels high).
open_menu 5 || fail "Help menu did not open"
xdotool mousemove $((X + 284 + 30)) $((Y + 43 + 3 + 19 + 9 + 19 + 9)); sleep 0.3
xdotool click 1
if await_window '^About Vorlix$'; then
  about=$(xdotool search --onlyvisible --name '^About Vorlix$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$about" | sed 's/^/A_/')"
  echo "about box ${A_WIDTH}x$A_HEIGHT at $A_X,$A_Y"
  [ "$A_WIDTH" = 406 ] && [ "$A_HEIGHT" = 228 ] || fail "about box is ${A_WIDTH}x$A_HEIGHT"
  [ "$A_X" = $(((1024 - 406) / 2)) ] && [ "$A_Y" = $(((768 - 228) / 2)) ] || fail "about box is not centred"
  shot about
  [ "$(count about "2x1+$A_X+$((A_Y + 100))" 000000)" = 2 ] || fail "about box frame missing"
  # A click on the trademark notice leaves it open, one on the background
  # closes it.
  xdotool mousemove $((A_X + 60)) $((A_Y + 214)) click 1; sleep 0.5
  await_window '^About Vorlix$' || fail "a click on the notice closed the about box"
  xdotool mousemove $((A_X + 60)) $((A_Y + 190)) click 1
  await_window '^About Vorlix$' gone || fail "a click on the background left the about box open"
else
  fail "Help -> About... showed no about box"
fi

# The small logo at (597, 27) opens it again; a click on the big logo closes it.
xdotool mousemove $((X + 597 + 19)) $((Y + 27 + 9)) click 1
if await_window '^About Vorlix$'; then
  about=$(xdotool search --onlyvisible --name '^About Vorlix$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$about" | sed 's/^/A_/')"
  xdotool mousemove $((A_X + 200)) $((A_Y + 70)) click 1
  await_window '^About Vorlix$' gone || fail "a click on the logo left the about box open"
else
  fail "a click on the small logo showed no about box"
fi

# Image -> Exit: the last item (edge 3, eight items of 19 and three
# separators of 9).
open_menu 0 || fail "Image menu did not open"
xdotool mousemove $((X + 4 + 60)) $((Y + 43 + 3 + 8 * 19 + 3 * 9 + 9)); sleep 0.3
xdotool click 1
if ! x11_wait_exit; then fail "Exit did not end the program"; elif [ "$rc" != 0 ]; then fail "exit code $rc"; fi

[ "$failures" = 0 ] && echo "all menu checks passed"
exit $((failures > 0))
