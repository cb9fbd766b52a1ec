#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Skyrig need.
# Safe to run repeatedly: packages already present are skipped, and the package
# index is refreshed only when something is missing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang-14 libclang-rt-14-dev clang-format
  # Qt 5.15
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev qtdeclarative5-dev
  qtquickcontrols2-5-dev qml-module-qtquick2 qml-module-qtquick-window2
  qml-module-qtquick-controls2 qml-module-qtquick-layouts qml-module-qtquick-templates2
  qml-module-qtqml-models2 libqt5svg5 qml-module-qttest
  # gamepads and joysticks (game-controller API only)
  libsdl2-dev
  # FFmpeg 5.1
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  # the video benchmark's command-line comparison
  ffmpeg
  # camera simulator: RTSP and HTTP
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstrtspserver-1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-plugins-bad gstreamer1.0-x gstreamer1.0-tools libcpp-httplib-dev
  # headless GUI tests, fonts, network namespace
  xvfb xauth libgl1-mesa-dri fonts-noto-cjk iproute2 util-linux
  # packet loss on the loopback interface for the video benchmark (netem where the
  # kernel has it, else a random-drop rule)
  nftables
  # packaging: icons, manual pages, DEB packages, their check and a clean install root
  librsvg2-bin help2man dpkg-dev fakeroot file lintian debootstrap appstream desktop-file-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
