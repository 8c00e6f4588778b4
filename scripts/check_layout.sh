#!/usr/bin/env bash
# Checks that dependencies under src/ point one way:
#  - only the main window's own folder and the program entry include the
#    main window's header;
#  - the graph of folders joined by #include "folder/..." has no cycle.
set -u
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
cd "$src" || exit 2
status=0

bad=$(grep -rlE '#include[[:space:]]+"mainwindow/MainForm\.h"' --include='*.h' --include='*.cpp' --include='*.inl' . \
      | grep -vE '^\./(mainwindow|app)/' || true)
if [ -n "$bad" ]; then
  echo "these files include the main window's header but lie outside mainwindow/ and app/:"
  echo "$bad"
  status=1
fi

edges=$(grep -rE '^[[:space:]]*#include[[:space:]]+"[^"/]+/' --include='*.h' --include='*.cpp' --include='*.inl' . \
        | sed -E 's#^\./([^/]+)/[^:]*:[[:space:]]*\#include[[:space:]]+"([^"/]+)/.*#\1 \2#' \
        | awk '$1 != $2' | sort -u)
echo "folder dependencies:"
echo "$edges" | sed 's/^/  /; s/ \([^ ]*\)$/ -> \1/'
if ! order=$(echo "$edges" | tsort 2>&1 >/dev/null) || echo "$order" | grep -q loop; then
  echo "the folders include each other in a cycle:"
  echo "$edges" | tsort 2>&1 >/dev/null
  status=1
fi
[ $status -eq 0 ] && echo "layout OK"
exit $status
