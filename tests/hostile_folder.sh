#!/usr/bin/env bash
# A skin folder as a stranger may send it: a link to the folder above, a
# journal of an "unfinished save" naming files through that link and a
# temporary meant to replace main.bmp. The real program opens it from its
# command line, and starts with a second such folder as its output folder.
# Nothing outside either folder may change, nothing inside them either,
# the user is told, and the keyboard works once the message is closed.
set -u
bin=${1:?usage: hostile_folder.sh path/to/vorlix}
. "$(dirname "$0")/x11_common.sh"
x11_reexec "convert import sha256sum" "$bin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; import -window root /tmp/vorlix-hostile-folder.png 2>/dev/null; exit 1; }

home="$work/home"
mkdir -p "$home/Downloads"
printf 'the user'"'"'s shell setup\n' > "$home/.bashrc"
printf 'the user'"'"'s profile\n' > "$home/.profile"
printf 'replacement\n' > "$home/.vorlix-tmp-.profile"
export XDG_CONFIG_HOME="$work/config"

# A journal as the program lays one out, with a signature anyone can write.
journal() { # lines "hadOld size hash path" for a whole journal
  printf 'vorlix-save-journal 2\n'
  for p in "$@"; do printf 'plan %s\n' "${p##* }"; done
  printf 'planned %d %s\n' $# "$(printf 'a%.0s' $(seq 64))"
  for p in "$@"; do printf '%s\n' "$p"; done
  printf 'end %d %s\n' $# "$(printf 'b%.0s' $(seq 64))"
}
make_evil() { # folder
  mkdir -p "$1"
  convert -size 275x116 xc:'#12AB34' "BMP3:$1/main.bmp"
  printf '[Text]\nNormal=#00FF00\n' > "$1/pledit.txt"
  ln -s ../.. "$1/h"
  printf 'the attacker'"'"'s main.bmp\n' > "$1/.vorlix-tmp-main.bmp"
  journal "0 22 0000000000000000 h/.bashrc" "1 12 0000000000000000 h/.profile" \
          "1 27 0000000000000000 main.bmp" > "$1/.vorlix-journal"
}
make_evil "$home/Downloads/Evil"
make_evil "$home/Downloads/EvilOutput"
mkdir -p "$XDG_CONFIG_HOME/Tarnby"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n"OutputDir_Caption"="%s"\n' \
  "$home/Downloads/EvilOutput" > "$XDG_CONFIG_HOME/Tarnby/Vorlix.reg"

state() { (cd "$work" && find home -printf '%p %y %l\n' | sort && find home -type f -exec sha256sum {} + | sort); }
before=$(state)

x11_start "$bin" "$home/Downloads/Evil" || fail "the main window did not appear"
# The open's report, then the output folder's: each a message box.
said=""
for _ in 1 2; do
  box=$(x11_wait_window '^Vorlix$') || break
  sleep 0.3
  import -window root "$work/box.png"
  cp "$work/box.png" "/tmp/vorlix-hostile-box-$box.png" 2>/dev/null
  xdotool windowactivate --sync "$box" 2>/dev/null
  xdotool key Return
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name '^Vorlix$' 2>/dev/null | grep -qx "$box" || break
    sleep 0.1
  done
  said="$said $box"
done
[ "$(echo $said | wc -w)" = 2 ] || fail "not told of both folders (message boxes:$said)"
[ "$(state)" = "$before" ] || { diff <(echo "$before") <(state); fail "files changed"; }

# The keyboard reaches the window again: Down selects the background, whose
# green shows in the element view at (279, 120).
xdotool windowactivate --sync "$win" 2>/dev/null
xdotool key --window "$win" Down
ok=1
for _ in $(seq 1 20); do
  sleep 0.3
  import -window root "$work/shot.png"
  px=$(convert "$work/shot.png" -crop "1x1+$((X + 279 + 20))+$((Y + 120 + 20))" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1)
  [ "$px" = "#12AB34" ] && { ok=0; break; }
done
[ $ok -eq 0 ] || fail "the keyboard did not reach the window after the message (view shows ${px:-nothing})"
x11_click_close
x11_wait_exit || fail "the program did not end"
[ "$rc" = 0 ] || fail "exit code $rc"
[ "$(state)" = "$before" ] || { diff <(echo "$before") <(state); fail "files changed"; }
echo "nothing changed; told of both folders"
