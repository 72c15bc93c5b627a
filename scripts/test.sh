#!/usr/bin/env bash
# Installs the packages, builds Velloran and runs the test suite, plainly (the tests that wait on
# sockets, processes and file events five times more) and under ASan/UBSan.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Runs one named stage and prints how long it took.
stage() {
    local name=$1 start=$SECONDS
    shift
    echo "=== $name"
    "$@"
    echo "=== $name: $((SECONDS - start)) s"
}

stage "install packages" ./scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
XDG_CONFIG_HOME=$(mktemp -d)
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_CONFIG_HOME XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"' EXIT
chmod 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
if [[ $(id -u) -eq 0 ]]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi

# The tests that wait on sockets, servers, second processes and file events run five times
# more, so that a race fails here instead of now and then on someone's machine.
repeat_waiting_tests() {
    local repeat=(--test-dir build --output-on-failure -j2 --repeat until-fail:5)
    ctest "${repeat[@]}" -L integration
    ctest "${repeat[@]}" -R '^(FileNotify|FirstInstanceTest|SingleInstance)'
}

stage "build" ./scripts/build.sh build
stage "test" ctest --test-dir build --output-on-failure -j2
stage "test (repeated)" repeat_waiting_tests

stage "build (sanitizers)" ./scripts/build.sh build-asan \
    -DVELLORAN_SANITIZE=ON -DVELLORAN_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
stage "test (sanitizers)" env ASAN_OPTIONS=detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2
