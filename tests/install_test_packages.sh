#!/usr/bin/env bash
# Installs, on Debian or Ubuntu, what the tests need and is missing: the
# compiler and CMake, GoogleTest (libgtest-dev) for the unit, dialogue and
# golden tests, xboard, fairymax and Xvfb for the match in xboard, with
# xdotool, xclip, polyglot, pychess, ImageMagick (the flows' screenshots)
# and procps for the board flows (tests/boards), Node.js and npm for the
# games against chess.js. Through sudo when not run as root; the package
# lists are read (apt-get update) only when something is missing.
#
# Usage: tests/install_test_packages.sh [--ci] [--gnome-chess]
#   --ci           also what CI uses beyond the tests: clang-format, clang
#                  with libFuzzer, valgrind, man-db and dpkg-dev for the
#                  install check, lintian, MinGW-w64 and Wine for the
#                  Windows build.
#   --gnome-chess  also gnome-chess and dbus, for the board flows that are
#                  run by hand.
# Elsewhere than on Debian or Ubuntu it names the packages and installs
# nothing; configuring the tests says which are left out.
set -euo pipefail

ci=
gnome=
for option in "$@"; do
  case $option in
    --ci) ci=1 ;;
    --gnome-chess) gnome=1 ;;
    *) echo "usage: $0 [--ci] [--gnome-chess]" >&2; exit 2 ;;
  esac
done

packages=()
have() { command -v "$1" >/dev/null 2>&1 || [ -x "/usr/games/$1" ]; }
# Tools named as their packages are.
for tool in cmake make g++ xboard fairymax xdotool xclip polyglot npm; do
  have "$tool" || packages+=("$tool")
done
[ -f /usr/include/gtest/gtest.h ] || packages+=(libgtest-dev)
have Xvfb || packages+=(xvfb)
have import || packages+=(imagemagick)
have pkill || packages+=(procps)
[ -f /usr/lib/python3/dist-packages/pychess/__init__.py ] || packages+=(pychess)
have node || packages+=(nodejs)
if [ -n "$gnome" ]; then
  have gnome-chess || packages+=(gnome-chess)
  have dbus-run-session || packages+=(dbus)
fi
if [ -n "$ci" ]; then
  have clang-format || packages+=(clang-format)
  have clang++ || packages+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || packages+=(libclang-rt-14-dev)
  have valgrind || packages+=(valgrind)
  have man || packages+=(man-db)
  have dpkg-shlibdeps || packages+=(dpkg-dev)
  have lintian || packages+=(lintian)
  have x86_64-w64-mingw32-g++-posix || packages+=(g++-mingw-w64-x86-64-posix)
  have wine || packages+=(wine wine64)
fi

if [ ${#packages[@]} -eq 0 ]; then
  echo "install_test_packages.sh: nothing to install"
  exit 0
fi
if ! have apt-get; then
  echo "install_test_packages.sh: not Debian or Ubuntu; the tests that need these are left out: ${packages[*]}"
  exit 0
fi
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  have sudo || { echo "install_test_packages.sh: run as root: apt-get install ${packages[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install_test_packages.sh: installing ${packages[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${packages[@]}"
