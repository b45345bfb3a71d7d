#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
# PLplot's X11 and cairo drivers give the screen device and the picture
# devices (pngcairo, pdfcairo, svgcairo); libx11-dev checks a display before
# PLplot opens it; Xvfb and libpng-dev let the tests run every plot on a real X
# display and read back the pictures; TBB runs the parallel algorithms.
pkgs=(g++ cmake make pkg-config libgtest-dev libplplot-dev plplot-driver-xwin plplot-driver-cairo libx11-dev
      libpng-dev xvfb libtbb-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
