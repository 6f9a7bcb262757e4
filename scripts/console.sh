#!/bin/sh
# Sets up the machine, builds the console test program on the virtual module and starts it.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target zel-console-virtual
exec ./build/default/app/zel-console-virtual
