#!/usr/bin/env bash
# Installs, on Debian, what the board flows need besides what
# tests/install_test_packages.sh installs (xboard, fairymax, Xvfb): xdotool
# and xclip to drive xboard, polyglot for UCI in xboard, pychess (its engine
# detection, and the chess rules the flows compare against); with --all
# also gnome-chess (its flows are run by hand). Only what is missing is
# installed; the package lists are read only then.
set -euo pipefail
have() { command -v "$1" >/dev/null 2>&1 || [ -x "/usr/games/$1" ]; }
packages=()
have Xvfb || packages+=(xvfb)
have xboard || packages+=(xboard)
have fairymax || packages+=(fairymax)
have xdotool || packages+=(xdotool)
have xclip || packages+=(xclip)
have polyglot || packages+=(polyglot)
[ -f /usr/lib/python3/dist-packages/pychess/__init__.py ] || packages+=(pychess)
if [ "${1:-}" = --all ]; then
  have gnome-chess || packages+=(gnome-chess)
  have dbus-run-session || packages+=(dbus)
fi
if [ ${#packages[@]} -eq 0 ]; then
  echo "install_packages.sh: nothing to install"
  exit 0
fi
if ! have apt-get; then
  echo "install_packages.sh: not Debian; the board flows are left out: ${packages[*]}"
  exit 0
fi
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "install_packages.sh: installing ${packages[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${packages[@]}"
