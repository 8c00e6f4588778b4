#!/bin/sh
# Seed corpora for the fuzz targets, made from skins installed on this
# machine (by default the ones a player's data package puts in
# /usr/share/audacious/Skins) rather than kept in the repository:
#
#   OUT/import    every sheet as a BMP file (PNG sheets converted)
#   OUT/archive   each skin folder zipped as an archive, flat and in a
#                 folder; its text files and two smallest sheets zipped, a
#                 skin the target reads to the end; and its text files and
#                 smallest sheet as "name\n##\ncontent" entries for the
#                 target to pack
#   OUT/skintext  each pledit.txt and viscolor.txt
#   OUT/settings  a settings file per skin as the program writes it after
#                 working on that skin, in both export formats
#
# Usage: make_seeds.sh OUT [SKINS]. Without skins, or without zip, convert or
# iconv, the seeds that need them are left out: the targets still start from
# the small seeds kept in fuzz/seeds.
set -eu
out=$1
skins=${2:-/usr/share/audacious/Skins}
# Only the folders made here are emptied: other seeds may live beside them.
for kind in import archive skintext settings; do
  rm -rf "${out:?}/$kind"
  mkdir -p "$out/$kind"
done
if [ ! -d "$skins" ]; then
  echo "make_seeds: no skins in $skins; only the kept seeds are used"
  exit 0
fi
have() { command -v "$1" >/dev/null 2>&1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for dir in "$skins"/*/; do
  dir=${dir%/}
  skin=$(basename "$dir")
  [ -f "$dir/main.bmp" ] || [ -f "$dir/main.png" ] || continue

  for f in "$dir"/*.bmp "$dir"/*.png; do
    [ -f "$f" ] || continue
    name=$(basename "$f")
    case $name in
      *.bmp) cp "$f" "$out/import/$skin-$name" ;;
      # BMP3: the Windows 3 header skins have; convert keeps a palette
      # where the picture has few colours.
      *.png) if have convert; then convert "$f" "BMP3:$out/import/$skin-${name%.png}.bmp"; fi ;;
    esac
  done

  for f in pledit.txt viscolor.txt; do
    [ -f "$dir/$f" ] && cp "$dir/$f" "$out/skintext/$skin-$f"
  done

  if have zip; then
    # Flat, as most archives are, and inside a folder of the skin's name.
    (cd "$dir" && zip -q -X "$out/archive/$skin.wsz" -- *)
    mkdir -p "$work/$skin"
    cp "$dir"/* "$work/$skin/"
    (cd "$work" && zip -q -X -r "$out/archive/$skin-infolder.wsz" -- "$skin")
    (cd "$dir" && zip -q -X "$out/archive/$skin-small.wsz" -- $(ls pledit.txt viscolor.txt 2>/dev/null) \
       $(ls -S -- *.bmp *.png 2>/dev/null | tail -n 2))
  fi
  # The entries the archive target packs itself: "name\n##\ncontent\n##\n...".
  small=$(ls -S "$dir"/*.bmp "$dir"/*.png 2>/dev/null | tail -n 1)
  entries=$out/archive/$skin-entries.txt
  : >"$entries"
  sep=""
  for f in "$dir/pledit.txt" "$dir/viscolor.txt" $small; do
    [ -f "$f" ] || continue
    printf '%s%s\n##\n' "$sep" "$(basename "$f")" >>"$entries"
    cat "$f" >>"$entries"
    sep="
##
"
  done

  # The settings the program keeps: its folders' captions and its colour
  # numbers, here the skin's folder and the first colour of its viscolor.txt.
  rgb=$(grep -m 1 -E '^[[:space:]]*[0-9]+[[:space:]]*,' "$dir/viscolor.txt" 2>/dev/null | tr -d ' \r' |
        awk -F, '{ print $1 + 256 * $2 + 65536 * $3 }')
  rgb=${rgb:-0}
  path=$dir
  reg=$out/settings/$skin.reg
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix]\n\n' >"$reg"
  printf '[HKEY_CURRENT_USER\\Software\\Tarnby\\Vorlix\\TMainForm]\n' >>"$reg"
  printf '"Flags"="0"\n"ShowCmd"="1"\n"PixelsPerInch"="96"\n"MinMaxPos(1920x1080)"="-1,-1,-1,-1"\n' >>"$reg"
  printf '"NormPos"="10,20,800,620"\n"Visible"="0"\n' >>"$reg"
  printf '"TempDir_Caption"="%s"\n"OutputDir_Caption"="%s-out"\n' "$path" "$path" >>"$reg"
  printf '"VerInfo_Caption"="%s 1.0"\n"DesktopImg_Color"="%s"\n"pbBack_Color"="%s"\n"pbFore_Color"="-16777201"\n\n' \
    "$skin" "$rgb" "$rgb" >>"$reg"
  if have iconv; then
    # The newer export format: UTF-16 little-endian with a byte-order mark,
    # CRLF line ends.
    { printf '\377\376'
      { printf 'Windows Registry Editor Version 5.00\n'; tail -n +2 "$reg"; } |
        sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE
    } >"$out/settings/$skin-version5.reg"
  fi
done
echo "make_seeds: $(find "$out" -type f | wc -l) seeds from $skins in $out"
