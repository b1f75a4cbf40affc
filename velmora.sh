#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Build helper with two verbs:
#   ./velmora.sh run    installs what is missing, builds, starts the window on the simulated unit
#   ./velmora.sh test   installs what is missing, builds, runs the whole test suite
# BUILD_DIR and JOBS may be set in the environment.
set -e
cd "$(dirname "$0")"
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-2}

build() {
  ./scripts/install-deps
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON "$@"
  cmake --build "$BUILD_DIR" -j"$JOBS"
}

case "$1" in
  run)
    shift
    build
    exec "./$BUILD_DIR/bin/velmora" --simulate "$@"
    ;;
  test)
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$JOBS"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
