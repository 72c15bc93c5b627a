#!/usr/bin/env bash
# Installs the packages, builds Velloran into build/ and starts it (on the tutorial by default).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh
./scripts/build.sh build

if [[ $(id -u) -eq 0 ]]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi
if [[ $# -eq 0 ]]; then
    set -- build/bin/tutorial/velloran.vpr
fi
exec build/bin/velloran "$@"
