#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvane needs to build, run and test.
# Idempotent: packages already present are left alone, and apt is not touched
# at all when nothing is missing. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(
    # toolchain and build
    build-essential cmake ninja-build pkg-config
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # platform layer: window, input and audio device; the window's real size
    # from the X server; text; PNG frames
    libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev libpng-dev
    # built-in MIDI synthesizer and its General MIDI SoundFont
    libfluidsynth-dev timgm6mb-soundfont
    # the machine's MIDI ports (ALSA sequencer) for DirectMusic
    libasound2-dev
    # fonts the game's text falls back to (Japanese gothic, sans, monospace)
    fonts-ipafont-gothic fonts-dejavu-core
    # end-to-end tests: an X server without a screen, a window manager for
    # some of its screens, real key events, screenshots, and Mesa's software
    # OpenGL (SDL's renderer, Wine's DirectDraw)
    # (ImageMagick also writes the BMP files the GDI tests load)
    xvfb openbox xdotool imagemagick libgl1-mesa-dri
    # the Windows build: mingw-w64 cross compiler, Windows and DirectX headers
    # and import libraries
    g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    # the Windows build's test: 64-bit Wine
    wine wine64
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
