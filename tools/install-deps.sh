#!/usr/bin/env bash
# Installs the Debian packages Orvell needs to build, test and run, skipping what is already there.
# Safe to run again; quiet unless something is installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev libepoxy-dev libx11-dev
  libopenmpt-dev libsndfile1-dev libkissfft-dev libpulse-dev
  libgtk-3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl1-mesa-dri libegl-mesa0 libegl1 libgles2 mesa-utils
  xvfb xauth xdotool x11-utils openbox sox
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus-daemon
  dpkg-dev file desktop-file-utils groff-base
  python3-pil fonts-bebas-neue
  python3-numpy vorbis-tools flac openmpt123
  libavformat-dev libavcodec-dev libavutil-dev ffmpeg
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then sudo=(sudo); else
    echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
else
  sudo=()
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
