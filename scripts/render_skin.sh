#!/usr/bin/env bash
# Shows a skin the way a real player draws it, and saves the player's main
# window (275x116 pixels; Audacious alone lets a skin.hints file change that
# size) as a PNG.
#
#   scripts/render_skin.sh [--paused] SKIN OUT.png [audacious|qmmp]
#
# SKIN is a skin folder or a .wsz archive. The player (Audacious by default,
# in its classic skinned interface; or qmmp's skinned interface) runs on its
# own virtual X server (xvfb-run -a), with a throw-away HOME and XDG folders,
# so nothing of the user's configuration is read or changed. The script waits
# until the main window has been drawn and holds still, grabs it, stops the
# player and removes everything it made. It gives up after RENDER_TIMEOUT
# seconds (default 60, at least 20).
#
# Stopped, as a player starts, the main window shows neither the time digits
# (nums_ex/numbers) nor the position bar. --paused (Audacious only; qmmp
# blinks the time while paused) plays 30 s of silence through SDL's dummy
# audio driver and pauses it at 0:00: digits, position bar, pause sign,
# "stereo" and "44 KHZ" then show, always the same.
#
# Exit status: 0 written; 3 written, but the player refused the skin and
# shows its own default skin instead (the message says so); 1 any failure.
#
# Needs: the player, xvfb (xvfb-run), x11-utils (xwininfo), imagemagick,
# dbus (dbus-run-session), unzip (Audacious opens .wsz with it), and for
# --paused audtool (in the audacious package) and libsdl2.
#   apt-get install -y audacious audacious-plugins audacious-plugins-data qmmp \
#     xvfb x11-utils imagemagick dbus unzip
# A developer tool: CI does not run it.
set -u

die() { echo "render_skin: $*" >&2; exit 1; }

# ---------------------------------------------------------------------------
# Inside the virtual X server: start the player, wait, grab, stop.
# ---------------------------------------------------------------------------
if [ "${RENDER_SKIN_INSIDE:-}" = 1 ]; then
  work=$1 player=$2 out=$3 paused=$4
  log=$work/player.log

  # the main window's WM_CLASS, as xwininfo prints it
  case $player in
    audacious) wmclass='("audacious" "Audacious")'; audacious -Q >"$log" 2>&1 & ;;
    qmmp)      wmclass='("player" "Qmmp")';         qmmp >"$log" 2>&1 & ;;
  esac
  pid=$!

  stop_player() {
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  }
  trap stop_player EXIT

  # The main window is the top-level window, on the screen, with the
  # class above: 275x116 pixels, unless a skin.hints file (which only
  # Audacious reads) gives another size. Its content is taken as drawn once
  # three grabs, half a second apart, agree.
  case $player in
    audacious) refused='Unable to load skin|Skin does not contain|Error loading pixmap' ;;
    qmmp)      refused='Skin: using :/' ;;
  esac
  deadline=$((SECONDS + RENDER_DEADLINE))
  prev= same=0
  while [ $SECONDS -lt $deadline ]; do
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; echo "render_skin: the player exited early" >&2; exit 1; }
    # "ID WxH+X+Y" of the first such window that is mapped
    geo=
    while read -r id size; do
      xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' && { geo="$id $size"; break; }
    done < <(xwininfo -root -children 2>/dev/null \
             | awk -v cls="$wmclass" 'index($0, cls) { print $1, $(NF-1) }')
    [ -n "$geo" ] || continue
    if [ "$paused" = 1 ]; then
      # play the silence, pause it and go back to its start, once
      paused=2
      audtool playlist-addurl "file://$work/silence.wav" && audtool playback-play || exit 1
      for _ in $(seq 50); do [ "$(audtool playback-status)" = playing ] && break; sleep 0.1; done
      audtool playback-pause && audtool playback-seek 0 || exit 1
      [ "$(audtool playback-status)" = paused ] || { echo "render_skin: the player did not pause" >&2; exit 1; }
    fi
    size=${geo#* }                     # WxH+X+Y relative to the root window
    import -window root -crop "$size" +repage "$work/grab.png" 2>/dev/null || continue
    sum=$(md5sum <"$work/grab.png")
    if [ "$sum" = "$prev" ]; then same=$((same + 1)); else same=0; prev=$sum; fi
    [ $same -ge 2 ] || continue
    cp "$work/grab.png" "$out"
    if grep -qE "$refused" "$log"; then
      grep -E "$refused" "$log" >&2
      exit 3
    fi
    exit 0
  done
  cat "$log" >&2
  echo "render_skin: the main window was not drawn in time" >&2
  exit 1
fi

# ---------------------------------------------------------------------------
# Outside: check the arguments and tools, lay out a throw-away home, and run
# the part above under its own X server.
# ---------------------------------------------------------------------------
paused=0
[ "${1:-}" = --paused ] && { paused=1; shift; }
[ $# -ge 2 ] && [ $# -le 3 ] || die "usage: $0 [--paused] SKIN OUT.png [audacious|qmmp]"
skin=$1 out=$2 player=${3:-audacious}
case $player in
  audacious|qmmp) ;;
  *) die "unknown player '$player' (audacious or qmmp)" ;;
esac
case $player in
  audacious) pkgs="audacious audacious-plugins" ;;
  qmmp)      pkgs=qmmp ;;
