#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with.
# Idempotent: packages already present are skipped; needs root only when
# something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev
  libsqlite3-dev
  libpixman-1-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libpng-dev
  ccache
  libsdbus-c++-dev  # MPRIS on the session bus
  dbus-daemon playerctl mpv mpv-mpris  # the MPRIS tests' private bus and real peers
  libgif-dev  # the GIF benchmark's and comparison tests' yardstick only
  libsdl2-dev libx11-dev libxext-dev  # the live desktop
  xvfb xdotool  # the live desktop's tests: an X server of their own and a person's hands
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
