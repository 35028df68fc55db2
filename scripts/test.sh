#!/usr/bin/env bash
# Installs what the build and the tests need (when missing), builds, runs every test with
# a private Firebird server for the server tier, and prints the wall time of each phase.
#   scripts/test.sh [extra ctest arguments]
# Environment: BUILD_DIR (default build), ORDVANE_SANITIZE=ON|OFF (default ON under CI),
# ORDVANE_TSAN=ON|OFF (default ON under CI): the tests of threaded code once more, built
# with the thread sanitizer in $BUILD_DIR-tsan while the other tests run; JOBS (default:
# the cores this process may use); CCACHE_DIR (default ~/.cache/ccache).
#
# The server runs as the user running this script, from $BUILD_DIR/fbserver (its own
# configuration, user database, lock and temporary folders) on a free loopback port, and
# is stopped by its process id on every way out. No other server is stopped, killed,
# reconfigured or given a password; root is needed only to install missing packages.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=$(realpath -m "${BUILD_DIR:-build}")
SANITIZE=${ORDVANE_SANITIZE:-$([ -n "${CI:-}" ] && echo ON || echo OFF)}
TSAN=${ORDVANE_TSAN:-$([ -n "${CI:-}" ] && echo ON || echo OFF)}
JOBS=${JOBS:-$(nproc)}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# shellcheck source=scripts/packages.sh
source "$ROOT/scripts/packages.sh"

# --- Phases and their wall time, printed on every way out --------------------------------

PHASE=""
PHASE_START=0
PHASE_TIMES=()
now_ms() { date +%s%3N; }
begin_phase() {
  end_phase
  PHASE=$1
  PHASE_START=$(now_ms)
  echo "=== $PHASE"
}
end_phase() {
  [ -n "$PHASE" ] || return 0
  local ms=$(($(now_ms) - PHASE_START))
  PHASE_TIMES+=("$(printf '  %-22s %6d.%d s' "$PHASE" $((ms / 1000)) $((ms % 1000 / 100)))")
  PHASE=""
}
print_phase_times() {
  [ ${#PHASE_TIMES[@]} -gt 0 ] || return 0
  echo "Wall time per phase:"
  printf '%s\n' "${PHASE_TIMES[@]}"
}

# --- The compiler cache ---------------------------------------------------------------------

# One cache in a fixed place for every checkout; paths under the checkout are made
# relative, so that another clone of the same commit finds the same objects.
use_compiler_cache() {
  export CCACHE_DIR=${CCACHE_DIR:-~/.cache/ccache}
  export CCACHE_BASEDIR=$ROOT
  # Otherwise the working folder, which differs between clones, is part of every key.
  export CCACHE_NOHASHDIR=1
  # The test programs' precompiled header: its time stamps and macros are the cache's to
  # overlook, or no unit that uses it is cached.
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  export CCACHE_STATSLOG=$BUILD_DIR/ccache-stats.log
  mkdir -p "$BUILD_DIR"
  rm -f "$CCACHE_STATSLOG"
}

print_compiler_cache_use() {
  [ -s "${CCACHE_STATSLOG:-}" ] || return 0
  echo "Compiler cache, this run:"
  ccache --show-log-stats | grep -E '^ *(Hits|Misses)' || true
}

configure() {
  cmake -S "$ROOT" -B "$1" -G Ninja -DCMAKE_C_COMPILER_LAUNCHER=ccache \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "${@:2}" >/dev/null
}

# --- The private Firebird server -------------------------------------------------------------

SERVER_DIR=$BUILD_DIR/fbserver
FB_PID=""
FB_PORT=""

installed_firebird_root() {
  local dir
  for dir in /usr/lib/*/firebird/3.0 /usr/lib/firebird/3.0 /opt/firebird; do
    [ -d "$dir/plugins" ] && echo "$dir" && return
  done
  echo "No Firebird 3 installation found" >&2
  return 1
}


free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# A server that an earlier run of this script left behind in this build folder (one that
# was killed outright) is recognised by the root folder in its environment.
stop_stale_server() {
  local pid
  pid=$(cat "$SERVER_DIR/server.pid" 2>/dev/null) || return 0
  if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "FIREBIRD=$SERVER_DIR/root"; then
    FB_PID=$pid
    stop_server
  fi
}

# Runs a Firebird tool with the embedded engine on the private root.
private_engine() {
  FIREBIRD=$SERVER_DIR/root FIREBIRD_LOCK=$SERVER_DIR/lock FIREBIRD_TMP=$SERVER_DIR/tmp "$@"
}

make_server_root() {
  local installed entry
  installed=$(installed_firebird_root)
  stop_stale_server
  rm -rf "$SERVER_DIR"
  mkdir -p "$SERVER_DIR/root" "$SERVER_DIR/lock" "$SERVER_DIR/tmp"
  for entry in "$installed"/*; do
    case ${entry##*/} in
      firebird.conf | databases.conf | include) ;;
      # The character-set module finds its companions from its own location: it must be
      # a file of this root, not a link into the installed one.
      intl) cp -rL "$entry" "$SERVER_DIR/root/intl" ;;
      *) ln -s "$(readlink -f "$entry")" "$SERVER_DIR/root/${entry##*/}" ;;
    esac
  done
  local security=$SERVER_DIR/root/security3.fdb
  cat >"$SERVER_DIR/root/firebird.conf" <<EOF
