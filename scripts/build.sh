#!/usr/bin/env bash
# Configures (Ninja) and builds Velloran: build.sh <build-dir> [extra cmake args...]
set -euo pipefail

if [[ $# -lt 1 ]]; then
    echo "usage: $0 <build-dir> [extra cmake args...]" >&2
    exit 2
fi
build_dir=$1
shift
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

args=(-G Ninja)
if [[ " $* " != *" -DCMAKE_BUILD_TYPE="* ]]; then
    args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
if command -v ccache >/dev/null; then
    args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Paths relative to the checkout, so that every clone shares the same cache entries.
    export CCACHE_BASEDIR=$source_dir CCACHE_NOHASHDIR=true
fi

cmake -S "$source_dir" -B "$build_dir" "${args[@]}" "$@"
cmake --build "$build_dir" -j2
