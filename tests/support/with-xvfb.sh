#!/bin/sh
# Runs a program on a private X server with a display number of its own, and stops the
# server after. Exits 77 (a skipped test) with one line when no X server can start.
# ORDVANE_WINDOW_MANAGER names a window manager to run on the server as well (the tests
# of activation and minimizing need one; the others run faster without).
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "skipped: no X server (Xvfb is not installed)"
  exit 77
fi
dir=$(mktemp -d) || exit 1
# The server takes the lowest display number whose socket it can bind and writes it to the
# pipe once it is ready for clients; a server that cannot start closes the pipe empty.
# Its only socket is in the abstract namespace, which the kernel gives to one server
# alone: a server probing a number never removes the socket file of another one.
# -noreset: the server stays as it was when it said it was ready, instead of starting
# over (its keyboard compiled anew) whenever its last client goes, as a test whose
# program opens the display twice would meet it.
mkfifo "$dir/display" || exit 1
Xvfb -displayfd 3 -noreset -nolisten tcp -nolisten unix -screen 0 1280x1024x24 3>"$dir/display" 2>"$dir/log" &
server=$!
number=$(head -n 1 "$dir/display")
if [ -z "$number" ]; then
  echo "skipped: no X server could start ($(tail -n 1 "$dir/log"))"
  kill "$server" 2>/dev/null
  rm -rf "$dir"
  exit 77
fi
stop() {
  [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}
manager=""
# Tests of what the window manager does (activation, minimizing) ask for one by name.
if [ -n "${ORDVANE_WINDOW_MANAGER:-}" ]; then
  if ! command -v "$ORDVANE_WINDOW_MANAGER" >/dev/null 2>&1 || ! command -v xprop >/dev/null 2>&1; then
    echo "skipped: no window manager ($ORDVANE_WINDOW_MANAGER or xprop is not installed)"
    stop
    exit 77
  fi
  DISPLAY=":$number" "$ORDVANE_WINDOW_MANAGER" >"$dir/manager.log" 2>&1 &
  manager=$!
  tries=0
  until DISPLAY=":$number" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$((tries + 1))
    if [ $tries -ge 100 ] || ! kill -0 "$manager" 2>/dev/null; then
      echo "skipped: the window manager did not start ($(tail -n 1 "$dir/manager.log"))"
      stop
      exit 77
    fi
    sleep 0.05
  done
fi
DISPLAY=":$number" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$dir" "$@"
status=$?
stop
exit $status