esac
command -v "$player" >/dev/null || die "$player is not installed (apt-get install -y $pkgs)"
limit=${RENDER_TIMEOUT:-60}
case $limit in
  ''|*[!0-9]*) die "RENDER_TIMEOUT must be a number of seconds" ;;
esac
[ "$limit" -ge 20 ] || limit=20
if [ $paused = 1 ]; then
  [ "$player" = audacious ] || die "--paused works with audacious only: qmmp blinks the time while paused"
  command -v audtool >/dev/null || die "audtool is not installed (apt-get install -y audacious)"
fi
for tool in xvfb-run xwininfo import identify dbus-run-session timeout; do
  command -v $tool >/dev/null || die "$tool is not installed (apt-get install -y xvfb x11-utils imagemagick dbus coreutils)"
done
[ -e "$skin" ] || die "no such skin: $skin"
skin=$(realpath "$skin")
case $skin in
  *.wsz|*.WSZ|*.zip|*.ZIP) command -v unzip >/dev/null || die "unzip is not installed; players open .wsz with it" ;;
esac
out_dir=$(dirname "$out"); [ -d "$out_dir" ] || die "no such folder: $out_dir"
out=$(realpath "$out")

work=$(mktemp -d /tmp/render_skin.XXXXXX) || die "cannot make a temporary folder"
trap 'rm -rf "$work"' EXIT
home=$work/home
mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$work/tmp"

case $player in
  audacious)
    conf=$home/.config/audacious
    mkdir -p "$conf"
    lib=$(dirname "$(ls /usr/lib/*/audacious/General/skins-qt.so /usr/lib/audacious/General/skins-qt.so 2>/dev/null | head -n1)")
    [ -f "$lib/skins-qt.so" ] || die "Audacious's skinned interface (skins-qt.so) is not installed (apt-get install -y audacious-plugins)"
    # Choose the skinned interface over the Qt one, and for --paused SDL's
    # output (its dummy driver needs no sound card) over the others. The
    # registry lists only these plug-ins; the player adds the rest itself.
    plugins="General/qtui:0 General/skins-qt:1"
    if [ $paused = 1 ]; then
      [ -f "$lib/../Output/sdlout.so" ] || die "Audacious's SDL output (sdlout.so) is not installed (apt-get install -y audacious-plugins)"
      plugins="$plugins Output/pulse_audio:0 Output/alsa:0 Output/sdlout:1"
    fi
    {
      echo "format 11"
      for p in $plugins; do
        so=$lib/../${p%:*}.so
        [ -f "$so" ] || continue
        case $p in General/*) kind=iface flags=2 ;; *) kind=output flags=0 ;; esac
        printf '%s %s\nstamp %s\nversion 48\nflags %s\nname x\ndomain audacious-plugins\npriority 0\nabout 0\nconfig 1\nenabled %s\n' \
          "$kind" "$(realpath "$so")" "$(stat -c %Y "$so")" "$flags" "${p#*:}"
      done
    } >"$conf/plugin-registry"
    if [ $paused = 1 ]; then
      # 30 s of 16-bit stereo silence at 44.1 kHz
      le() { local v=$1 n=$2; while [ "$n" -gt 0 ]; do printf "\\$(printf %03o $((v & 255)))"; v=$((v >> 8)); n=$((n - 1)); done; }
      bytes=$((44100 * 4 * 30))
      { printf RIFF; le $((36 + bytes)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le 2 2; le 44100 4
        le 176400 4; le 4 2; le 16 2; printf data; le $bytes 4; head -c $bytes /dev/zero; } >"$work/silence.wav"
    fi
    cat >"$conf/config" <<EOF
[audacious]
resume_playback_on_startup=FALSE
generic_title_format=\${title}

[skins]
skin=$skin
autoscroll_songname=FALSE
double_size=FALSE
player_x=0
player_y=0
player_shaded=FALSE
playlist_visible=FALSE
equalizer_visible=FALSE
always_on_top=FALSE
EOF
    ;;
  qmmp)
    mkdir -p "$home/.qmmp"
    skin_dir=$skin
    if [ -f "$skin" ]; then
      # qmmp reads only folders: its settings page unpacks an archive into
      # its cache with this very command and loads the skin from there.
      skin_dir=$home/.qmmp/cache/skin
      mkdir -p "$skin_dir"
      unzip -j -o -qq -d "$skin_dir" "$skin" || die "unzip could not open $skin"
    fi
    cat >"$home/.qmmp/qmmprc" <<EOF
[Skinned]
skin_path=$skin_dir
pl_visible=false
eq_visible=false
double_size=false
autoscroll=false
EOF
    ;;
esac

export RENDER_SKIN_INSIDE=1 HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share" \
  XDG_RUNTIME_DIR="$work" TMPDIR="$work/tmp" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb \
  RENDER_DEADLINE=$((limit - 8)) SDL_AUDIODRIVER=dummy
# nothing of the desktop the script was started from may change the drawing
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION \
  QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
  QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI
timeout -k 5 "$limit" xvfb-run -a -s "-screen 0 640x480x24 -nolisten tcp" \
  dbus-run-session -- bash "$0" "$work" "$player" "$out" "$paused" 2>"$work/err"
status=$?
grep -v 'Failed to set fd limit' "$work/err" >&2
case $status in
  0|3) [ $status -eq 3 ] && echo "render_skin: the player refused this skin; $out shows its default skin" >&2
       exit $status ;;
  124|137) die "gave up after $limit seconds" ;;
  *) die "the player could not be rendered (status $status)" ;;
esac
