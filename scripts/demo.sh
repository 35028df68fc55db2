#!/usr/bin/env bash
# The main job in one command: installs what is missing (the packages scripts/test.sh
# installs), builds the example in a release build of its own and runs it. The example
# imports a workbook of persons into a Firebird table and shows the table in the grid: in
# a window when a display is there, else as a picture (PNG) whose path it prints with the
# import's statistics.
#   scripts/demo.sh [--database NAME] [--specification FILE] [--picture FILE] [WORKBOOK]
# Without arguments: the sample list examples/data/persons.xls into the embedded database
# $XDG_DATA_HOME/ordvane/persons.fdb (default ~/.local/share/ordvane), made on first use.
# `scripts/demo.sh --help` tells the rest.
# Environment: DEMO_BUILD_DIR (default build-demo in the checkout), JOBS (default: the cores this process
# may use), CCACHE_DIR (default ~/.cache/ccache); ISC_USER and ISC_PASSWORD for a server.
set -euo pipefail

# The example runs in the caller's folder, where the names given to it are.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(realpath -m "${DEMO_BUILD_DIR:-$ROOT/build-demo}")
JOBS=${JOBS:-$(nproc)}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# The usage needs nothing built. An option's value is not read as an option, as the
# example reads its command line.
for ((i = 1; i <= $#; i++)); do
  case ${!i} in
    --database | --specification | --picture) i=$((i + 1)) ;;
    --help | -h) exec cat "$ROOT/examples/usage.txt" ;;
  esac
done

# shellcheck source=scripts/packages.sh
source "$ROOT/scripts/packages.sh"

install_packages
export CCACHE_DIR=${CCACHE_DIR:-~/.cache/ccache} CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1
# -O2: at -O3 GCC 12 warns of string copies that overlap where none do.
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DORDVANE_BENCH=OFF -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target ordvane_demo
exec "$BUILD_DIR/examples/ordvane_demo" "$@"
