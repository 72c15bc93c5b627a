#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Velloran.
set -euo pipefail

# libqt6svg6 carries the SVG image plugin on Debian 12 (there is no qt6-svg-plugins there).
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev ccache
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-image-formats-plugins libqt6svg6
    qt6-webengine-dev libqt6webenginecore6-bin
    libgtest-dev googletest libbenchmark-dev libpcre2-dev pkg-config
    xvfb xauth imagemagick python3-pyftpdlib vsftpd curl poppler-utils libssl-dev openssl python3-openssl libsecret-1-dev gnome-keyring dbus dbus-bin libssh-dev openssh-server openssh-client
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$p")
    fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
    echo "install-deps: all packages already installed"
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${packages[@]}"
