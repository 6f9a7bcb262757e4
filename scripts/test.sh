#!/bin/sh
# Sets up the machine, builds the default preset and runs every test.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default
cmake --build --preset default
ctest --preset default -j2
