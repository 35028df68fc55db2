#!/bin/sh
# Runs a program on a private X server with a display number of its own, and stops the
# server after. Exits 77 (a skipped test) with one line when no X server can start.
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "skipped: no X server (Xvfb is not installed)"
  exit 77
fi
dir=$(mktemp -d) || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
tries=0
while [ ! -s "$dir/display" ] && kill -0 "$server" 2>/dev/null && [ $tries -lt 100 ]; do
  sleep 0.05
  tries=$((tries + 1))
done
number=$(head -n 1 "$dir/display")
if [ -z "$number" ]; then
  echo "skipped: no X server could start ($(tail -n 1 "$dir/log"))"
  kill "$server" 2>/dev/null
  rm -rf "$dir"
  exit 77
fi
DISPLAY=":$number" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$dir" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$dir"
exit $status
