#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# As root it installs what is missing; otherwise it only says what is.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  # The widget tests pick faces from these: DejaVu with all four styles
  # (the italics are in -extra), IPA for Japanese text.
  fonts-dejavu-core fonts-dejavu-extra fonts-ipafont-gothic
  xvfb xauth
  # Qt's own dialogs in Japanese (buttons, context menus, font dialog).
  qt6-translations-l10n
  # A real telnet daemon for the end-to-end tests against a host we did not write.
  inetutils-telnetd
  # A private session bus for the desktop-notification test.
  dbus-daemon
)
if [ "${ZKT_WITH_PACKAGE:-0}" = 1 ]; then
  packages+=(dpkg-dev file)
fi
if [ "${ZKT_WITH_FUZZ:-0}" = 1 ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "run as root, or: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