RemoteServicePort = $FB_PORT
RemoteBindAddress = 127.0.0.1
ServerMode = Super
SecurityDatabase = $security
EOF
  printf 'security.db = %s\n{\n  RemoteAccess = false\n}\n' "$security" >"$SERVER_DIR/root/databases.conf"
  # A user database made fresh from the packaged script, as the package itself makes one.
  echo "create database '$security';" | private_engine isql-fb -q
  private_engine isql-fb -q -user SYSDBA -i /usr/share/firebird/3.0/security.sql "$security" >/dev/null
  echo "create or alter user SYSDBA password '$FB_PASSWORD' using plugin Srp; commit;" |
    private_engine isql-fb -q -user SYSDBA "$security"
  # The test that stops and restarts a server of its own starts it on this copy.
  cp "$security" "$SERVER_DIR/security3-copy.fdb"
}

# Whether the private server itself listens on its port: the port is free when chosen,
# but another program on the machine may take it before the server binds it.
server_listens() {
  local port inode
  port=$(printf ':%04X' "$FB_PORT")
  for inode in $(awk -v port="$port" '$4 == "0A" && substr($2, length($2) - 4) == port { print $10 }' \
    /proc/net/tcp 2>/dev/null); do
    ls -l "/proc/$FB_PID/fd" 2>/dev/null | grep -qF "socket:[$inode]" && return 0
  done
  return 1
}

# One try on a free port; stops the server again when it does not listen there.
try_start_server() {
  FB_PORT=$(free_port)
  make_server_root
  FIREBIRD=$SERVER_DIR/root FIREBIRD_LOCK=$SERVER_DIR/lock FIREBIRD_TMP=$SERVER_DIR/tmp \
    /usr/sbin/firebird >"$SERVER_DIR/server.log" 2>&1 &
  FB_PID=$!
  echo "$FB_PID" >"$SERVER_DIR/server.pid"
  for _ in $(seq 200); do
    server_listens && return 0
    kill -0 "$FB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "The private Firebird server did not start on 127.0.0.1:$FB_PORT" >&2
  stop_server
  return 1
}

start_server() {
  FB_PASSWORD=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  local attempt
  for attempt in 1 2 3; do
    try_start_server && break
    [ "$attempt" -lt 3 ] || return 1
  done
  export ORDVANE_FB_HOST=127.0.0.1/$FB_PORT ORDVANE_FB_PASSWORD=$FB_PASSWORD
  export ORDVANE_FB_SECURITY_DB=$SERVER_DIR/security3-copy.fdb
  echo "Private Firebird server: 127.0.0.1:$FB_PORT, process $FB_PID, folder $SERVER_DIR"
}

stop_server() {
  [ -n "$FB_PID" ] || return 0
  kill "$FB_PID" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$FB_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$FB_PID" 2>/dev/null || true
  wait "$FB_PID" 2>/dev/null || true
  FB_PID=""
}

# Keeps the server's folder and shows its logs after a failing run; removes it otherwise.
keep_or_remove_server_files() {
  [ -d "$SERVER_DIR" ] || return 0
  if [ "$1" -eq 0 ]; then
    rm -rf "$SERVER_DIR"
    return
  fi
  echo "The private server's folder and logs are kept: $SERVER_DIR" >&2
  local log
  for log in "$SERVER_DIR/server.log" "$SERVER_DIR/root/firebird.log"; do
    [ -s "$log" ] && echo "--- $log (last lines)" >&2 && tail -n 20 "$log" >&2
  done
  return 0
}

