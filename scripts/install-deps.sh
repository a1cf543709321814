#!/usr/bin/env bash
# Installs what litharvest needs to build, run and test on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ccache pkg-config curl ca-certificates \
  qt6-base-dev qt6-webengine-dev qt6-multimedia-dev qt6-svg-dev qt6-l10n-tools libgl-dev \
  libgumbo-dev libcpp-httplib-dev tinyproxy \
  fonts-noto-cjk >/dev/null
