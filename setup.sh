#!/usr/bin/env bash
# Installs what Sondrel needs (only what is missing), builds it, and then:
#   ./setup.sh            starts the window, or says how to use sondrel-cli when there is no window
#   ./setup.sh test       runs the whole test suite (warnings are errors in this build, and the standard
#                         library's and Qt's assertions are checked)
#   ./setup.sh sanitize   builds the programs and all their tests, the window's offscreen, with
#                         AddressSanitizer and UBSan and runs them
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-start}
jobs=$(nproc 2>/dev/null || echo 2)

packages=(cmake ninja-build g++ ccache pkg-config qt6-base-dev libtag1-dev zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "These packages are missing and only root can install them. As root, run:" >&2
            echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
            exit 1
        fi
        sudo=sudo
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build() {  # build FOLDER CMAKE-OPTIONS...
    local folder=$1
    shift
    cmake -S . -B "$folder" -G Ninja "$@" >/dev/null
    cmake --build "$folder" -j "$jobs"
}

case $mode in
start)
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONDREL_TESTS=OFF -DSONDREL_BENCH=OFF
    if [ -x build/bin/sondrel ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
        exec build/bin/sondrel
    fi
    if [ -x build/bin/sondrel ]; then
        echo "There is no display here, so the window cannot open."
    fi
    echo "sondrel-cli is built in build/bin/. From this folder, try:"
    echo "  build/bin/sondrel-cli info ~/Music/*.mp3"
    echo "  build/bin/sondrel-cli write --artist 'Beatles, The' --title 'Hey Jude' song.mp3"
    echo "  build/bin/sondrel-cli remove --id3v2 song.mp3"
    echo "  build/bin/sondrel-cli genres"
    echo
    build/bin/sondrel-cli --help
    ;;
test)
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONDREL_WERROR=ON -DSONDREL_ASSERTIONS=ON
    ctest --test-dir build-test --output-on-failure -j "$jobs"
    ;;
sanitize)
    build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSONDREL_WERROR=ON -DSONDREL_ASSERTIONS=ON -DSONDREL_SANITIZE=ON \
        -DSONDREL_BENCH=OFF -DSONDREL_WINDOW=ON
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
    ;;
*)
    echo "usage: ./setup.sh [start|test|sanitize]" >&2
    exit 2
    ;;
esac