# --- The port guard: a stand-in for somebody else's server on the usual port -----------

GUARD_PORT=3050
STANDIN_PID=""
STANDIN_STATUS=""
GUARD_SOCKETS=""

# The inodes of the sockets listening on the guarded port, from the kernel's own table.
listening_sockets() {
  local port
  port=$(printf ':%04X' "$GUARD_PORT")
  awk -v port="$port" '$4 == "0A" && substr($2, length($2) - 4) == port { print $10 }' \
    /proc/net/tcp /proc/net/tcp6 2>/dev/null | sort | tr '\n' ' '
}

start_port_guard() {
  STANDIN_STATUS=$BUILD_DIR/standin-$GUARD_PORT.status
  rm -f "$STANDIN_STATUS"
  python3 "$ROOT/scripts/standin_listener.py" "$GUARD_PORT" "$STANDIN_STATUS" &
  STANDIN_PID=$!
  for _ in $(seq 100); do
    [ -s "$STANDIN_STATUS" ] && break
    kill -0 "$STANDIN_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -s "$STANDIN_STATUS" ]; then
    wait "$STANDIN_PID" 2>/dev/null || true
    STANDIN_PID=""
    echo "Port guard: 127.0.0.1:$GUARD_PORT is held by another program; it must still be afterwards"
  fi
  GUARD_SOCKETS=$(listening_sockets)
  if [ -z "$GUARD_SOCKETS" ]; then
    echo "Port guard: nothing listens on port $GUARD_PORT" >&2
    return 1
  fi
}

