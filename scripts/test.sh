#!/usr/bin/env bash
# Installs what the build and the tests need (when missing), builds, starts a Firebird
# server on 127.0.0.1:3050 for the server tier, runs every test, and stops the server.
#   scripts/test.sh [extra ctest arguments]
# Environment: BUILD_DIR (default build), ORDVANE_SANITIZE=ON|OFF (default ON under CI),
# ORDVANE_TSAN=ON|OFF (default ON under CI): the tests of threaded code once more, built
# with the thread sanitizer in $BUILD_DIR-tsan.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
SANITIZE=${ORDVANE_SANITIZE:-$([ -n "${CI:-}" ] && echo ON || echo OFF)}
TSAN=${ORDVANE_TSAN:-$([ -n "${CI:-}" ] && echo ON || echo OFF)}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

PACKAGES=(g++ cmake ninja-build pkg-config googletest libgtest-dev libbenchmark-dev
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libpng-dev)
# Independent oracles of the class-library tests (iconv comes with libc-bin).
PACKAGES+=(python3)
# The workbook tests read the expected cells that xlrd dumped as JSON.
PACKAGES+=(nlohmann-json3-dev)
# Static checks of the changed units.
PACKAGES+=(clang-tidy)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

FB_PORT=3050
FB_PASSWORD=masterkey
FB_PID=""

port_open() { (exec 3<>/dev/tcp/127.0.0.1/$FB_PORT) 2>/dev/null; }

stop_server() {
  if [ -n "$FB_PID" ]; then
    $SUDO kill "$FB_PID" 2>/dev/null || true
    for _ in $(seq 50); do $SUDO kill -0 "$FB_PID" 2>/dev/null || break; sleep 0.1; done
    $SUDO kill -9 "$FB_PID" 2>/dev/null || true
    FB_PID=""
  fi
}

start_server() {
  if port_open; then
    local probe="/tmp/ordvane-password-probe-$$.fdb"
    if echo "create database '127.0.0.1:$probe' user 'SYSDBA' password '$FB_PASSWORD'; drop database;" |
      isql-fb -q >/dev/null 2>&1; then
      echo "Using the Firebird server already listening on 127.0.0.1:$FB_PORT"
      return
    fi
    # A server started by the package, with a password we do not know: replace it.
    $SUDO service firebird3.0 stop >/dev/null 2>&1 || true
    for _ in $(seq 50); do port_open || break; sleep 0.1; done
    if port_open; then
      $SUDO pkill -x fbguard || true
      $SUDO pkill -x firebird || true
      for _ in $(seq 100); do port_open || break; sleep 0.1; done
    fi
  fi
  local security
  security=$(ls /var/lib/firebird/3.0/system/security3.fdb)
  # Give SYSDBA a known password (embedded access to the security database, which only
  # works while no server holds it).
  echo "create or alter user SYSDBA password '$FB_PASSWORD' using plugin Srp; commit;" |
    $SUDO env -u FIREBIRD -u FIREBIRD_LOCK -u FIREBIRD_TMP isql-fb -q -user SYSDBA "$security" >/dev/null
  $SUDO mkdir -p /run/firebird3.0
  $SUDO chown firebird:firebird /run/firebird3.0
  $SUDO env -u FIREBIRD -u FIREBIRD_LOCK -u FIREBIRD_TMP \
    setpriv --reuid=firebird --regid=firebird --init-groups /usr/sbin/firebird >/tmp/ordvane-firebird.log 2>&1 &
  FB_PID=$!
  for _ in $(seq 100); do port_open && return; sleep 0.1; done
  echo "The Firebird server did not start:" >&2
  cat /tmp/ordvane-firebird.log >&2
  exit 1
}

# The tests that run threads or share objects between threads and processes.
THREADED_TESTS=(classlib_threads_test classlib_timers_test classlib_messagequeue_test
  classlib_lists_test classlib_registry_test classlib_ipc_test classlib_dynlib_test
  dbclient_binding_test dbclient_callbacks_test dbclient_blobcache_test
  dbclient_blobcachethread_dbtest dbclient_cachequeries_dbtest dbclient_sqlmonitor_test
  dbclient_sqlmonitor_dbtest dbclient_lostconnect_dbtest dbclient_services_dbtest
  dbclient_database_dbtest dbclient_querylog_dbtest)

run_thread_sanitizer_tests() {
  local dir="$BUILD_DIR-tsan"
  cmake -S "$ROOT" -B "$dir" -G Ninja -DORDVANE_TSAN=ON -DORDVANE_BENCH=OFF >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target "${THREADED_TESTS[@]}"
  local pattern
  pattern="^($(IFS='|'; echo "${THREADED_TESTS[*]}"))(_server)?$"
  # The Firebird engine takes more locks at once than the lock-order checker can follow.
  (cd "$dir" && TSAN_OPTIONS="suppressions=$ROOT/tests/tsan.supp detect_deadlocks=0" \
    ctest --output-on-failure --timeout 900 -j "$(nproc)" -R "$pattern")
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
    run-clang-tidy -p "$BUILD_DIR" -j "$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option "$pattern"
  fi
  git rev-parse HEAD >"$stamp"
}

install_packages
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DORDVANE_SANITIZE="$SANITIZE" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
run_clang_tidy

trap stop_server EXIT
start_server
export ORDVANE_FB_HOST=127.0.0.1 ORDVANE_FB_PASSWORD=$FB_PASSWORD
# The client library keeps allocations until the process ends; leak reports would be its.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@")
if [ "$TSAN" = ON ]; then run_thread_sanitizer_tests; fi
