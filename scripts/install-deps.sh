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
    # the web build: Debian's emscripten and Node.js, the fonts cut down to
    # what the game draws (pyftsubset), unpacking Debian's sources of the
    # libraries built for WebAssembly; its test's browser
    emscripten nodejs fonttools dpkg-dev chromium
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

# npm comes with Debian's nodejs from its own package, or with a Node.js
# from elsewhere; only a machine without one gets Debian's.
if ! command -v npm >/dev/null; then
    missing+=(npm)
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
else
    echo "install-deps: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The web build compiles FreeType and SDL2 for WebAssembly from Debian's own
# source packages (scripts/build-web.sh); they are unpacked here once.
web_sources=${QUORVANE_WEB_SOURCES:-/var/cache/quorvane/web-sources}
source_list=/etc/apt/sources.list.d/quorvane-deb-src.sources
wanted_sources=()
for source in freetype libsdl2; do
    if ! compgen -G "$web_sources/$source-*/CMakeLists.txt" >/dev/null; then
        wanted_sources+=("$source")
    fi
done
if [ ${#wanted_sources[@]} -gt 0 ]; then
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
        ! grep -qs '^deb-src' /etc/apt/sources.list; then
        echo "install-deps: adding Debian's source archive ($source_list)"
        "${sudo_cmd[@]}" tee "$source_list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" mkdir -p "$web_sources"
    echo "install-deps: unpacking the Debian sources of ${wanted_sources[*]} into $web_sources"
    (cd "$web_sources" && "${sudo_cmd[@]}" apt-get source -qq "${wanted_sources[@]}")
fi

# The npm packages of the web build and its test, as package-lock.json pins
# them (no browser is downloaded: the test drives Debian's chromium).
cd "$(dirname "$0")/.."
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
    echo "install-deps: npm ci"
    PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
fi
