#!/bin/sh
# Sets up the machine, builds the zel tool and starts its live viewer on the virtual module. It
# prints the address to open in a browser (with its access token); Ctrl-C stops it.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target zel-cli
exec ./build/default/cli/zel --virtual serve "$@"