check_port_guard() {
  local problems=()
  [ "$FB_PORT" != "$GUARD_PORT" ] || problems+=("the private server used port $GUARD_PORT")
  if [ "$(listening_sockets)" != "$GUARD_SOCKETS" ]; then
    # Another program's listener may end by itself while this run goes on (the stand-in
    # of another run of this script, for one): only this run's own stand-in must stay.
    if [ -n "$STANDIN_PID" ]; then
      problems+=("the listener on port $GUARD_PORT was stopped or replaced")
    else
      echo "Port guard: the other program's listener on port $GUARD_PORT has gone or changed meanwhile"
    fi
  fi
  if [ -n "$STANDIN_PID" ]; then
    kill -0 "$STANDIN_PID" 2>/dev/null || problems+=("the stand-in listener was killed")
    # Programs of this run work in its build folders; on a shared machine other people's
    # programs may knock as well, which is theirs to mend and only reported.
    local own others
    own=$(grep -F -e "cwd=$BUILD_DIR/" -e "cwd=$BUILD_DIR-tsan/" "$STANDIN_STATUS" || true)
    others=$(grep '^connection' "$STANDIN_STATUS" | grep -v -F -e "cwd=$BUILD_DIR/" -e "cwd=$BUILD_DIR-tsan/" || true)
    [ -z "$own" ] || problems+=("programs of this run connected to the stand-in: $own")
    [ -z "$others" ] || echo "Port guard: other programs connected to port $GUARD_PORT: $others"
  fi
  if [ ${#problems[@]} -gt 0 ]; then
    printf 'Port guard FAILED: %s\n' "${problems[@]}" >&2
    return 1
  fi
  echo "Port guard: the listener on 127.0.0.1:$GUARD_PORT is alive and untouched;" \
    "the private server used port $FB_PORT"
}

stop_port_guard() {
  [ -n "$STANDIN_PID" ] || return 0
  kill "$STANDIN_PID" 2>/dev/null || true
  wait "$STANDIN_PID" 2>/dev/null || true
  STANDIN_PID=""
}

# --- Tests ---------------------------------------------------------------------------------

# The client library keeps allocations until the process ends; leak reports would be its.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

run_ctest() {
  (cd "$1" && ctest --output-on-failure --timeout 900 -j "$JOBS" "${@:2}")
}

# The tests that run threads or share objects between threads and processes (labelled
# 'threaded', listed in tests/CMakeLists.txt): the only ones a thread-sanitizer build has.
# Their build runs beside the other tests, at a low priority, in a session of its own:
# the tests leave the processor idle much of the time (waiting for the engine, for child
# processes and for their timers), and the build takes mostly that time. Once the tests
# are done it gets the ordinary priority back where the user may give it (root may).
TSAN_DIR=$BUILD_DIR-tsan
TSAN_BUILD_PID=""
start_thread_sanitizer_build() {
  configure "$TSAN_DIR" -DORDVANE_TSAN=ON
  setsid --wait nice -n 10 cmake --build "$TSAN_DIR" -j "$JOBS" --target threaded_tests >"$TSAN_DIR/build.log" 2>&1 &
  TSAN_BUILD_PID=$!
}

# Waits for that build and shows its output; a failed build fails the run.
finish_thread_sanitizer_build() {
  local status=0
  renice -n 0 -g "$TSAN_BUILD_PID" >/dev/null 2>&1 || true
  wait "$TSAN_BUILD_PID" || status=$?
  TSAN_BUILD_PID=""
  if [ "$status" -ne 0 ]; then
    cat "$TSAN_DIR/build.log" >&2
    return "$status"
  fi
  tail -n 1 "$TSAN_DIR/build.log"
}

stop_thread_sanitizer_build() {
  [ -n "$TSAN_BUILD_PID" ] || return 0
  kill -- "-$TSAN_BUILD_PID" 2>/dev/null || kill "$TSAN_BUILD_PID" 2>/dev/null || true
  wait "$TSAN_BUILD_PID" 2>/dev/null || true
  TSAN_BUILD_PID=""
}

run_thread_sanitizer_tests() {
  # The Firebird engine takes more locks at once than the lock-order checker can follow.
  TSAN_OPTIONS="suppressions=$ROOT/tests/tsan.supp detect_deadlocks=0" run_ctest "$TSAN_DIR" -L threaded
}

# clang-tidy (.clang-tidy) over the units changed since its last clean run, whose commit
# $BUILD_DIR/clang-tidy.checked keeps, or else since the merge base with main; a changed
# header brings its own unit and the units that include it. A full run costs far more
# than CI can spend. Any finding fails.
run_clang_tidy() {
  local stamp="$BUILD_DIR/clang-tidy.checked" base="" changed=() units=() file
  [ -f "$stamp" ] && git merge-base --is-ancestor "$(cat "$stamp")" HEAD 2>/dev/null && base=$(cat "$stamp")
  [ -n "$base" ] || base=$(git merge-base HEAD main 2>/dev/null || git merge-base HEAD origin/main 2>/dev/null || true)
  mapfile -t changed < <({ git diff --name-only ${base:+"$base"} -- '*.cpp' '*.h'
    git ls-files --others --exclude-standard -- '*.cpp' '*.h'; } | sort -u)
  for file in "${changed[@]}"; do
    [ -f "$file" ] || continue
    case "$file" in
      *.cpp) units+=("$file") ;;
      *.h) units+=("${file%.h}.cpp")
        mapfile -t -O "${#units[@]}" units < <(git grep -l --fixed-strings "#include \"$file\"" -- '*.cpp') ;;
    esac
  done
  if [ ${#units[@]} -gt 0 ]; then
    local pattern
    pattern="^$ROOT/($(printf '%s\n' "${units[@]}" | sort -u | sed 's/[.+]/\\&/g' | paste -sd '|'))\$"
    echo "clang-tidy on $(printf '%s\n' "${units[@]}" | sort -u | wc -l) changed units"
    python3 "$ROOT/scripts/lint_compile_commands.py" "$BUILD_DIR" "$BUILD_DIR/lint"
    run-clang-tidy -p "$BUILD_DIR/lint" -j "$JOBS" -quiet -extra-arg=-Wno-unknown-warning-option "$pattern"
  fi
  git rev-parse HEAD >"$stamp"
}

finish() {
  local status=$?
  set +e
  end_phase
  stop_thread_sanitizer_build
  stop_port_guard
  stop_server
  keep_or_remove_server_files "$status"
  print_compiler_cache_use
  print_phase_times
  exit "$status"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

begin_phase install
install_packages
use_compiler_cache
begin_phase configure
configure "$BUILD_DIR" -DORDVANE_SANITIZE="$SANITIZE"
begin_phase build
cmake --build "$BUILD_DIR" -j "$JOBS"
begin_phase clang-tidy
run_clang_tidy
begin_phase "server start"
start_port_guard
start_server
begin_phase tests
if [ "$TSAN" = ON ]; then start_thread_sanitizer_build; fi
run_ctest "$BUILD_DIR" "$@"
if [ "$TSAN" = ON ]; then
  begin_phase "thread-sanitizer tier"
  finish_thread_sanitizer_build
  run_thread_sanitizer_tests
fi
end_phase
check_port_guard
