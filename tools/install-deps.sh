#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Mirelon need.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config git ca-certificates
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-image-formats-plugins qt6-qpa-plugins
  libgl-dev libglx-dev libvulkan-dev
  php-cli php-gd
  libopencv-dnn-dev libopencv-imgproc-dev libopencv-imgcodecs-dev libopencv-core-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  libjpeg-dev libpng-dev libwebp-dev libtiff-dev libgif-dev libheif-dev libheif1
  libheif-examples libtiff-tools
  clang-14 libclang-rt-14-dev
  openssl xvfb xauth fonts-dejavu-core libxcb1-dev
  libimage-exiftool-perl libjpeg-turbo-progs
  parallel bsdutils
  dpkg-dev lintian file man-db
)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
