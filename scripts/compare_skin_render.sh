#!/usr/bin/env bash
# Shows two skins in a real player and counts the pixels of the main window
# (275x116) that differ between them.
#
#   scripts/compare_skin_render.sh [--paused] A B [audacious|qmmp]
#
# A and B are skin folders or .wsz archives, e.g. a skin and the same skin
# after Vorlix opened and saved it. Prints the number of differing pixels
# (ImageMagick's compare -metric AE) and exits 0 only when it is 0.
# Exit status: 0 identical; 1 different; 2 a render failed; 3 the player
# refused A or B and showed its own default skin instead (the count is then
# still printed, but says little).
# Set RENDER_KEEP=DIR to keep a.png, b.png and diff.png (differing pixels in
# red) in DIR. Each render runs scripts/render_skin.sh (with --paused, if
# given, to show the time digits and position bar too); see there for what
# it needs. A developer tool: CI does not run it.
set -u

paused=()
[ "${1:-}" = --paused ] && { paused=(--paused); shift; }
[ $# -ge 2 ] && [ $# -le 3 ] || { echo "usage: $0 [--paused] A B [audacious|qmmp]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
player=${3:-audacious}

work=$(mktemp -d /tmp/compare_skin.XXXXXX) || exit 2
trap 'rm -rf "$work"' EXIT

refused=0
for side in a b; do
  if [ $side = a ]; then skin=$1; else skin=$2; fi
  "$here/render_skin.sh" "${paused[@]}" "$skin" "$work/$side.png" "$player"
  case $? in
    0) ;;
    3) echo "compare_skin_render: $player refused $skin" >&2; refused=1 ;;
    *) echo "compare_skin_render: could not render $skin" >&2; exit 2 ;;
  esac
done

# compare prints the count on stderr and exits 0 (same), 1 (different) or 2
count=$(compare -metric AE "$work/a.png" "$work/b.png" "$work/diff.png" 2>&1)
[ $? -le 1 ] || { echo "compare_skin_render: compare failed: $count" >&2; exit 2; }
echo "$count pixels of the main window differ"

if [ -n "${RENDER_KEEP:-}" ]; then
  mkdir -p "$RENDER_KEEP" && cp "$work/a.png" "$work/b.png" "$work/diff.png" "$RENDER_KEEP/"
fi

[ $refused -eq 0 ] || exit 3
[ "$count" = 0 ]
