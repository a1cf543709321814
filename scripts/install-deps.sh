#!/usr/bin/env bash
# Installs what litharvest needs to build, run, test and package on Debian 12
# (the package's tools: dpkg-dev and file for cpack's library dependencies,
# librsvg2-bin for the icon sizes, lintian, desktop-file-utils and appstream
# for scripts/check-package.sh).
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ccache pkg-config curl ca-certificates \
  qt6-base-dev qt6-webengine-dev qt6-multimedia-dev qt6-svg-dev qt6-l10n-tools libgl-dev \
  libgumbo-dev libcpp-httplib-dev tinyproxy \
  fonts-noto-cjk \
  dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream >/dev/null
