# The system packages that building, testing and running the example need, and their
# installation; sourced by scripts/test.sh and scripts/demo.sh, which so install the same.
# Needs SUDO ("" as root, else sudo) set by the script that sources it.

PACKAGES=(g++ cmake ninja-build pkg-config googletest libgtest-dev libbenchmark-dev
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libpng-dev)
# Independent oracles of the class-library tests (iconv comes with libc-bin); the
# stand-in listener of the port guard.
PACKAGES+=(python3)
# The workbook tests read the expected cells that xlrd dumped as JSON; the workbook
# benchmark loads its workbook with xlrd as well.
PACKAGES+=(nlohmann-json3-dev python3-xlrd)
# The desktop host, and the private X server and desktop tools of its tests; a window
# manager, xprop, xmodmap and another X program (xmessage) for the tests of activation,
# minimizing and typing.
PACKAGES+=(qt6-base-dev xvfb xdotool xclip openbox x11-utils x11-xserver-utils)
# The compiler cache and the faster linker (see docs/design/tests-and-ci.md).
PACKAGES+=(ccache lld)
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
