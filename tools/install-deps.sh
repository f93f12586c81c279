#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the game need, when
# any of them is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  g++ cmake make pkg-config git
  python3 console-setup-linux  # `make assets`: the generators and the Terminus font
  libsdl2-dev libpng-dev zlib1g-dev libvorbis-dev libgl-dev libgl1-mesa-dri
  libgtest-dev libbenchmark-dev libsdl2-mixer-dev libsfml-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils mesa-utils imagemagick libx11-dev libxrandr-dev
  xserver-xorg-video-dummy x11-xserver-utils  # a server whose display mode can switch
  ccache ninja-build lld gcovr  # `make mutation` and `make coverage`
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 zip  # `make windows`, `make test-windows`
  emscripten chromium nodejs  # `make web`, `make test-web`
  build-essential debhelper dpkg-dev lintian desktop-file-utils appstream man-db
)
# npm comes with some builds of nodejs and is Debian's own package beside others.
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
